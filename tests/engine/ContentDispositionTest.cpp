#include "engine/ContentDisposition.h"

#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

TEST(ContentDisposition, OffersFilenameStarFirstAndFilenameBehindIt)
{
    const std::pair<QString, QStringList> cases[] = {
        {"attachment; filename*=UTF-8''%E4%B8%AD%E6%96%87.bin", {"中文.bin"}},
        {"inline; filename=\"??.bin\"; filename*=UTF-8''%E4%B8%AD%E6%96%87.bin", {"中文.bin", "??.bin"}},
        {"attachment; FILENAME*=utf-8'zh-CN'a%20b.pdf", {"a b.pdf"}},
        {"attachment; filename* = iso-8859-1'en'r%E9sum%E9.pdf", {"résumé.pdf"}},
        {"attachment;filename*=UTF-8''it's(1)!.txt", {"it's(1)!.txt"}},
        {"attachment; filename*=UTF-8''a%2Fb%00c", {QString::fromUtf16(u"a/b\0c", 5)}},
        {"attachment; filename=\"report.pdf\"", {"report.pdf"}},
        // A quoted string is no place for another parameter.
        {"attachment; filename=\"a; filename*=UTF-8''evil.sh\"", {"a; filename*=UTF-8''evil.sh"}},
        {"attachment; filename=\"a\\\"; b\"; filename*=UTF-8''c.bin", {"c.bin", "a\\"}},
        {"attachment; filename=report.pdf", {}},
        {"attachment", {}},
        {"", {}},
    };
    for (const auto& [header, names] : cases) {
        SCOPED_TRACE(header.toStdString());
        EXPECT_EQ(DispositionFileNames(header), names);
    }
}

TEST(ContentDisposition, AMalformedFilenameStarIsLeftOut)
{
    const QString values[] = {
        "UTF-8''%E4%B8",        // cut in the middle of a character
        "UTF-8''%FF.bin",       // no UTF-8
        "UTF-8''%4.bin",        // no escape
        "UTF-8''中文.bin",      // not ASCII
        "UTF-8''a b.bin",       // not a token
        "\"UTF-8''a.bin\"",     // quoted
        "UTF-8'a.bin",          // one quote
        "a.bin",
        "Shift_JIS''a.bin",     // a charset not taken
        "''a.bin",
        "UTF-8''",
    };
    for (const QString& value : values) {
        SCOPED_TRACE(value.toStdString());
        EXPECT_EQ(DispositionFileNames(u"attachment; filename*="_qs + value + u"; filename=\"x.bin\""_qs),
                  QStringList{"x.bin"});
    }
}
