#include "mainframe/core/TextUrlList.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

TEST(TextUrlListTest, EncodesBothEncodingsWithoutAByteOrderMark)
{
    const QStringList urls{QStringLiteral("http://h/1"), QStringLiteral("http://h/2")};
    EXPECT_EQ(CTextUrlList::Encode(urls, false), QByteArray("http://h/1\r\nhttp://h/2\r\n"));
    const QByteArray unicode = CTextUrlList::Encode(urls, true);
    EXPECT_EQ(unicode.size(), 44);
    EXPECT_EQ(unicode, QByteArray::fromHex("68007400740070003a002f002f0068002f0031000a00"
                                           "68007400740070003a002f002f0068002f0032000a00"));
}

TEST(TextUrlListTest, DecodesLinesAsTheyWereWritten)
{
    const auto utf16 = [](const QString& text) {
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    };
    const struct
    {
        const char* name;
        QByteArray bytes;
        bool unicode;
        QStringList lines;
    } cases[] = {
        {"8-bit CR LF, LF, empty line, no last end", "a\r\nb\n\r\nc", false, {"a", "b", "", "c"}},
        {"8-bit BOM skipped once", "\xEF\xBB\xBF\xEF\xBB\xBFx\r\n", false, {QString(QChar(0xFEFF)) + "x"}},
        {"8-bit UTF-8", "http://h/\xC3\xA4\r\n", false, {QStringLiteral("http://h/ä")}},
        {"8-bit lone CR at the end stays", "a\r", false, {"a\r"}},
        {"UTF-16 CR LF or LF ends", utf16(QStringLiteral("a\r\n\nb\r")), true, {"a", "", "b\r"}},
        {"UTF-16 BOM skipped", utf16(QStringLiteral("\uFEFFx\n")), true, {"x"}},
        {"empty file", "", true, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CTextUrlList::Decode(c.bytes, c.unicode), c.lines) << c.name;
}

} // namespace
