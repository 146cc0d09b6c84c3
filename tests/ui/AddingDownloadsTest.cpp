#include "ControlLookup.h"
#include "UiFixture.h"

#include "app/VandrelCore.h"
#include "dialogs/AddDownloadDialog.h"
#include "dialogs/AddDownloadGeneralPage.h"
#include "dialogs/RememberedAddSettings.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "platform/BinaryWriter.h"
#include "support/QStringPrinter.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QtEndian>

namespace {

constexpr int IDC_START = 1000;
constexpr int IDC_LATER = 1001;

class AddingDownloadsTest : public UiFixture
{
protected:
    AddingDownloadsTest()
    {
        g_rememberedAddSettings = RememberedAddSettings();
        frame = new CMainFrame;
        frame->Create();
        AppCore().m_urlsHistory.SetCapacity(10);
        AppCore().m_downloadLocationsHistory.SetCapacity(10);
        SettingStore(AppCore().m_settings.CheckHistory, 0);
    }
    ~AddingDownloadsTest() override
    {
        for (int row = 0; row < frame->View()->GetItemCount(); ++row)
            frame->View()->GetItem(row)->m_pDownloader->m_bIsRunning = 0;
        delete frame;
        g_rememberedAddSettings = RememberedAddSettings();
    }

    // The add dialogs now shown, in no particular order.
    static QList<CAddDownloadDialog*> OpenDialogs()
    {
        QList<CAddDownloadDialog*> dialogs;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<CAddDownloadDialog*>(widget);
            if (dialog && dialog->isVisible())
                dialogs.append(dialog);
        }
        return dialogs;
    }

    static void Type(CDownloadDialog* dialog, int id, const QString& text)
    {
        QWidget* control = FindControl(dialog->m_pAddGeneralPage, id);
        if (auto* combo = qobject_cast<QComboBox*>(control))
            combo->setEditText(text);
        else
            qobject_cast<QLineEdit*>(control)->setText(text);
    }

    // Opens an add dialog and confirms it with the address, this folder and,
    // for a group, the counter range.
    void Add(const QString& url, int button, std::optional<std::array<int, 3>> group = std::nullopt)
    {
        frame->ShowAddDownloadDialog(url, false);
        ASSERT_EQ(OpenDialogs().size(), 1);
        CAddDownloadDialog* dialog = OpenDialogs()[0];
        Type(dialog, 1003, TestEnvironment::root());
        if (group) {
            FindControl<QCheckBox>(dialog->m_pAddGeneralPage, 1030)->click();
            Type(dialog, 1031, QString::number((*group)[0]));
            Type(dialog, 1033, QString::number((*group)[1]));
            Type(dialog, 1035, QString::number((*group)[2]));
        }
        FindControl<QPushButton>(dialog, button)->click();
        ASSERT_TRUE(dialog->IsClosed()) << (prompts.boxes.isEmpty() ? "" : prompts.boxes.last().text.toStdString());
    }

    QStringList Urls() const
    {
        QStringList urls;
        for (int row = 0; row < frame->View()->GetItemCount(); ++row)
            urls.append(frame->View()->GetItem(row)->m_pDownloader->m_strUrl);
        return urls;
    }

    static QByteArray Autosave()
    {
        QFile file(DataFolder() + QStringLiteral("/DefaultDownloadList.vrl"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static uint32_t SavedCount()
    {
        const QByteArray bytes = Autosave();
        return bytes.size() >= 12 ? qFromLittleEndian<uint32_t>(bytes.constData() + 8) : 0;
    }

    CMainFrame* frame;
};

} // namespace

TEST_F(AddingDownloadsTest, GroupsCountUpOrDownPaddedAndStopAtTheLargestCounter)
{
    const struct
    {
        std::array<int, 3> range;
        QStringList counters;
    } cases[] = {
        {{5, 1, 2}, {"05", "03", "01"}},
        {{1, 10, 4}, {"01", "05", "09"}},
        {{2147483646, 2147483647, 1}, {"2147483646", "2147483647"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.counters.join(u',').toStdString());
        while (frame->View()->GetItemCount() > 0)
            frame->View()->RemoveItem(0, false);
        Add(QStringLiteral("http://127.0.0.1:9/f$$.bin"), IDC_LATER, c.range);
        QStringList expected;
        for (const QString& counter : c.counters)
            expected << QStringLiteral("http://127.0.0.1:9/f%1.bin").arg(counter);
        EXPECT_EQ(Urls(), expected);
        EXPECT_EQ(SavedCount(), uint32_t(c.counters.size()));
    }
    // Later without getting information starts nothing.
    for (int row = 0; row < frame->View()->GetItemCount(); ++row) {
        const CHttpDownloader& download = *frame->View()->GetItem(row)->m_pDownloader;
        EXPECT_FALSE(download.m_bIsRunning);
        EXPECT_EQ(download.m_strDownloadLocation, TestEnvironment::root());
    }
    QString folder;
    ASSERT_TRUE(AppCore().m_downloadLocationsHistory.GetText(0, &folder));
    EXPECT_EQ(folder, TestEnvironment::root());
    EXPECT_EQ(frame->m_nOpenAddDialogs, 0);
}

TEST_F(AddingDownloadsTest, ExistingRowsAreSkippedWithOneNoticeForTheWholeGroup)
{
    CDownloadItem* existing = AddRow(*frame, false);
    existing->m_pDownloader->m_strUrl = QStringLiteral("http://127.0.0.1:9/F3.bin");
    frame->View()->RefreshItemKeys(existing);
    Add(QStringLiteral("http://127.0.0.1:9/f$.bin"), IDC_LATER, std::array{1, 5, 1});
    EXPECT_EQ(frame->View()->GetItemCount(), 5);
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("您要添加的一个或多个下载已经存在。"));
    EXPECT_EQ(prompts.boxes[0].flags, MB_OK);
}

TEST_F(AddingDownloadsTest, AnAddressFromTheHistoryIsAskedAboutWithItsNewestDateAndCancelEndsTheGroup)
{
    SettingStore(AppCore().m_settings.CheckHistory, 1);
    BinaryWriter writer;
    writer.writeBytes(QByteArray("VRH\0", 4));
    writer.writeUInt32(2);
    for (const QDate date : {QDate(2024, 3, 7), QDate(2023, 12, 25)}) {
        writer.writeSystemTime(SystemTimeFromDateTime(QDateTime(date, QTime(12, 0))));
        writer.writeString(QStringLiteral("HTTP://127.0.0.1:9/G2.BIN"));
    }
    const QString path = TestEnvironment::root() + QStringLiteral("/urls.vrh");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(writer.data());
    file.close();
    ASSERT_TRUE(AppCore().m_urlsHistory.Load(path));

    prompts.answers = {IDCANCEL};
    Add(QStringLiteral("http://127.0.0.1:9/g$.bin"), IDC_LATER, std::array{1, 3, 1});
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("您之前似乎在 3/7/2024 处下载过此文件。 你要重新下载吗？"));
    EXPECT_EQ(prompts.boxes[0].flags, MB_YESNOCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(Urls(), QStringList{QStringLiteral("http://127.0.0.1:9/g1.bin")});
    EXPECT_EQ(SavedCount(), 1u);
    QString folder;
    EXPECT_TRUE(AppCore().m_downloadLocationsHistory.GetText(0, &folder));

    // No skips that address only; Yes adds it again.
    prompts.answers = {IDNO};
    Add(QStringLiteral("http://127.0.0.1:9/g$.bin"), IDC_LATER, std::array{2, 3, 1});
    EXPECT_EQ(Urls().size(), 2);
    prompts.answers = {IDYES};
    Add(QStringLiteral("http://127.0.0.1:9/g2.bin"), IDC_LATER);
    EXPECT_EQ(Urls().size(), 3);
}

TEST_F(AddingDownloadsTest, StartQueuesBehindTheLimitAndLaterCanFetchInformationOnly)
{
    SettingStore(AppCore().m_settings.ConcurrentDownloads, 1);
    AddRow(*frame, true); // takes the only place
    Add(QStringLiteral("http://127.0.0.1:9/s.bin"), IDC_START);
    ASSERT_EQ(frame->View()->GetItemCount(), 2);
    const CDownloadItem& started = *frame->View()->GetItem(1);
    EXPECT_TRUE(started.IsQueued());
    EXPECT_FALSE(started.m_pDownloader->m_bIsRunning);
}

TEST_F(AddingDownloadsTest, EachNewAddDialogIsCascadedFromTheOnesOpen)
{
    ASSERT_TRUE(frame->Commands().Dispatch(ID_DOWNLOAD_ADD));
    ASSERT_EQ(OpenDialogs().size(), 1);
    CAddDownloadDialog* first = OpenDialogs()[0];
    ASSERT_TRUE(frame->Commands().Dispatch(ID_DOWNLOAD_ADD));
    QList<CAddDownloadDialog*> dialogs = OpenDialogs();
    ASSERT_EQ(dialogs.size(), 2);
    dialogs.removeOne(first);
    EXPECT_EQ(frame->m_nOpenAddDialogs, 2);
    EXPECT_EQ(dialogs[0]->pos() - first->pos(), QPoint(3, 23));
    first->reject();
    EXPECT_EQ(frame->m_nOpenAddDialogs, 1);
    EXPECT_EQ(frame->View()->GetItemCount(), 0);
}

TEST_F(AddingDownloadsTest, TheAddCommandTakesOnlyAWebAddressFromTheClipboard)
{
    SettingStore(AppCore().m_settings.AutoFillDownloadAddress, 1);
    const struct
    {
        const char* clipboard;
        const char* prefilled;
    } cases[] = {
        {" HTTPS://h/a.zip\r\n", "HTTPS://h/a.zip"},
        {"www.h.com/a.zip", ""},
    };
    for (const auto& c : cases) {
        QGuiApplication::clipboard()->setText(QString::fromUtf8(c.clipboard));
        ASSERT_TRUE(frame->Commands().Dispatch(ID_DOWNLOAD_ADD));
        ASSERT_EQ(OpenDialogs().size(), 1);
        CAddDownloadDialog* dialog = OpenDialogs()[0];
        EXPECT_EQ(dialog->m_pAddGeneralPage->m_strUrl, QString::fromUtf8(c.prefilled));
        EXPECT_EQ(FindControl<QComboBox>(dialog->m_pAddGeneralPage, 1002)->currentText(),
                  QString::fromUtf8(c.prefilled));
        dialog->reject();
    }
}

TEST_F(AddingDownloadsTest, ADroppedAddressIsAddedAtOnceWithTheRememberedValuesWhenRemembering)
{
    RememberedAddSettings& remembered = g_rememberedAddSettings;
    remembered.m_bRemember = true;
    remembered.m_strLocation = TestEnvironment::root();
    remembered.m_strDescription = QStringLiteral("dropped");
    remembered.m_strReferer = QStringLiteral("http://r/");
    remembered.m_bUseAuthorization = true;
    remembered.m_strUserName = QStringLiteral("u");

    QMimeData data;
    data.setText(QStringLiteral("  http://127.0.0.1:9/a.zip \n"));
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    frame->m_dropTarget.Drop(&drop);
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_EQ(frame->View()->GetItemCount(), 0); // handled once the drop has ended
    QCoreApplication::processEvents();

    ASSERT_EQ(Urls(), QStringList{QStringLiteral("http://127.0.0.1:9/a.zip")});
    const CHttpDownloader& download = *frame->View()->GetItem(0)->m_pDownloader;
    EXPECT_EQ(download.m_strDownloadLocation, TestEnvironment::root());
    EXPECT_EQ(download.m_strDescription, QStringLiteral("dropped"));
    EXPECT_EQ(download.m_strReferer, QStringLiteral("http://r/"));
    EXPECT_EQ(download.m_strUserName, QStringLiteral("u"));
    EXPECT_FALSE(download.m_bIsRunning);
    EXPECT_FALSE(frame->View()->GetItem(0)->IsQueued());
    EXPECT_TRUE(Autosave().isEmpty()); // saved on the next occasion
    EXPECT_TRUE(OpenDialogs().isEmpty());

    frame->AddDroppedUrl(QStringLiteral("http://127.0.0.1:9/a.zip"));
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("您要添加的一个或多个下载已经存在。"));

    remembered.m_bRemember = false;
    frame->AddDroppedUrl(QStringLiteral("http://127.0.0.1:9/b.zip"));
    ASSERT_EQ(OpenDialogs().size(), 1);
    EXPECT_EQ(OpenDialogs()[0]->m_pAddGeneralPage->m_strUrl, QStringLiteral("http://127.0.0.1:9/b.zip"));
}

TEST_F(AddingDownloadsTest, DroppedTextThatIsNoWebAddressIsRefused)
{
    const struct
    {
        QString text;
        const char* message;
    } cases[] = {
        {QStringLiteral("ftp://h/a"), "不支持此 URL 方案。 请输入 HTTP 或 HTTPS URL。"},
        {QStringLiteral("hello"), "解析 URL 失败。"},
        {QString(), "解析 URL 失败。"},
        {QStringLiteral("http://h/") + QString(CHttpDownloader::kMaxStoredTextLength, u'x'), "URL 过长。"},
        {QStringLiteral("not a URL ") + QString(CHttpDownloader::kMaxStoredTextLength, u'x'), "解析 URL 失败。"},
    };
    for (const auto& c : cases) {
        prompts.boxes.clear();
        frame->AddDroppedUrl(c.text);
        ASSERT_EQ(prompts.boxes.size(), 1);
        EXPECT_EQ(prompts.boxes[0].text, QString::fromUtf8(c.message));
    }
    EXPECT_EQ(frame->View()->GetItemCount(), 0);
    EXPECT_TRUE(OpenDialogs().isEmpty());
}
