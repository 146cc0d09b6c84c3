#include "mainframe/WindowPlacement.h"

#include <gtest/gtest.h>

#include <limits>

TEST(WindowPlacement, TheRectangleFitsIntoTheWorkAreaOfTheScreenNearestToItsCorner)
{
    // Screen A at the left with a task bar 40 px high at its bottom; screen B beside it.
    const QList<ScreenArea> screens = {
        {QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040)},
        {QRect(1920, 0, 1280, 1024), QRect(1920, 0, 1280, 1024)},
    };
    const QRect fallback(510, 220, 900, 600);
    const int32_t maxInt = std::numeric_limits<int32_t>::max();
    const struct
    {
        WinRect stored;
        QRect expected;
    } cases[] = {
        {{100, 120, 900, 620}, QRect(100, 120, 800, 500)},
        {{1800, 900, 2600, 1500}, QRect(1120, 440, 800, 600)}, // corner in A: back inside A
        {{-300, -200, 500, 400}, QRect(0, 0, 800, 600)},       // nearest is A, overlap from 0,0
        {{50, 40, 2650, 1480}, QRect(0, 0, 1920, 1040)},       // from a larger scale: fits A
        {{2000, 10, 2400, 2000}, QRect(2000, 0, 400, 1024)},   // taller than B
        {{2000, 1030, 2400, 1400}, fallback},                  // B's work area ends at 1024
        {{100, 1050, 500, 1400}, fallback},                    // only A's task bar
        {{5000, 5000, 5800, 5600}, fallback},                  // nearest is B, no overlap
        {{900, 100, 100, 500}, fallback},                      // inverted: overlaps nothing
        {{100, 100, 100, 500}, fallback},                      // empty
        {{-maxInt, 0, maxInt, 500}, fallback},                 // wider than an int holds
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(testing::Message() << test.stored.left << "," << test.stored.top);
        EXPECT_EQ(ComputePlacement(test.stored, screens, fallback), test.expected);
    }
    EXPECT_EQ(ComputePlacement({0, 0, 10, 10}, {}, fallback), fallback);
}

TEST(WindowPlacement, TheStoredRectangleIsSixteenLittleEndianBytes)
{
    const QByteArray bytes = WinRectToBytes(WinRect::FromQRect(QRect(100, 120, 800, 500)));
    EXPECT_EQ(bytes.toHex(' '), QByteArray("64 00 00 00 78 00 00 00 84 03 00 00 6c 02 00 00"));
    EXPECT_EQ(WinRectFromBytes(bytes), (WinRect{100, 120, 900, 620}));
    EXPECT_EQ(WinRectFromBytes(WinRectToBytes({-1, -2, 3, 4})), (WinRect{-1, -2, 3, 4}));
    EXPECT_FALSE(WinRectFromBytes(bytes.left(15)));
    EXPECT_FALSE(WinRectFromBytes(bytes + '\0'));
}

TEST(WindowPlacement, TheDefaultIsNineHundredBySixHundredCentred)
{
    EXPECT_EQ(DefaultWindowGeometry(QRect(0, 0, 1920, 1040)), QRect(510, 220, 900, 600));
}

TEST(WindowPlacement, AWindowIsFittedWithItsFrameIntoTheArea)
{
    const QRect area(0, 0, 1600, 1000);
    const QMargins frame(4, 30, 4, 4); // a title bar on top
    const struct
    {
        QRect window;
        QRect expected;
    } cases[] = {
        {QRect(100, 100, 800, 600), QRect(100, 100, 800, 600)},
        {QRect(0, 0, 2600, 1440), QRect(4, 30, 1592, 966)}, // from twice the scale
        {QRect(1000, 700, 800, 600), QRect(796, 396, 800, 600)},
        {QRect(100, 10, 800, 600), QRect(100, 30, 800, 600)}, // the title bar back on the screen
        {QRect(-900, -900, 300, 200), QRect(4, 30, 300, 200)},
    };
    for (const auto& test : cases)
        EXPECT_EQ(FitIntoArea(test.window, area, frame), test.expected) << test.window.x() << "," << test.window.y();
}
