#include "ListFixtures.h"
#include "RowsFixture.h"

#include "app/VandrelCore.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/core/ListFiles.h"
#include "support/ProfileFixture.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QStringEncoder>

namespace {

class ListFilesTest : public RowsFixture
{
protected:
    static QString AutosavePath() { return DataFolder() + QStringLiteral("/DefaultDownloadList.vrl"); }

    CListFiles files{rows};
};

TEST_F(ListFilesTest, HandMadeListReadsAndWritesBackByteForByte)
{
    const ListFileResult read = files.ImportList(WriteTempFile(QStringLiteral("in.vrl"), kWorkedExample));
    ASSERT_TRUE(read.ok) << read.failure.toStdString();
    EXPECT_EQ(read.count, 1u);
    EXPECT_EQ(read.existing, 0u);
    ASSERT_EQ(rows.GetItemCount(), 1);
    const CDownloadItem& item = *rows.GetItem(0);
    EXPECT_TRUE(item.IsScheduled());
    EXPECT_FALSE(item.IsQueued());
    EXPECT_EQ(int32_t(item.m_pDownloader->m_nState), Completed);
    EXPECT_EQ(item.m_pDownloader->GetLocalFileName(), QStringLiteral("/tmp/dl/a.zip"));

    const QString out = TempPath(QStringLiteral("out.vrl"));
    const ListFileResult written = files.ExportList(out, true);
    ASSERT_TRUE(written.ok) << written.failure.toStdString();
    EXPECT_EQ(written.count, 1u);
    EXPECT_EQ(ReadFileBytes(out), kWorkedExample);
}

// A long list is written in pieces: none may be lost or written twice.
TEST_F(ListFilesTest, AListLargerThanOnePieceWritesAndReadsBackByteForByte)
{
    constexpr int kRows = 300; // each record over 4 KB with its description
    for (int row = 0; row < kRows; ++row) {
        AddUrlRows(rows, {QStringLiteral("http://h/%1.zip").arg(row)});
        rows.GetItem(row)->m_pDownloader->m_strDescription =
            QString(CHttpDownloader::kMaxStoredTextLength, QChar(u'\x4e00' + row));
    }
    const QString first = TempPath(QStringLiteral("first.vrl"));
    ASSERT_TRUE(files.ExportList(first, true).ok);
    const QByteArray written = ReadFileBytes(first);
    ASSERT_GT(written.size(), 1 << 20);

    TestRows other;
    CListFiles otherFiles(other);
    ASSERT_TRUE(otherFiles.ImportList(first).ok);
    ASSERT_EQ(other.GetItemCount(), kRows);
    const QString second = TempPath(QStringLiteral("second.vrl"));
    ASSERT_TRUE(otherFiles.ExportList(second, true).ok);
    EXPECT_EQ(ReadFileBytes(second), written);
}

TEST_F(ListFilesTest, HeaderIsCheckedExceptForTheReservedBytes)
{
    const QByteArray record = kWorkedExample.mid(12);
    const struct
    {
        const char* name;
        QByteArray bytes;
        bool valid;
    } cases[] = {
        {"reserved bytes set", QByteArray::fromHex("56524c460200ffff01000000") + record, true},
        {"version 3", QByteArray::fromHex("56524c460300000001000000") + record, false},
        {"wrong magic", QByteArray::fromHex("56524c580200000001000000") + record, false},
        {"11 bytes", QByteArray::fromHex("56524c4602000000010000"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestRows fresh;
        const ListFileResult result = CListFiles(fresh).ImportList(WriteTempFile(QStringLiteral("h.vrl"), c.bytes));
        EXPECT_EQ(result.ok, c.valid);
        EXPECT_EQ(result.failure, c.valid ? QString() : CListFiles::kInvalidFile);
        EXPECT_EQ(fresh.GetItemCount(), c.valid ? 1 : 0);
    }
}

TEST_F(ListFilesTest, AnUnreadableAutosaveIsCopiedAsideKeepingEarlierCopies)
{
    EXPECT_TRUE(files.LoadAutosave()) << "a first start: nothing there";
    EXPECT_EQ(rows.GetItemCount(), 0);
    EXPECT_FALSE(QFile::exists(AutosavePath()));

    QDir().mkpath(DataFolder());
    const QByteArray damaged = ListHeader(2) + CompletedRecord(QStringLiteral("http://h/1"), {}) + "\x05";
    for (const QString& copy : {QStringLiteral(".bad"), QStringLiteral(".bad.1")}) {
        QFile::remove(AutosavePath());
        QFile file(AutosavePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
        file.close();
        TestRows next;
        EXPECT_TRUE(CListFiles(next).LoadAutosave());
        EXPECT_EQ(RowUrls(next), QStringList{QStringLiteral("http://h/1")});
        EXPECT_EQ(ReadFileBytes(AutosavePath() + copy), damaged) << copy.toStdString();
    }
}

// Lists as other programs write them: a byte-order mark decides the encoding
// whatever the setting says; without one the setting does.
TEST_F(ListFilesTest, TextListsReadByTheirByteOrderMarkAndCountBlankDuplicateAndInvalidLinesNowhere)
{
    const QString text = QStringLiteral("http://h/new1\r\n\r\nnot a url\r\nhttp://h/dup\r\nhttp://h/new2\r\n");
    const auto encoded = [&text](QStringConverter::Encoding encoding, bool mark) {
        QStringEncoder encoder(encoding, mark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
        return QByteArray(encoder.encode(text));
    };
    const struct
    {
        const char* name;
        QByteArray bytes;
        bool unicode;
        bool used; // else one line, unusable
    } cases[] = {
        {"UTF-16LE mark, Unicode on", encoded(QStringConverter::Utf16LE, true), true, true},
        {"UTF-16LE mark, Unicode off", encoded(QStringConverter::Utf16LE, true), false, true},
        {"UTF-16BE mark, Unicode on", encoded(QStringConverter::Utf16BE, true), true, true},
        {"UTF-16BE mark, Unicode off", encoded(QStringConverter::Utf16BE, true), false, true},
        {"UTF-8 mark, Unicode on", encoded(QStringConverter::Utf8, true), true, true},
        {"UTF-8 mark, Unicode off", encoded(QStringConverter::Utf8, true), false, true},
        {"8-bit, Unicode off", encoded(QStringConverter::Utf8, false), false, true},
        // Read as UTF-16LE, an 8-bit file holds no line end: one line, unusable.
        {"8-bit, Unicode on", encoded(QStringConverter::Utf8, false), true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SettingStore(AppCore().m_settings.UnicodeImportExport, c.unicode ? 1 : 0);
        TestRows fresh;
        AddUrlRows(fresh, {QStringLiteral("http://h/dup")});
        const ListFileResult result = CListFiles(fresh).ImportTextList(WriteTempFile(QStringLiteral("list.txt"), c.bytes));
        EXPECT_TRUE(result.ok);
        const std::vector<uint32_t> counts = {result.count, result.existing, result.lines};
        EXPECT_EQ(counts, c.used ? (std::vector<uint32_t>{2, 1, 5}) : (std::vector<uint32_t>{0, 0, 1}));
        EXPECT_EQ(RowUrls(fresh), c.used ? QStringList({QStringLiteral("http://h/dup"), QStringLiteral("http://h/new1"),
                                                        QStringLiteral("http://h/new2")})
                                         : QStringList{QStringLiteral("http://h/dup")});
    }
}

TEST_F(ListFilesTest, TextImportSkipsALineTooLongForAListSoTheAutosaveKeepsTheOthers)
{
    SettingStore(AppCore().m_settings.UnicodeImportExport, 0);
    const QByteArray tooLong = "http://h/" + QByteArray(CHttpDownloader::kMaxStoredTextLength - 8, 'x');
    const QByteArray longest = "http://h/" + QByteArray(CHttpDownloader::kMaxStoredTextLength - 9, 'y');
    const ListFileResult result = files.ImportTextList(
        WriteTempFile(QStringLiteral("long.txt"), "http://h/a\r\n" + tooLong + "\r\n" + longest + "\r\n"));
    const std::vector<uint32_t> counts = {result.count, result.existing, result.lines};
    EXPECT_EQ(counts, (std::vector<uint32_t>{2, 0, 3}));
    ASSERT_EQ(RowUrls(rows).size(), 2);
    EXPECT_EQ(RowUrls(rows)[1].size(), CHttpDownloader::kMaxStoredTextLength);
    files.SaveAutosave();
    EXPECT_TRUE(ReadFileBytes(AutosavePath()).startsWith(QByteArray::fromHex("56524c460200000002000000")));
}

} // namespace
