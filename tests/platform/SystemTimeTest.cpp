#include "platform/SystemTime.h"

#include <gtest/gtest.h>

namespace {

// Tuesday 2024-01-02 03:04:05.006 UTC is Unix time 1704164645.006.
constexpr SYSTEMTIME kTuesday{2024, 1, 2, 2, 3, 4, 5, 6};
constexpr FILETIME kTuesdayTicks = 133486382450000000ULL + 60000ULL;

} // namespace

TEST(SystemTime, CountsTicksSince1601)
{
    FILETIME ticks = 0;
    ASSERT_TRUE(SystemTimeToFileTime(kTuesday, &ticks));
    EXPECT_EQ(ticks, kTuesdayTicks);
}

TEST(SystemTime, RefusesValuesOutsideTheFileTimeRange)
{
    FILETIME ticks = 7;
    EXPECT_FALSE(SystemTimeToFileTime(SYSTEMTIME{30828, 1, 0, 1, 0, 0, 0, 0}, &ticks));
    EXPECT_FALSE(SystemTimeToFileTime(SYSTEMTIME{1600, 12, 0, 31, 0, 0, 0, 0}, &ticks));
    EXPECT_FALSE(SystemTimeToFileTime(SYSTEMTIME{2024, 2, 0, 30, 0, 0, 0, 0}, &ticks));
    EXPECT_EQ(ticks, 7u);
}

TEST(SystemTime, SerialisesLittleEndianFieldByField)
{
    QByteArray bytes;
    AppendSystemTime(bytes, kTuesday);
    EXPECT_EQ(bytes.toHex(' '), "e8 07 01 00 02 00 02 00 03 00 04 00 05 00 06 00");
    EXPECT_EQ(SystemTimeFromBytes(bytes.constData()), kTuesday);
}

TEST(SystemTime, WeekDayCountsFromSunday)
{
    const SYSTEMTIME sunday = SystemTimeFromDateTime(QDateTime(QDate(2024, 3, 3), QTime(12, 0)));
    EXPECT_EQ(sunday.wDayOfWeek, 0);
}

TEST(SystemTime, LessOrEqualComparesFromTheYearDownAndIgnoresTheWeekDay)
{
    const auto at = [](uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t minute, uint16_t second,
                       uint16_t ms, uint16_t weekDay = 0) {
        SYSTEMTIME time;
        time.wYear = year;
        time.wMonth = month;
        time.wDay = day;
        time.wHour = hour;
        time.wMinute = minute;
        time.wSecond = second;
        time.wMilliseconds = ms;
        time.wDayOfWeek = weekDay;
        return time;
    };
    const SYSTEMTIME monday = at(2024, 3, 4, 8, 0, 0, 500, 1);
    const SYSTEMTIME sameAsFriday = at(2024, 3, 4, 8, 0, 0, 500, 5);
    EXPECT_TRUE(SystemTimeLessOrEqual(monday, monday));
    EXPECT_TRUE(SystemTimeLessOrEqual(monday, sameAsFriday));
    EXPECT_TRUE(SystemTimeLessOrEqual(sameAsFriday, monday));
    const SYSTEMTIME lastMs = at(2024, 3, 7, 23, 59, 59, 999);
    const SYSTEMTIME nextDay = at(2024, 3, 8, 0, 0, 0, 0);
    EXPECT_TRUE(SystemTimeLessOrEqual(lastMs, nextDay));
    EXPECT_FALSE(SystemTimeLessOrEqual(nextDay, lastMs));
    EXPECT_FALSE(SystemTimeLessOrEqual(at(2024, 3, 4, 8, 0, 0, 501), monday)) << "milliseconds decide last";
    EXPECT_TRUE(SystemTimeLessOrEqual(at(2023, 12, 31, 23, 59, 59, 999), at(2024, 1, 1, 0, 0, 0, 0)));
    EXPECT_FALSE(SystemTimeLessOrEqual(at(65535, 1, 1, 0, 0, 0, 0), at(2024, 1, 1, 0, 0, 0, 0))) << "unsigned";
}
