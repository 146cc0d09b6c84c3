#include "engine/ContentLength.h"

#include <gtest/gtest.h>

#include <QString>

TEST(ContentLength, PlainDecimalNumbersCount)
{
    const std::pair<QString, uint64_t> cases[] = {
        {"0", 0},
        {"123456", 123456},
        {" 42\t", 42},
        {"0012", 12},
        {"9223372036854775807", 9223372036854775807ULL},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text.toStdString());
        uint64_t length = 7;
        ASSERT_TRUE(ParseContentLength(text, length));
        EXPECT_EQ(length, expected);
    }
}

TEST(ContentLength, AnythingElseIsNoSize)
{
    const QString cases[] = {
        "", " ", "-5", "-0", "+5", "12abc", "1 2", "0x10", "1e3", "5.0",
        "9223372036854775808", "18446744073709551615", "99999999999999999999",
        "\uff11\uff12", // full-width digits
    };
    for (const QString& text : cases) {
        SCOPED_TRACE(text.toStdString());
        uint64_t length = 7;
        EXPECT_FALSE(ParseContentLength(text, length));
        EXPECT_EQ(length, 7u);
    }
}
