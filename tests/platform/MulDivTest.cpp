#include "platform/MulDiv.h"

#include <gtest/gtest.h>

#include <climits>

TEST(MulDiv, RoundsHalfAwayFromZero)
{
    struct Case
    {
        int number, numerator, denominator, expected;
    };
    const Case cases[] = {
        {8, 96, 72, 11},    // 10.67
        {9, 96, 72, 12},
        {10, 96, 72, 13},   // 13.33
        {3, 1, 2, 2},       // 1.5
        {-3, 1, 2, -2},     // -1.5
        {3, -1, 2, -2},
        {3, 1, -2, -2},
        {-3, -1, -2, -2},
        {5, 1, 2, 3},
        {1, 1, 3, 0},       // 0.33
        {2, 1, 3, 1},       // 0.67
        {-2, 1, 3, -1},
        {0, 5, -7, 0},
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX}, // the product needs 62 bits
        {INT_MIN, 1, 1, INT_MIN},
        {INT_MIN, -1, 2, 1073741824},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.expected)
            << c.number << " * " << c.numerator << " / " << c.denominator;
}

TEST(MulDiv, FailsWithMinusOne)
{
    EXPECT_EQ(MulDiv(5, 3, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
    EXPECT_EQ(MulDiv(INT_MIN, -1, 1), -1);
}
