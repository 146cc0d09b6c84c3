#include "platform/SystemTime.h"

#include <QtEndian>
#include <QTimeZone>

#include <time.h>

#include <tuple>

SYSTEMTIME SystemTimeFromDateTime(const QDateTime& dateTime)
{
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    SYSTEMTIME st;
    st.wYear = uint16_t(date.year());
    st.wMonth = uint16_t(date.month());
    st.wDayOfWeek = uint16_t(date.dayOfWeek() % 7);
    st.wDay = uint16_t(date.day());
    st.wHour = uint16_t(time.hour());
    st.wMinute = uint16_t(time.minute());
    st.wSecond = uint16_t(time.second());
    st.wMilliseconds = uint16_t(time.msec());
    return st;
}

QDateTime DateTimeFromSystemTime(const SYSTEMTIME& st, Qt::TimeSpec spec)
{
    const QDate date(st.wYear, st.wMonth, st.wDay);
    const QTime time(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
    if (!date.isValid() || !time.isValid())
        return {};
    return spec == Qt::UTC ? QDateTime(date, time, QTimeZone::utc()) : QDateTime(date, time);
}

bool SystemTimeLessOrEqual(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return std::tie(a.wYear, a.wMonth, a.wDay, a.wHour, a.wMinute, a.wSecond, a.wMilliseconds)
           <= std::tie(b.wYear, b.wMonth, b.wDay, b.wHour, b.wMinute, b.wSecond, b.wMilliseconds);
}

bool SystemTimeEqual(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return SystemTimeLessOrEqual(a, b) && SystemTimeLessOrEqual(b, a);
}

SYSTEMTIME GetLocalTime()
{
    return SystemTimeFromDateTime(QDateTime::currentDateTime());
}

SYSTEMTIME GetSystemTime()
{
    return SystemTimeFromDateTime(QDateTime::currentDateTimeUtc());
}

FILETIME GetSystemTimeAsFileTime()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return kFileTimeUnixEpoch + FILETIME(now.tv_sec) * kFileTimeTicksPerSecond + FILETIME(now.tv_nsec) / 100;
}

bool SystemTimeToFileTime(const SYSTEMTIME& st, FILETIME* fileTime)
{
    const QDateTime dateTime = DateTimeFromSystemTime(st, Qt::UTC);
    // The years a FILETIME can hold; beyond them the tick count would overflow.
    if (!dateTime.isValid() || st.wYear < 1601 || st.wYear > 30827)
        return false;
    const qint64 msSinceUnix = dateTime.toMSecsSinceEpoch();
    *fileTime = FILETIME(qint64(kFileTimeUnixEpoch) + msSinceUnix * 10000);
    return true;
}

void AppendSystemTime(QByteArray& out, const SYSTEMTIME& st)
{
    for (uint16_t field : {st.wYear, st.wMonth, st.wDayOfWeek, st.wDay, st.wHour, st.wMinute, st.wSecond,
                           st.wMilliseconds}) {
        const uint16_t le = qToLittleEndian(field);
        out.append(reinterpret_cast<const char*>(&le), 2);
    }
}

SYSTEMTIME SystemTimeFromBytes(const char* bytes)
{
    uint16_t f[8];
    for (int i = 0; i < 8; ++i)
        f[i] = qFromLittleEndian<uint16_t>(bytes + 2 * i);
    return SYSTEMTIME{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]};
}
