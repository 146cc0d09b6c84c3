#include "platform/MessageFormat.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

struct FormatCase
{
    const char* pattern;
    QString expected;
    QString actual;
};

} // namespace

TEST(MessageFormat, FillsPositionalInserts)
{
    const QString size = QStringLiteral("1.43 MB");
    const FormatCase cases[] = {
        {"状态代码：%1!u!", u"状态代码：404"_s, FormatString(u"状态代码：%1!u!"_s, 404u)},
        {"%1!u! of int -1", u"4294967295 of int -1"_s, FormatString(u"%1!u! of int -1"_s, -1)},
        {"%1!d! and %2!d!", u"-5 and 7"_s, FormatString(u"%1!d! and %2!d!"_s, -5, 7)},
        {"%1!d! of 2^32-1", u"-1 of 2^32-1"_s, FormatString(u"%1!d! of 2^32-1"_s, 0xFFFFFFFFu)},
        {"%1!I64u!", u"18446744073709551615"_s, FormatString(u"%1!I64u!"_s, UINT64_MAX)},
        {"%1!u! of 2^32", u"0"_s, FormatString(u"%1!u!"_s, uint64_t(1) << 32)},
        {"%2 before %1", u"自 2024/3/5 使用以来共计 1.43 MB"_s,
         FormatString(u"自 %2!s! 使用以来共计 %1!s!"_s, size, u"2024/3/5"_s)},
        {"month/day/year", u"3/5/2024"_s, FormatString(u"%1!u!/%2!u!/%3!u!"_s, 3, 5, 2024)},
        {"bare %1", u"a-b-a"_s, FormatString(u"%1-%2-%1"_s, u"a"_s, u"b"_s)},
        {"%1!s! of a signed number", u"-3"_s, FormatString(u"%1!s!"_s, -3)},
        {"%% is a percent sign", u"50% %1"_s, FormatString(u"%1%% %%1"_s, 50)},
        {"insert text holding %1", u"%1!u!"_s, FormatString(u"%1!s!"_s, u"%1!u!"_s)},
        {"empty text insert", u"[]"_s, FormatString(u"[%1!s!]"_s, QString())},
        {"missing insert stays", u"a %2!u! b"_s, FormatString(u"a %2!u! b"_s, 1)},
        {"unknown conversion stays", u"%1!x!"_s, FormatString(u"%1!x!"_s, 1)},
        {"unclosed conversion stays", u"%1!u"_s, FormatString(u"%1!u"_s, 1)},
        {"%0 and trailing %", u"%0 %"_s, FormatString(u"%0 %"_s, 1)},
        {"two-digit index", u"k0"_s, FormatString(u"%11%10"_s, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0, u"k"_s)},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(c.actual, c.expected) << c.pattern;
}
