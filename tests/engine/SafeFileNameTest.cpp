#include "engine/SafeFileName.h"

#include "engine/OwnFiles.h"
#include "support/QStringPrinter.h"

#include <QFileInfo>

#include <gtest/gtest.h>

TEST(SafeFileName, ReplacesTrimsAndAvoidsDeviceNames)
{
    const std::pair<QString, QString> cases[] = {
        {u"my:file"_qs, u"my_file"_qs},
        {u"  a.bin"_qs, u"a.bin"_qs},
        {u"a b.bin  "_qs, u"a b.bin"_qs},
        {u"b."_qs, u"b"_qs},
        {u"..."_qs, QString()},
        {u"."_qs, QString()},
        {u".."_qs, QString()},
        {QString(), QString()},
        {u"a<b>c|d"_qs, u"a_b_c_d"_qs},
        {u"q\"u*o?t\\e"_qs, u"q_u_o_t_e"_qs},
        {u"a%20b.zip"_qs, u"a%20b.zip"_qs},
        // An underscore of the source ends a name; a replacement does not.
        {u"name_"_qs, u"name_"_qs},
        {u"name*"_qs, u"name"_qs},
        {u"name .*"_qs, u"name"_qs},
        {QString::fromUtf16(u"a\0b\tc\x1f", 6), u"a_b_c"_qs},
        {QString(QChar(0xD800)) + u"x"_qs, u"_x"_qs},
        // Never anywhere but in the download folder.
        {u"../../.bashrc"_qs, u".._.._.bashrc"_qs},
        {u"..\\..\\evil.sh"_qs, u".._.._evil.sh"_qs},
        {u"/etc/passwd"_qs, u"_etc_passwd"_qs},
        {u".profile"_qs, u".profile"_qs},
        {u"aux"_qs, u"au_"_qs},
        {u"Nul"_qs, u"Nu_"_qs},
        {u"con"_qs, u"co_"_qs},
        {u"PRN"_qs, u"PR_"_qs},
        {u"com1"_qs, u"com_"_qs},
        {u"LPT9"_qs, u"LPT_"_qs},
        {u"CON.txt"_qs, u"CON.txt"_qs},
        {u"COM0"_qs, u"COM0"_qs},
        {u"com10"_qs, u"com10"_qs},
        {u"aux."_qs, u"au_"_qs},
        {u"报告 2024.pdf"_qs, u"报告 2024.pdf"_qs},
    };
    for (const auto& [source, expected] : cases)
        EXPECT_EQ(SafeFileName(source), expected) << source.toStdString();
}

// Linux names hold 255 bytes of UTF-8, and the partial file adds its suffixes.
TEST(SafeFileName, FitsInTheByteBudgetWithoutSplittingACharacter)
{
    const QString a230(kMaxSafeFileNameBytes, u'a');
    const QString emoji = u"😀"_qs; // 4 bytes, two units
    const std::pair<QString, QString> cases[] = {
        {QString(300, u'a'), a230},
        {a230 + u"b"_qs, a230},
        {a230.first(229) + u"é"_qs, a230.first(229)},
        {a230.first(228) + u"é"_qs, a230.first(228) + u"é"_qs},
        {QString(80, u'中'), QString(76, u'中')},
        {emoji.repeated(58), emoji.repeated(57)},
        // What the cut leaves at the end is trimmed again; 20 bytes are no extension.
        {a230.first(228) + u" ."_qs + QString(20, u'b'), a230.first(228)},
        // Leading spaces cost nothing, but only the first 260 units are looked at.
        {QString(250, u' ') + u"abcdefghijKLMN"_qs, u"abcdefghij"_qs},
        {QString(259, u' ') + emoji, QString()},
    };
    for (const auto& [source, expected] : cases) {
        SCOPED_TRACE(source.size());
        const QString name = SafeFileName(source);
        EXPECT_EQ(name, expected);
        EXPECT_LE(name.toUtf8().size(), kMaxSafeFileNameBytes);
    }
}

// The desktop knows a file's type by its extension, so a long name is shortened
// before it; the partial file and every counted name still fit in 255 bytes.
TEST(SafeFileName, ShortensALongNameBeforeItsExtension)
{
    const QString wen(1, u'文');
    const QString emoji = u"😀"_qs;
    const QString a = u"a"_qs;
    const std::pair<QString, QString> cases[] = {
        {a.repeated(250) + u".bin"_qs, a.repeated(226) + u".bin"_qs},
        {wen.repeated(80) + u".zip"_qs, wen.repeated(75) + u".zip"_qs},
        {emoji.repeated(57) + u".pdf"_qs, emoji.repeated(56) + u".pdf"_qs},
        {a.repeated(250) + u".tar.gz"_qs, a.repeated(223) + u".tar.gz"_qs},
        {a.repeated(250) + u".TAR.xz"_qs, a.repeated(223) + u".TAR.xz"_qs},
        {a.repeated(240) + u"."_qs + QString(16, u'e'), a.repeated(213) + u"."_qs + QString(16, u'e')},
        // The shortened part is trimmed behind its cut.
        {a.repeated(225) + u" bbbb.bin"_qs, a.repeated(225) + u".bin"_qs},
        {a.repeated(224) + u"..bb.bin"_qs, a.repeated(224) + u".bin"_qs},
        // Not an extension: too long, or nothing before the dot.
        {a.repeated(220) + u"."_qs + QString(17, u'e'), a.repeated(220) + u"."_qs + QString(9, u'e')},
        {u"."_qs + a.repeated(250), u"."_qs + a.repeated(229)},
        // The extension is the whole name's, however long the source.
        {u"%E6%8A%A5%E5%91%8A"_qs.repeated(38) + u".tar.gz"_qs, u"%E6%8A%A5%E5%91%8A"_qs.repeated(12)
             + u"%E6%8A%"_qs + u".tar.gz"_qs},
        {QString(300, u' ') + u"abc.bin"_qs, u"abc.bin"_qs},
        {wen.repeated(300) + u".pdf"_qs, wen.repeated(75) + u".pdf"_qs},
    };
    for (const auto& [source, expected] : cases) {
        SCOPED_TRACE(source.toStdString());
        const QString name = SafeFileName(source);
        EXPECT_EQ(name, expected);
        for (const QString& path : {PartialFilePath(u"/d"_qs, name, UINT32_MAX),
                                    FinalFilePath(u"/d"_qs, name, UINT32_MAX)})
            EXPECT_LE(QFileInfo(path).fileName().toUtf8().size(), 255);
    }
}

// A name from a list keeps its files' names unless it could lead out of its folder.
TEST(SafeFileName, StoredNamesAreKeptUnlessTheyLeaveTheFolder)
{
    const std::pair<QString, QString> cases[] = {
        {u"report.pdf"_qs, u"report.pdf"_qs},
        {u"con"_qs, u"con"_qs},
        {u"a*b "_qs, u"a*b "_qs},
        {u"..a"_qs, u"..a"_qs},
        {QString(300, u'a'), QString(300, u'a')},
        {QString(), QString()},
        {u"../../escape.bin"_qs, u".._.._escape.bin"_qs},
        {u"..\\escape.bin"_qs, u".._escape.bin"_qs},
        {u"/etc/passwd"_qs, u"_etc_passwd"_qs},
        {u"sub/a.bin"_qs, u"sub_a.bin"_qs},
        {u".."_qs, QString()},
        {u"."_qs, QString()},
    };
    for (const auto& [stored, expected] : cases)
        EXPECT_EQ(SafeStoredFileName(stored), expected) << stored.toStdString();
}
