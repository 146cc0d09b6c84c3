#pragma once

#include <QDateTime>

#include <cstdint>

// Calendar time as eight 16-bit fields; wDayOfWeek counts from Sunday = 0.
struct SYSTEMTIME
{
    uint16_t wYear = 0;
    uint16_t wMonth = 0;
    uint16_t wDayOfWeek = 0;
    uint16_t wDay = 0;
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;

    friend bool operator==(const SYSTEMTIME&, const SYSTEMTIME&) = default;
};

// 100-ns intervals since 1601-01-01 UTC.
using FILETIME = uint64_t;

inline constexpr int kSystemTimeBytes = 16;
inline constexpr FILETIME kFileTimeUnixEpoch = 116444736000000000ULL;
inline constexpr FILETIME kFileTimeTicksPerSecond = 10000000ULL;

SYSTEMTIME GetLocalTime();
SYSTEMTIME GetSystemTime();
FILETIME GetSystemTimeAsFileTime();

SYSTEMTIME SystemTimeFromDateTime(const QDateTime& dateTime);
// Invalid for field values that name no real date or time.
QDateTime DateTimeFromSystemTime(const SYSTEMTIME& time, Qt::TimeSpec spec);

// a at or before b, compared field by field as unsigned numbers from the year
// down to the milliseconds; the day of the week plays no part.
bool SystemTimeLessOrEqual(const SYSTEMTIME& a, const SYSTEMTIME& b);
// The same instant, whatever day of the week either claims.
bool SystemTimeEqual(const SYSTEMTIME& a, const SYSTEMTIME& b);

// False for a value that cannot be converted (the fields are not a UTC date).
bool SystemTimeToFileTime(const SYSTEMTIME& time, FILETIME* fileTime);

// Little-endian, field by field: never the struct's memory image.
void AppendSystemTime(QByteArray& out, const SYSTEMTIME& time);
SYSTEMTIME SystemTimeFromBytes(const char* bytes); // kSystemTimeBytes bytes
