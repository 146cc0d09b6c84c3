#include "UiFixture.h"

#include "app/VandrelCore.h"
#include "engine/DownloadItem.h"
#include "engine/DownloadStub.h"
#include "engine/HttpDownloader.h"
#include "app/gui/QtPrompts.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "mainframe/StatusBarEx.h"
#include "mainframe/TextUrlList.h"
#include "platform/BinaryWriter.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

namespace {

// One scheduled Completed download, byte for byte as a list file holds it.
const QByteArray kWorkedExample = QByteArray::fromHex(
    "56524c460200000001000000010000000e000000e8070300040007000e000500"
    "09007b00000000000000000000000000000000000e0000006800740074007000"
    "3a002f002f0068002f0061002e007a00690070000e0000006800740074007000"
    "3a002f002f0068002f0061002e007a0069007000000000000000000005000000"
    "61002e007a0069007000070000002f0074006d0070002f0064006c000d000000"
    "2f0074006d0070002f0064006c002f0061002e007a0069007000000000000000"
    "0000000000000000000001000000e80300000000000001000000f0e0d0c0b070"
    "da0180f0fa0200000000");

// A Completed record with its scheduled flag, field by field.
QByteArray CompletedRecord(const QString& url, const QString& localFile)
{
    BinaryWriter record;
    record.writeUInt32(0);
    record.writeInt32(Completed);
    record.writeSystemTime(SYSTEMTIME{2024, 3, 4, 7, 14, 5, 9, 123});
    record.writeSystemTime(SYSTEMTIME{});
    const QString folder = QStringLiteral("/tmp/dl");
    for (const QString& text : {url, url, QString(), QString(), QStringLiteral("f"), folder, localFile})
        record.writeString(text);
    record.writeInt32(0);
    record.writeInt32(0);
    record.writeString({});
    record.writeString({});
    record.writeInt32(1);
    record.writeUInt64(1000);
    record.writeInt32(1);
    record.writeUInt64(0);
    record.writeUInt64(0);
    return record.data();
}

QByteArray ListHeader(uint32_t count)
{
    BinaryWriter header;
    header.writeBytes("VRLF");
    header.writeUInt16(2);
    header.writeUInt16(0);
    header.writeUInt32(count);
    return header.data();
}

// The prompt double, answering the file dialogs from a script too.
class FilePrompts : public ScriptedPrompts
{
public:
    FileDialogResult FileDialog(const FileDialogSpec& spec) override
    {
        specs.append(spec);
        if (realFileDialog)
            return CQtPrompts().FileDialog(spec);
        return files.isEmpty() ? FileDialogResult{} : files.takeFirst();
    }

    bool realFileDialog = false; // the toolkit's dialog, answered by the test

    QList<FileDialogResult> files;
    QList<FileDialogSpec> specs;
};

constexpr int kTextFilter = 1;
constexpr int kListFilter = 2;

class ListFilesTest : public UiFixture
{
protected:
    ListFilesTest() : frame(NewFrame()) {}
    ~ListFilesTest() override { delete frame; }

    static CMainFrame* NewFrame()
    {
        auto* created = new CMainFrame;
        created->Create();
        return created;
    }

    static QString TempPath(const QString& name) { return TestEnvironment::root() + u'/' + name; }
    static QString AutosavePath() { return DataFolder() + QStringLiteral("/DefaultDownloadList.vrl"); }

    static QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = TempPath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }

    static QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Runs a file command with the dialog answered by that path and filter.
    void RunFileCommand(int command, const QString& path, int filter = kListFilter)
    {
        prompts.files.append({true, path, filter});
        ASSERT_TRUE(frame->Commands().Dispatch(command));
    }

    void AddRows(const QStringList& urls)
    {
        for (const QString& url : urls) {
            auto* item = new CDownloadItem;
            item->m_pDownloader = new CHttpDownloader(url, TestEnvironment::root(), item);
            frame->View()->AddItem(item);
        }
    }

    QStringList Urls(const CMainFrame& from) const
    {
        QStringList urls;
        for (int row = 0; row < from.View()->GetItemCount(); ++row)
            urls.append(from.View()->GetItem(row)->m_pDownloader->m_strUrl);
        return urls;
    }

    QString LastText() const { return prompts.boxes.isEmpty() ? QString() : prompts.boxes.last().text; }
    unsigned LastIcon() const { return prompts.boxes.isEmpty() ? 0 : prompts.boxes.last().flags & MB_ICONMASK; }

    FilePrompts prompts;
    CMainFrame* frame;
};

TEST_F(ListFilesTest, HandMadeListImportsAndExportsBackByteForByte)
{
    ASSERT_TRUE(frame->ImportList(WriteFile(QStringLiteral("in.vrl"), kWorkedExample), false));
    EXPECT_EQ(LastText(), QStringLiteral("1 项目成功导入。0 项目存在。"));
    EXPECT_EQ(LastIcon(), MB_ICONINFORMATION);
    ASSERT_EQ(frame->View()->GetItemCount(), 1);
    const CDownloadItem& item = *frame->View()->GetItem(0);
    EXPECT_TRUE(item.IsScheduled());
    EXPECT_FALSE(item.IsQueued());
    EXPECT_EQ(int32_t(item.m_pDownloader->m_nState), Completed);
    EXPECT_EQ(item.m_pDownloader->GetLocalFileName(), QStringLiteral("/tmp/dl/a.zip"));

    const QString out = TempPath(QStringLiteral("out.vrl"));
    ASSERT_TRUE(frame->ExportList(out, false, true));
    EXPECT_EQ(LastText(), QStringLiteral("1 项目成功导出。"));
    EXPECT_EQ(ReadFile(out), kWorkedExample);
}

// A long list is written in pieces: none may be lost or written twice.
TEST_F(ListFilesTest, AListLargerThanOnePieceExportsAndImportsBackByteForByte)
{
    constexpr int kRows = 300; // each record over 4 KB with its description
    for (int row = 0; row < kRows; ++row) {
        CDownloadItem& item = *AddRow(*frame, false);
        item.m_pDownloader->m_strUrl = QStringLiteral("http://h/%1.zip").arg(row);
        item.m_pDownloader->m_strDescription = QString(CHttpDownloader::kMaxStoredTextLength, QChar(u'\x4e00' + row));
    }
    const QString first = TempPath(QStringLiteral("first.vrl"));
    ASSERT_TRUE(frame->ExportList(first, true, true));
    const QByteArray written = ReadFile(first);
    ASSERT_GT(written.size(), 1 << 20);

    CMainFrame* other = NewFrame();
    ASSERT_TRUE(other->ImportList(first, true));
    ASSERT_EQ(other->View()->GetItemCount(), kRows);
    const QString second = TempPath(QStringLiteral("second.vrl"));
    ASSERT_TRUE(other->ExportList(second, true, true));
    EXPECT_EQ(ReadFile(second), written);
    delete other;
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
        EXPECT_EQ(frame->ImportList(WriteFile(QStringLiteral("h.vrl"), c.bytes), false), c.valid);
        EXPECT_EQ(frame->View()->GetItemCount(), c.valid ? 1 : 0);
        EXPECT_EQ(LastText(), c.valid ? QStringLiteral("1 项目成功导入。0 项目存在。")
                                      : QStringLiteral("无法读取下载列表。\nInvalid file."));
        EXPECT_EQ(LastIcon(), c.valid ? MB_ICONINFORMATION : MB_ICONERROR);
        if (c.valid)
            frame->View()->RemoveItem(0, false);
    }
}

TEST_F(ListFilesTest, ListCutShortKeepsTheRowsReadReportsTheReasonAndIsNotAutosaved)
{
    const QString path = WriteFile(QStringLiteral("short.vrl"),
                                   ListHeader(3) + CompletedRecord(QStringLiteral("http://h/1"), {})
                                       + CompletedRecord(QStringLiteral("http://h/2"), {}));
    RunFileCommand(ID_FILE_IMPORT, path);
    EXPECT_EQ(Urls(*frame), (QStringList{QStringLiteral("http://h/1"), QStringLiteral("http://h/2")}));
    EXPECT_TRUE(LastText().startsWith(QStringLiteral("无法读取下载列表。\n")));
    EXPECT_GT(LastText().size(), QStringLiteral("无法读取下载列表。\n").size());
    EXPECT_EQ(LastIcon(), MB_ICONERROR);
    EXPECT_FALSE(QFile::exists(AutosavePath()));
}

TEST_F(ListFilesTest, DuplicatesByUrlOrFileIgnoringCaseCountAsExisting)
{
    AddRows({QStringLiteral("http://h/1")});
    frame->View()->GetItem(0)->m_pDownloader->SetLocalFileName(QStringLiteral("/tmp/dl/Same.bin"));
    const QString path = WriteFile(QStringLiteral("dup.vrl"),
                                   ListHeader(3) + CompletedRecord(QStringLiteral("HTTP://H/1"), {})
                                       + CompletedRecord(QStringLiteral("http://h/other"),
                                                         QStringLiteral("/TMP/dl/same.bin"))
                                       + CompletedRecord(QStringLiteral("http://h/new"), {}));
    ASSERT_TRUE(frame->ImportList(path, false));
    EXPECT_EQ(LastText(), QStringLiteral("1 项目成功导入。2 项目存在。"));
    ASSERT_TRUE(frame->ImportList(path, false));
    EXPECT_EQ(LastText(), QStringLiteral("0 项目成功导入。3 项目存在。"));
    EXPECT_EQ(Urls(*frame), (QStringList{QStringLiteral("http://h/1"), QStringLiteral("http://h/new")}));
}

TEST_F(ListFilesTest, ExportSelectedWritesTheSelectedRowsInViewOrder)
{
    AddRows({QStringLiteral("http://h/0"), QStringLiteral("http://h/1"), QStringLiteral("http://h/2"),
             QStringLiteral("http://h/3"), QStringLiteral("http://h/4")});
    QItemSelectionModel* selection = frame->View()->selectionModel();
    for (int row : {4, 1, 2})
        selection->select(frame->View()->model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QString path = TempPath(QStringLiteral("sel.vrl"));
    RunFileCommand(ID_FILE_EXPORT_SELECTED, path);

    ASSERT_EQ(prompts.specs.size(), 1);
    const FileDialogSpec& spec = prompts.specs[0];
    EXPECT_TRUE(spec.save);
    EXPECT_EQ(spec.filter, QStringLiteral("Plain text file (*.txt)|*.txt|Vandrel downloads list (*.vrl)|*.vrl||"));
    EXPECT_EQ(spec.defaultExtension, QStringLiteral("vrl"));
    EXPECT_EQ(spec.flags & OFN_OVERWRITEPROMPT, 0u);
    EXPECT_EQ(LastText(), QStringLiteral("3 项目成功导出。"));
    EXPECT_EQ(LastIcon(), MB_ICONINFORMATION);
    EXPECT_TRUE(ReadFile(path).startsWith(QByteArray::fromHex("56524c460200000003000000")));

    CMainFrame* other = NewFrame();
    EXPECT_TRUE(other->ImportList(path, true));
    EXPECT_EQ(Urls(*other), (QStringList{QStringLiteral("http://h/1"), QStringLiteral("http://h/2"),
                                         QStringLiteral("http://h/4")}));
    delete other;
}

TEST_F(ListFilesTest, ImportAutosavesAnOwnerOnlyListThatTheNextStartLoadsSilently)
{
    RunFileCommand(ID_FILE_IMPORT, WriteFile(QStringLiteral("in.vrl"), kWorkedExample));
    EXPECT_EQ(ReadFile(AutosavePath()), kWorkedExample);
    struct stat info = {};
    ASSERT_EQ(stat(QFile::encodeName(AutosavePath()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const qsizetype boxes = prompts.boxes.size();
    CMainFrame* next = NewFrame();
    next->LoadDownloadList();
    EXPECT_EQ(Urls(*next), QStringList{QStringLiteral("http://h/a.zip")});
    EXPECT_EQ(prompts.boxes.size(), boxes);
    delete next;
}

TEST_F(ListFilesTest, StartupLoadCopiesAnUnreadableListAsideAndKeepsEarlierCopies)
{
    frame->LoadDownloadList(); // first start: nothing there
    EXPECT_EQ(frame->View()->GetItemCount(), 0);
    EXPECT_FALSE(QFile::exists(AutosavePath()));

    QDir().mkpath(DataFolder());
    const QByteArray damaged = ListHeader(2) + CompletedRecord(QStringLiteral("http://h/1"), {}) + "\x05";
    for (const QString& copy : {QStringLiteral(".bad"), QStringLiteral(".bad.1")}) {
        QFile::remove(AutosavePath());
        QFile file(AutosavePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
        file.close();
        CMainFrame* next = NewFrame();
        next->LoadDownloadList();
        EXPECT_EQ(Urls(*next), QStringList{QStringLiteral("http://h/1")});
        EXPECT_EQ(ReadFile(AutosavePath() + copy), damaged) << copy.toStdString();
        delete next;
    }
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

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

TEST_F(ListFilesTest, TextImportTakesEveryParsingLineIntoTheDefaultFolderAndAutosaves)
{
    SettingStore(AppCore().m_settings.UnicodeImportExport, 0);
    const QString path = WriteFile(QStringLiteral("urls.txt"),
                                   "http://h/a.zip\r\n\r\nnot a url\r\nftp://h/b\r\nhttp://h/a.zip\r\n");
    RunFileCommand(ID_FILE_IMPORT, path, kTextFilter);
    EXPECT_EQ(LastText(), QStringLiteral("2 项目成功导入。1 项目存在。"));
    EXPECT_EQ(LastIcon(), MB_ICONINFORMATION);
    EXPECT_EQ(Urls(*frame), (QStringList{QStringLiteral("http://h/a.zip"), QStringLiteral("ftp://h/b")}));
    EXPECT_EQ(frame->View()->GetItem(1)->m_pDownloader->m_strDownloadLocation,
              AppCore().m_settings.DefaultDownloadLocation);
    EXPECT_FALSE(frame->View()->GetItem(1)->IsScheduled());
    EXPECT_TRUE(ReadFile(AutosavePath()).startsWith(QByteArray::fromHex("56524c460200000002000000")));
}

// Lists as other programs write them: a byte-order mark decides the encoding
// whatever the setting says; without one the setting does.
TEST_F(ListFilesTest, TextListsImportByTheirByteOrderMarkAndCountBlankDuplicateAndInvalidLinesNowhere)
{
    const QString text = QStringLiteral("http://h/new1\r\n\r\nnot a url\r\nhttp://h/dup\r\nhttp://h/new2\r\n");
    const auto encoded = [&text](QStringConverter::Encoding encoding, bool mark) {
        QStringEncoder encoder(encoding, mark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
        return QByteArray(encoder.encode(text));
    };
    const QString imported = QStringLiteral("2 项目成功导入。1 项目存在。");
    const struct
    {
        const char* name;
        QByteArray bytes;
        bool unicode;
        QString message; // imported, else no line used
    } cases[] = {
        {"UTF-16LE mark, Unicode on", encoded(QStringConverter::Utf16LE, true), true, imported},
        {"UTF-16LE mark, Unicode off", encoded(QStringConverter::Utf16LE, true), false, imported},
        {"UTF-16BE mark, Unicode on", encoded(QStringConverter::Utf16BE, true), true, imported},
        {"UTF-16BE mark, Unicode off", encoded(QStringConverter::Utf16BE, true), false, imported},
        {"UTF-8 mark, Unicode on", encoded(QStringConverter::Utf8, true), true, imported},
        {"UTF-8 mark, Unicode off", encoded(QStringConverter::Utf8, true), false, imported},
        {"8-bit, Unicode off", encoded(QStringConverter::Utf8, false), false, imported},
        // Read as UTF-16LE, an 8-bit file holds no line end: one line, unusable.
        {"8-bit, Unicode on", encoded(QStringConverter::Utf8, false), true, QStringLiteral("未导入任何项目。1 行无法使用。")},
    };
    const QString path = TempPath(QStringLiteral("list.txt"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SettingStore(AppCore().m_settings.UnicodeImportExport, c.unicode ? 1 : 0);
        delete frame;
        frame = NewFrame();
        AddRows({QStringLiteral("http://h/dup")});
        WriteFile(QStringLiteral("list.txt"), c.bytes);
        EXPECT_TRUE(frame->ImportTextList(path));
        EXPECT_EQ(LastText(), c.message);
        const bool used = c.message == imported;
        EXPECT_EQ(LastIcon(), used ? MB_ICONINFORMATION : MB_ICONWARNING);
        EXPECT_EQ(Urls(*frame), used ? QStringList({QStringLiteral("http://h/dup"), QStringLiteral("http://h/new1"),
                                                    QStringLiteral("http://h/new2")})
                                     : QStringList{QStringLiteral("http://h/dup")});
    }
}

TEST_F(ListFilesTest, ATextListWithNoLineAddedOrFoundWarnsHowManyLinesWentUnused)
{
    SettingStore(AppCore().m_settings.UnicodeImportExport, 0);
    AddRows({QStringLiteral("http://h/1")});
    const struct
    {
        const char* name;
        QByteArray bytes;
        const char* message;
        unsigned icon;
    } cases[] = {
        {"no URL among the lines", "not a url\r\n\r\nhttp://\r\n", "未导入任何项目。3 行无法使用。", MB_ICONWARNING},
        {"only lines found in the list", "http://h/1\r\nnot a url\r\n", "0 项目成功导入。1 项目存在。",
         MB_ICONINFORMATION},
        {"no line at all", "", "0 项目成功导入。0 项目存在。", MB_ICONINFORMATION},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunFileCommand(ID_FILE_IMPORT, WriteFile(QStringLiteral("unused.txt"), c.bytes), kTextFilter);
        EXPECT_EQ(LastText(), QString::fromUtf8(c.message));
        EXPECT_EQ(LastIcon(), c.icon);
        EXPECT_EQ(Urls(*frame), QStringList{QStringLiteral("http://h/1")});
    }
}

TEST_F(ListFilesTest, TextImportSkipsALineTooLongForAListSoTheAutosaveKeepsTheOthers)
{
    SettingStore(AppCore().m_settings.UnicodeImportExport, 0);
    const QByteArray tooLong = "http://h/" + QByteArray(CHttpDownloader::kMaxStoredTextLength - 8, 'x');
    const QByteArray longest = "http://h/" + QByteArray(CHttpDownloader::kMaxStoredTextLength - 9, 'y');
    const QString path = WriteFile(QStringLiteral("long.txt"), "http://h/a\r\n" + tooLong + "\r\n" + longest + "\r\n");
    RunFileCommand(ID_FILE_IMPORT, path, kTextFilter);
    EXPECT_EQ(LastText(), QStringLiteral("2 项目成功导入。0 项目存在。"));
    ASSERT_EQ(Urls(*frame).size(), 2);
    EXPECT_EQ(Urls(*frame)[1].size(), CHttpDownloader::kMaxStoredTextLength);
    EXPECT_TRUE(ReadFile(AutosavePath()).startsWith(QByteArray::fromHex("56524c460200000002000000")));
}

TEST_F(ListFilesTest, FilterIndexNotTheExtensionPicksTheFormat)
{
    SettingStore(AppCore().m_settings.UnicodeImportExport, 1);
    AddRows({QStringLiteral("http://h/1"), QStringLiteral("http://h/2")});
    const QString path = TempPath(QStringLiteral("x.vrl"));
    RunFileCommand(ID_FILE_EXPORT_ALL, path, kTextFilter);
    EXPECT_EQ(ReadFile(path), CTextUrlList::Encode({QStringLiteral("http://h/1"), QStringLiteral("http://h/2")}, true));
    EXPECT_EQ(LastText(), QStringLiteral("2 项目成功导出。"));

    prompts.files.append({false, path, kListFilter});
    ASSERT_TRUE(frame->Commands().Dispatch(ID_FILE_IMPORT)); // cancelled: nothing happens
    EXPECT_EQ(frame->View()->GetItemCount(), 2);
    EXPECT_FALSE(QFile::exists(AutosavePath()));
}

TEST_F(ListFilesTest, TextFilesThatCannotBeOpenedAreReportedAsErrors)
{
    AddRows({QStringLiteral("http://h/1")});
    const QString missingFolder = TempPath(QStringLiteral("no/such/folder/x.txt"));
    EXPECT_FALSE(frame->ExportTextList(missingFolder, true));
    EXPECT_TRUE(LastText().startsWith(QStringLiteral("无法保存下载列表。\n")));
    EXPECT_EQ(LastIcon(), MB_ICONERROR);

    RunFileCommand(ID_FILE_IMPORT, missingFolder, kTextFilter);
    EXPECT_TRUE(LastText().startsWith(QStringLiteral("无法读取下载列表。\n")));
    EXPECT_EQ(LastIcon(), MB_ICONERROR);
    EXPECT_FALSE(QFile::exists(AutosavePath()));

    EXPECT_FALSE(frame->ExportList(missingFolder, false, true));
    EXPECT_TRUE(LastText().startsWith(QStringLiteral("无法保存下载列表。\n")));
}

TEST_F(ListFilesTest, UnfinishedDownloadIsAddedOnceFromItsPartialFile)
{
    const QString folder = TempPath(QStringLiteral("dl"));
    QDir().mkpath(folder);
    const QString partial = folder + QStringLiteral("/p.bin.vrldownload");
    DownloadStub stub;
    stub.m_strUrl = QStringLiteral("http://h/p.bin");
    stub.m_nFileSize = 100;
    stub.m_nSectionCount = 1;
    stub.m_sections[0] = {0, 0, 40, 99};
    QFile file(partial);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100, 'x') + stub.Encode());
    file.close();

    RunFileCommand(ID_FILE_IMPORT_UNFINISHED, partial);
    EXPECT_EQ(prompts.specs.last().filter,
              QStringLiteral("Vandrel unfinished download (*.vrldownload)|*.vrldownload||"));
    EXPECT_EQ(prompts.specs.last().defaultExtension, QStringLiteral("vrldownload"));
    ASSERT_EQ(frame->View()->GetItemCount(), 1);
    EXPECT_EQ(int32_t(frame->View()->GetItem(0)->m_pDownloader->m_nState), Paused);
    EXPECT_FALSE(frame->View()->GetItem(0)->m_pDownloader->m_bIsRunning);
    EXPECT_TRUE(ReadFile(AutosavePath()).startsWith(QByteArray::fromHex("56524c460200000001000000")));
    EXPECT_TRUE(prompts.boxes.isEmpty());

    RunFileCommand(ID_FILE_IMPORT_UNFINISHED, partial);
    EXPECT_EQ(LastText(), QStringLiteral("您要添加的一个或多个下载已经存在。"));
    EXPECT_EQ(frame->View()->GetItemCount(), 1);

    RunFileCommand(ID_FILE_IMPORT_UNFINISHED, WriteFile(QStringLiteral("cut.vrldownload"), QByteArray(4411, 0)));
    EXPECT_EQ(LastText(), QStringLiteral("Vandrel 下载文件无效。"));
    EXPECT_EQ(LastIcon(), MB_ICONERROR);
    EXPECT_EQ(frame->View()->GetItemCount(), 1);
}

} // namespace

namespace {

// Answers the next file dialog as a user does: picks the type in its list (by
// the keys, through the other type first, so that the choice is the user's),
// types the name and accepts.
void AnswerFileDialog(const QString& typed, int typeIndex)
{
    QTimer::singleShot(0, [typed, typeIndex] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(types && name) << "not the toolkit's own dialog";
        QTest::keyClick(types, typeIndex == 0 ? Qt::Key_Down : Qt::Key_Up);
        QTest::keyClick(types, typeIndex == 0 ? Qt::Key_Up : Qt::Key_Down);
        ASSERT_EQ(types->currentIndex(), typeIndex);
        name->setText(typed);
        QTest::keyClick(name, Qt::Key_Return);
        if (dialog->isVisible())
            dialog->reject(); // refused: the test fails on what it finds
    });
}

} // namespace

TEST_F(ListFilesTest, ANameTypedWithoutExtensionGetsTheChosenTypesOneAndImportsBack)
{
    const bool nativeDialogs = !QApplication::testAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    prompts.realFileDialog = true;
    SettingStore(AppCore().m_settings.UnicodeImportExport, 0);
    const QStringList urls = {QStringLiteral("http://h/1"), QStringLiteral("http://h/2")};
    AddRows(urls);
    const QString typed = TempPath(QStringLiteral("exported"));
    const struct
    {
        QString typed;
        int type;
        QString written;
        bool text;
    } cases[] = {
        {typed, 0, typed + QStringLiteral(".txt"), true},
        {typed, 1, typed + QStringLiteral(".vrl"), false},
        {TempPath(QStringLiteral("kept.vrl")), 0, TempPath(QStringLiteral("kept.vrl")), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written.toStdString());
        AnswerFileDialog(c.typed, c.type);
        ASSERT_TRUE(frame->Commands().Dispatch(ID_FILE_EXPORT_ALL));
        EXPECT_EQ(LastText(), QStringLiteral("2 项目成功导出。"));
        const QByteArray written = ReadFile(c.written);
        if (c.text)
            EXPECT_EQ(written, CTextUrlList::Encode(urls, false));
        else
            EXPECT_TRUE(written.startsWith("VRLF"));
    }

    CMainFrame* other = NewFrame();
    AnswerFileDialog(typed, 0);
    ASSERT_TRUE(other->Commands().Dispatch(ID_FILE_IMPORT));
    EXPECT_EQ(LastText(), QStringLiteral("2 项目成功导入。0 项目存在。"));
    EXPECT_EQ(Urls(*other), urls);
    delete other;
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs, !nativeDialogs);
}

TEST_F(ListFilesTest, TheStatusPaneShowsWorkingOnlyWhileAListIsReadOrWritten)
{
    const QString ready = QStringLiteral("就绪");
    WriteFile(QStringLiteral("in.vrl"), kWorkedExample);
    QDir().mkpath(DataFolder());
    QFile::copy(TempPath(QStringLiteral("in.vrl")), AutosavePath());
    frame->LoadDownloadList();
    ASSERT_EQ(frame->View()->GetItemCount(), 1);
    EXPECT_EQ(frame->StatusBar()->MessageText(), ready);

    frame->View()->selectionModel()->select(frame->View()->model()->index(0, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QString url = QStringLiteral("http://h/a.zip");
    ASSERT_EQ(frame->StatusBar()->MessageText(), url);
    QString duringImport;
    prompts.during = [&] { duringImport = frame->StatusBar()->MessageText(); };
    RunFileCommand(ID_FILE_IMPORT, TempPath(QStringLiteral("in.vrl"))); // the import, then its autosave
    EXPECT_EQ(duringImport, QStringLiteral("工作中..."));
    EXPECT_EQ(LastText(), QStringLiteral("0 项目成功导入。1 项目存在。"));
    EXPECT_EQ(frame->StatusBar()->MessageText(), url);
}
