#include "UiFixture.h"
#include "framecore/ListFixtures.h"

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
#include "mainframe/core/TextUrlList.h"
#include "support/ProfileFixture.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

namespace {

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

    static QString AutosavePath() { return DataFolder() + QStringLiteral("/DefaultDownloadList.vrl"); }

    // Runs a file command with the dialog answered by that path and filter.
    void RunFileCommand(int command, const QString& path, int filter = kListFilter)
    {
        prompts.files.append({true, path, filter});
        ASSERT_TRUE(frame->Commands().Dispatch(command));
    }

    void AddRows(const QStringList& urls) { AddUrlRows(*frame->View(), urls); }
    static QStringList Urls(const CMainFrame& from) { return RowUrls(*from.View()); }

    QString LastText() const { return prompts.boxes.isEmpty() ? QString() : prompts.boxes.last().text; }
    unsigned LastIcon() const { return prompts.boxes.isEmpty() ? 0 : prompts.boxes.last().flags & MB_ICONMASK; }

    FilePrompts prompts;
    CMainFrame* frame;
};

TEST_F(ListFilesTest, ListCutShortKeepsTheRowsReadReportsTheReasonAndIsNotAutosaved)
{
    const QString path = WriteTempFile(QStringLiteral("short.vrl"),
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
    const QString path = WriteTempFile(QStringLiteral("dup.vrl"),
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
    EXPECT_TRUE(ReadFileBytes(path).startsWith(QByteArray::fromHex("56524c460200000003000000")));

    CMainFrame* other = NewFrame();
    EXPECT_TRUE(other->ImportList(path, true));
    EXPECT_EQ(Urls(*other), (QStringList{QStringLiteral("http://h/1"), QStringLiteral("http://h/2"),
                                         QStringLiteral("http://h/4")}));
    delete other;
}

TEST_F(ListFilesTest, ImportAutosavesAnOwnerOnlyListThatTheNextStartLoadsSilently)
{
    RunFileCommand(ID_FILE_IMPORT, WriteTempFile(QStringLiteral("in.vrl"), kWorkedExample));
    EXPECT_EQ(ReadFileBytes(AutosavePath()), kWorkedExample);
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

TEST_F(ListFilesTest, TextImportTakesEveryParsingLineIntoTheDefaultFolderAndAutosaves)
{
    SettingStore(AppCore().m_settings.UnicodeImportExport, 0);
    const QString path = WriteTempFile(QStringLiteral("urls.txt"),
                                   "http://h/a.zip\r\n\r\nnot a url\r\nftp://h/b\r\nhttp://h/a.zip\r\n");
    RunFileCommand(ID_FILE_IMPORT, path, kTextFilter);
    EXPECT_EQ(LastText(), QStringLiteral("2 项目成功导入。1 项目存在。"));
    EXPECT_EQ(LastIcon(), MB_ICONINFORMATION);
    EXPECT_EQ(Urls(*frame), (QStringList{QStringLiteral("http://h/a.zip"), QStringLiteral("ftp://h/b")}));
    EXPECT_EQ(frame->View()->GetItem(1)->m_pDownloader->m_strDownloadLocation,
              AppCore().m_settings.DefaultDownloadLocation);
    EXPECT_FALSE(frame->View()->GetItem(1)->IsScheduled());
    EXPECT_TRUE(ReadFileBytes(AutosavePath()).startsWith(QByteArray::fromHex("56524c460200000002000000")));
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
        RunFileCommand(ID_FILE_IMPORT, WriteTempFile(QStringLiteral("unused.txt"), c.bytes), kTextFilter);
        EXPECT_EQ(LastText(), QString::fromUtf8(c.message));
        EXPECT_EQ(LastIcon(), c.icon);
        EXPECT_EQ(Urls(*frame), QStringList{QStringLiteral("http://h/1")});
    }
}

TEST_F(ListFilesTest, FilterIndexNotTheExtensionPicksTheFormat)
{
    SettingStore(AppCore().m_settings.UnicodeImportExport, 1);
    AddRows({QStringLiteral("http://h/1"), QStringLiteral("http://h/2")});
    const QString path = TempPath(QStringLiteral("x.vrl"));
    RunFileCommand(ID_FILE_EXPORT_ALL, path, kTextFilter);
    EXPECT_EQ(ReadFileBytes(path), CTextUrlList::Encode({QStringLiteral("http://h/1"), QStringLiteral("http://h/2")}, true));
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
    EXPECT_TRUE(ReadFileBytes(AutosavePath()).startsWith(QByteArray::fromHex("56524c460200000001000000")));
    EXPECT_TRUE(prompts.boxes.isEmpty());

    RunFileCommand(ID_FILE_IMPORT_UNFINISHED, partial);
    EXPECT_EQ(LastText(), QStringLiteral("您要添加的一个或多个下载已经存在。"));
    EXPECT_EQ(frame->View()->GetItemCount(), 1);

    RunFileCommand(ID_FILE_IMPORT_UNFINISHED, WriteTempFile(QStringLiteral("cut.vrldownload"), QByteArray(4411, 0)));
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

// The import dialog opened in the working directory: wherever the program was started.
TEST_F(ListFilesTest, TheFileDialogsOpenInTheFolderLastUsedElseTheDownloadFolder)
{
    const QString downloads = TempPath(QStringLiteral("start-downloads"));
    const QString lists = TempPath(QStringLiteral("start-lists"));
    ASSERT_TRUE(QDir().mkpath(downloads) && QDir().mkpath(lists));
    AppCore().m_settings.DefaultDownloadLocation = downloads;
    AddRows({QStringLiteral("http://h/1")});
    const auto openedIn = [this] { return prompts.specs.isEmpty() ? QString() : prompts.specs.last().folder; };

    ASSERT_TRUE(frame->Commands().Dispatch(ID_FILE_IMPORT)); // cancelled: nothing is remembered
    EXPECT_EQ(openedIn(), downloads);
    RunFileCommand(ID_FILE_EXPORT_ALL, lists + QStringLiteral("/out.vrl"));
    EXPECT_EQ(openedIn(), downloads);
    for (int command : {ID_FILE_IMPORT, ID_FILE_IMPORT_UNFINISHED, ID_FILE_EXPORT_ALL}) {
        ASSERT_TRUE(frame->Commands().Dispatch(command));
        EXPECT_EQ(openedIn(), lists) << command;
    }

    ASSERT_TRUE(QDir(lists).removeRecursively());
    ASSERT_TRUE(frame->Commands().Dispatch(ID_FILE_IMPORT));
    EXPECT_EQ(openedIn(), downloads) << "a folder gone since";
    AppCore().m_settings.DefaultDownloadLocation = lists;
    ASSERT_TRUE(frame->Commands().Dispatch(ID_FILE_IMPORT));
    EXPECT_EQ(openedIn(), QDir::homePath()) << "nor the download folder there";

    // The folder browser too, where its box holds no folder.
    AppCore().m_settings.DefaultDownloadLocation = downloads;
    for (const QString& typed : {QString(), lists, QStringLiteral("relative")}) {
        BrowseForFolder(frame, QStringLiteral("t"), typed);
        EXPECT_EQ(prompts.folderRequests.last().initial, downloads) << typed.toStdString();
    }
}

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
        const QByteArray written = ReadFileBytes(c.written);
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
    WriteTempFile(QStringLiteral("in.vrl"), kWorkedExample);
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
