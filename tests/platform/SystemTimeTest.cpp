#include "platform/SystemTime.h"

#include <gtest/gtest.h>

namespace {

// Tuesday 2024-01-02 03:04:05.006 UTC is Unix time 1704164645.006.
constexpr SYSTEMTIME kTuesday{2024, 1, 2, 2, 3, 4, 5, 6};
constexpr FILETIME kTuesdayTicks = 133486382450000000ULL + 60000ULL;

} // namespace

TEST(SystemTime, ConvertsBothWays)
{
    FILETIME ticks = 0;
    ASSERT_TRUE(SystemTimeToFileTime(kTuesday, &ticks));
    EXPECT_EQ(ticks, kTuesdayTicks);
    SYSTEMTIME back;
    ASSERT_TRUE(FileTimeToSystemTime(kTuesdayTicks, &back));
    EXPECT_EQ(back, kTuesday);
}

TEST(SystemTime, RefusesValuesOutsideTheFileTimeRange)
{
    FILETIME ticks = 7;
    EXPECT_FALSE(SystemTimeToFileTime(SYSTEMTIME{30828, 1, 0, 1, 0, 0, 0, 0}, &ticks));
    EXPECT_FALSE(SystemTimeToFileTime(SYSTEMTIME{1600, 12, 0, 31, 0, 0, 0, 0}, &ticks));
    EXPECT_FALSE(SystemTimeToFileTime(SYSTEMTIME{2024, 2, 0, 30, 0, 0, 0, 0}, &ticks));
    EXPECT_EQ(ticks, 7u);
    SYSTEMTIME time;
    EXPECT_FALSE(FileTimeToSystemTime(FILETIME(1) << 63, &time));
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
