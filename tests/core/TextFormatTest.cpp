#include "app/TextFormat.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

constexpr uint64_t KiB = uint64_t(1) << 10;
constexpr uint64_t MiB = uint64_t(1) << 20;
constexpr uint64_t GiB = uint64_t(1) << 30;
constexpr uint64_t TiB = uint64_t(1) << 40;

} // namespace

TEST(TextFormat, FormatByteSize)
{
    struct Case
    {
        uint64_t bytes;
        QString plain, forced; // without and with forced decimals
    };
    const Case cases[] = {
        {0, u"0 B"_s, u"0 B"_s},
        {1000, u"1,000 B"_s, u"1,000 B"_s},
        {1023, u"1,023 B"_s, u"1,023 B"_s},
        {KiB, u"1 KB"_s, u"1.00 KB"_s},
        {1536, u"1.50 KB"_s, u"1.50 KB"_s},
        {KiB + 10, u"1 KB"_s, u"1.00 KB"_s}, // 1.0098: truncated, not rounded
        {MiB - 1, u"1,023.99 KB"_s, u"1,023.99 KB"_s},
        {MiB, u"1 MB"_s, u"1.00 MB"_s},
        {1500000, u"1.43 MB"_s, u"1.43 MB"_s},
        {GiB - 1, u"1,023.99 MB"_s, u"1,023.99 MB"_s},
        {GiB, u"1 GB"_s, u"1.00 GB"_s},
        {TiB - 1, u"1,023.99 GB"_s, u"1,023.99 GB"_s},
        {TiB, u"1 TB"_s, u"1.00 TB"_s},
        {5 * TiB + TiB / 2, u"5.50 TB"_s, u"5.50 TB"_s},
        {(uint64_t(3) << 59), u"1,572,864 TB"_s, u"1,572,864.00 TB"_s}, // 1.5 * 2^60
        {UINT64_MAX, u"16,777,215.99 TB"_s, u"16,777,215.99 TB"_s},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatByteSize(c.bytes, false), c.plain) << c.bytes;
        EXPECT_EQ(FormatByteSize(c.bytes, true), c.forced) << c.bytes;
    }
}

TEST(TextFormat, FormatThousands)
{
    const std::pair<uint64_t, QString> cases[] = {
        {0, u"0"_s},
        {999, u"999"_s},
        {1000, u"1,000"_s},
        {100000, u"100,000"_s},
        {1234567, u"1,234,567"_s},
        {UINT64_MAX, u"18,446,744,073,709,551,615"_s},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(FormatThousands(value), text) << value;
}

TEST(TextFormat, ExpandCounterPattern)
{
    struct Case
    {
        QString pattern;
        uint32_t counter;
        QString expected;
    };
    const Case cases[] = {
        {u"file$$$.zip"_s, 7, u"file007.zip"_s},
        {u"a$b$$"_s, 7, u"a7b07"_s},
        {u"x$$.bin"_s, 1234, u"x1234.bin"_s},
        {u"$"_s, 123, u"123"_s},
        {u"$$$$$$$$$$$$"_s, 5, u"000000000005"_s},
        {u"abc"_s, 9, u"abc"_s},
        {QString(), 5, QString()},
        {u"v$$"_s, UINT32_MAX, u"v4294967295"_s},
        {u"p$"_s, 0, u"p0"_s},
        {u"下载$$/𝄞$"_s, 3, u"下载03/𝄞3"_s},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandCounterPattern(c.pattern, c.counter), c.expected) << c.pattern.toStdString();
}
