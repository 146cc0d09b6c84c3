#include "ControlLookup.h"
#include "UiFixture.h"

#include "app/VandrelCore.h"
#include "dialogs/AddDownloadDialog.h"
#include "dialogs/AddDownloadGeneralPage.h"
#include "dialogs/DownloadAuthorizationPage.h"
#include "dialogs/DownloadConnectionPage.h"
#include "dialogs/DownloadMorePage.h"
#include "dialogs/FixedDownloadDialog.h"
#include "dialogs/FixedDownloadGeneralPage.h"
#include "dialogs/GroupDownloadDialog.h"
#include "dialogs/GroupDownloadGeneralPage.h"
#include "dialogs/RememberedAddSettings.h"
#include "dialogs/TabSheet.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "support/QStringPrinter.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

class DownloadDialogTest : public UiFixture
{
protected:
    DownloadDialogTest() { g_rememberedAddSettings = RememberedAddSettings(); }
    ~DownloadDialogTest() override
    {
        delete frame;
        g_rememberedAddSettings = RememberedAddSettings();
    }

    // A shown, active add dialog (owned by the test).
    std::unique_ptr<CAddDownloadDialog> OpenAdd(const QString& url = QString())
    {
        auto dialog = std::make_unique<CAddDownloadDialog>(nullptr);
        dialog->m_pAddGeneralPage->m_strUrl = url;
        dialog->Create();
        Show(*dialog);
        return dialog;
    }

    static void Show(QWidget& window)
    {
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    static QStringList TabLabels(const CDownloadDialog& dialog)
    {
        QStringList labels;
        for (int i = 0; i < dialog.Tabs()->count(); ++i)
            labels << dialog.Tabs()->tabText(i);
        return labels;
    }

    static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }

    // A frame with one row whose download is in that state; the properties
    // dialog is opened on it.
    CFixedDownloadDialog* OpenProperties(int32_t state, bool running)
    {
        frame = new CMainFrame;
        frame->Create();
        item = AddRow(*frame, running);
        item->m_pDownloader->m_nState = state;
        auto* dialog = new CFixedDownloadDialog(item, frame);
        item->SetDialog(dialog);
        QObject::connect(dialog, &CDownloadDialog::DownloadDialogClosed, frame, &CMainFrame::OnDownloadDialogClosed);
        dialog->Create();
        Show(*dialog);
        return dialog;
    }

    static QPushButton* Button(const QWidget* dialog, int id) { return FindControl<QPushButton>(dialog, id); }

    CMainFrame* frame = nullptr;
    CDownloadItem* item = nullptr;
};

} // namespace

TEST_F(DownloadDialogTest, EachTypeHasItsTitleTabsAndButtons)
{
    auto add = OpenAdd();
    EXPECT_EQ(add->objectName(), QStringLiteral("dlg310"));
    EXPECT_EQ(add->windowTitle(), QStringLiteral("添加新的下载"));
    EXPECT_EQ(TabLabels(*add), QString("常规,授权,连接,更多").split(u','));
    EXPECT_TRUE(Button(add.get(), 1000)->isDefault());
    EXPECT_TRUE(Button(add.get(), 1001));
    EXPECT_TRUE(FindControl<QCheckBox>(add.get(), 1130));
    EXPECT_EQ(add->m_pActivePage, add->m_pAddGeneralPage);

    CGroupDownloadDialog group(nullptr);
    group.Create();
    EXPECT_EQ(group.windowTitle(), QStringLiteral("下载群组属性"));
    EXPECT_EQ(TabLabels(group), QString("常规,授权,连接,更多").split(u','));
    EXPECT_TRUE(Button(&group, IDOK)->isDefault());
    EXPECT_EQ(Button(&group, IDCANCEL)->text(), QStringLiteral("取消"));

    CFixedDownloadDialog* properties = OpenProperties(NeedToPrepare, false);
    EXPECT_EQ(properties->windowTitle(), QStringLiteral("下载属性"));
    EXPECT_EQ(TabLabels(*properties), QString("状态,常规,授权,连接,更多").split(u','));
    EXPECT_TRUE(Button(properties, IDOK)->isDefault());
    EXPECT_EQ(Button(properties, IDCANCEL)->text(), QStringLiteral("关闭"));
    EXPECT_EQ(Button(properties, 1175)->toolTip(), QStringLiteral("开始"));
    EXPECT_EQ(Button(properties, 1176)->toolTip(), QStringLiteral("暂停"));
}

TEST_F(DownloadDialogTest, CtrlKeysWrapAroundTheTabsWithoutCheckingThePageLeft)
{
    auto dialog = OpenAdd();
    FindControl<QComboBox>(dialog->m_pAddGeneralPage, 1003)->setEditText(QStringLiteral("/nonexistent/x"));
    FindControl<QComboBox>(dialog->m_pAddGeneralPage, 1002)->setFocus();
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(dialog->Tabs()->currentIndex(), 3);
    EXPECT_TRUE(dialog->m_pMorePage->isVisible());
    EXPECT_TRUE(dialog->m_pMorePage->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), FindControl(dialog->m_pMorePage, 1021));
    Key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(dialog->Tabs()->currentIndex(), 0);
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(dialog->Tabs()->currentIndex(), 1);
    Key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(dialog->Tabs()->currentIndex(), 0);
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(DownloadDialogTest, ConfirmingChecksTheGeneralPageBehindAnotherTabAndBringsItForward)
{
    auto dialog = OpenAdd(QStringLiteral("http://h/a.zip"));
    QSignalSpy closed(dialog.get(), &CDownloadDialog::DownloadDialogClosed);
    FindControl<QComboBox>(dialog->m_pAddGeneralPage, 1003)->setEditText(QStringLiteral("/nonexistent/x"));
    dialog->Tabs()->setCurrentIndex(3);
    int tabDuringBox = -1;
    prompts.during = [&] { tabDuringBox = dialog->Tabs()->currentIndex(); };
    Button(dialog.get(), 1000)->click();

    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("指定的下载位置不存在。"));
    EXPECT_EQ(prompts.boxes[0].caption, QStringLiteral("Vandrel"));
    EXPECT_EQ(prompts.boxes[0].flags & MB_ICONMASK, MB_ICONWARNING);
    EXPECT_EQ(tabDuringBox, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), FindControl(dialog->m_pAddGeneralPage, 1003));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(closed.count(), 0);
}

TEST_F(DownloadDialogTest, TheRememberFlagFollowsHowTheAddDialogCloses)
{
    enum class Close { Box, Esc, FailedStart };
    const struct
    {
        bool before;
        bool checked;
        Close close;
        bool after;
    } cases[] = {
        {false, true, Close::Box, false},
        {true, false, Close::Box, false},
        {true, true, Close::Box, true},
        {true, false, Close::Esc, true},
        {true, false, Close::FailedStart, false},
        {false, true, Close::FailedStart, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.close));
        g_rememberedAddSettings.m_bRemember = c.before;
        g_rememberedAddSettings.m_strDescription = QStringLiteral("kept");
        auto dialog = OpenAdd(); // an empty address: start is refused
        FindControl<QCheckBox>(dialog.get(), 1130)->setChecked(c.checked);
        if (c.close == Close::Box)
            dialog->close();
        else if (c.close == Close::Esc)
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        else
            Button(dialog.get(), 1000)->click();
        EXPECT_EQ(g_rememberedAddSettings.m_bRemember, c.after);
        EXPECT_EQ(g_rememberedAddSettings.m_strDescription, QStringLiteral("kept"));
        EXPECT_EQ(dialog->IsClosed(), c.close != Close::FailedStart);
        if (dialog->IsClosed()) {
            EXPECT_EQ(dialog->m_nResult, ResultCancel);
        }
    }
}

TEST_F(DownloadDialogTest, RememberedValuesFillANewDialogAndAreKeptWithoutOpeningTheirTabs)
{
    RememberedAddSettings& remembered = g_rememberedAddSettings;
    remembered = {true, TestEnvironment::root(), "d", true, true, "u", "p", Proxy, "http://r/"};
    auto dialog = OpenAdd(QStringLiteral("http://h/a.zip"));
    QSignalSpy closed(dialog.get(), &CDownloadDialog::DownloadDialogClosed);
    EXPECT_TRUE(FindControl<QCheckBox>(dialog.get(), 1130)->isChecked());
    Button(dialog.get(), 1001)->click();

    ASSERT_EQ(closed.count(), 1);
    EXPECT_EQ(dialog->m_nResult, ResultLater);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(dialog->m_pAuthorizationPage->isCreated());
    EXPECT_EQ(dialog->m_pAddGeneralPage->m_strLocation, TestEnvironment::root());
    EXPECT_EQ(dialog->m_pAddGeneralPage->m_strDescription, QStringLiteral("d"));
    EXPECT_TRUE(dialog->m_pAddGeneralPage->m_bGetInfo);
    EXPECT_TRUE(dialog->m_pAuthorizationPage->m_bUseAuthorization);
    EXPECT_EQ(dialog->m_pAuthorizationPage->m_strUserName, QStringLiteral("u"));
    EXPECT_EQ(dialog->m_pAuthorizationPage->m_strPassword, QStringLiteral("p"));
    EXPECT_EQ(dialog->m_pConnectionPage->m_nAccessType, Proxy);
    EXPECT_EQ(dialog->m_pMorePage->m_strReferer, QStringLiteral("http://r/"));

    // Start, with a new description remembered.
    auto next = OpenAdd(QStringLiteral("http://h/b.zip"));
    FindControl<QLineEdit>(next->m_pAddGeneralPage, 1009)->setText(QStringLiteral("  new  "));
    Button(next.get(), 1000)->click();
    EXPECT_EQ(next->m_nResult, ResultStart);
    EXPECT_EQ(remembered.m_strDescription, QStringLiteral("new"));
}

TEST_F(DownloadDialogTest, AModalGroupDialogIsLeftToItsCaller)
{
    frame = new CMainFrame;
    frame->Create();
    CGroupDownloadDialog dialog(frame);
    QObject::connect(&dialog, &CDownloadDialog::DownloadDialogClosed, frame, &CMainFrame::OnDownloadDialogClosed);
    QTimer::singleShot(0, &dialog, [&dialog] {
        FindControl<QComboBox>(dialog.m_pGroupGeneralPage, 1003)->setEditText(TestEnvironment::root());
        FindControl<QLineEdit>(dialog.m_pGroupGeneralPage, 1009)->setText(QStringLiteral("x"));
        Button(&dialog, IDOK)->click();
        if (dialog.isVisible())
            dialog.reject();
    });
    EXPECT_EQ(dialog.DoModal(), QDialog::Accepted);
    RunDeferredDeletes(); // nothing was scheduled: the dialog is still whole
    EXPECT_EQ(dialog.m_nResult, ResultOk);
    EXPECT_TRUE(dialog.m_pGroupGeneralPage->m_bDescriptionChanged);
    EXPECT_FALSE(dialog.m_pGroupGeneralPage->m_bLocationChanged);
    EXPECT_EQ(dialog.m_pGroupGeneralPage->m_strLocation, TestEnvironment::root());
    EXPECT_FALSE(dialog.m_pAuthorizationPage->m_bChanged);
}

TEST_F(DownloadDialogTest, StartAndPauseFollowTheRunningFlagEvenAfterTheStateHasSettled)
{
    CFixedDownloadDialog* dialog = OpenProperties(Transferring, true);
    CHttpDownloader& download = *item->m_pDownloader;
    EXPECT_TRUE(Button(dialog, 1176)->isEnabled());
    EXPECT_FALSE(Button(dialog, 1175)->isEnabled());
    download.m_nState = Paused; // the final state is written before the flag clears
    frame->OnTimer(CMainFrame::ID_TIMER_UPDATE);
    download.m_bIsRunning = 0;
    frame->OnTimer(CMainFrame::ID_TIMER_UPDATE);
    EXPECT_TRUE(Button(dialog, 1175)->isEnabled());
    EXPECT_FALSE(Button(dialog, 1176)->isEnabled());
}

TEST_F(DownloadDialogTest, PauseTakesAnIdleRowOutOfTheQueueAndKeepsTheDialogOpen)
{
    CFixedDownloadDialog* dialog = OpenProperties(Paused, false);
    item->SetQueued(true);
    Button(dialog, 1176)->setEnabled(true);
    Button(dialog, 1176)->click();
    EXPECT_FALSE(item->IsQueued());
    EXPECT_EQ(int32_t(item->m_pDownloader->m_nState), Paused);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(DownloadDialogTest, OkAppliesTheFolderOnlyToADownloadNotYetPrepared)
{
    const QString folder = TestEnvironment::root() + QStringLiteral("/x");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const int32_t state : {NeedToPrepare, PrepairingFailed, Prepared}) {
        SCOPED_TRACE(state);
        delete std::exchange(frame, nullptr);
        CFixedDownloadDialog* dialog = OpenProperties(state, false);
        const QString before = item->m_pDownloader->m_strDownloadLocation;
        dialog->Tabs()->setCurrentIndex(1);
        auto* box = FindControl<QComboBox>(dialog->m_pFixedGeneralPage, 1003);
        EXPECT_EQ(box->isEnabled(), state == NeedToPrepare);
        box->setEditText(folder + QStringLiteral("//"));
        FindControl<QLineEdit>(dialog->m_pFixedGeneralPage, 1009)->setText(QStringLiteral("described"));
        Button(dialog, IDOK)->click();
        EXPECT_TRUE(dialog->IsClosed());
        EXPECT_EQ(item->m_pDownloader->m_strDownloadLocation, state == NeedToPrepare ? folder : before);
        EXPECT_EQ(item->m_pDownloader->m_strDescription, QStringLiteral("described"));
        EXPECT_EQ(item->Dialog(), nullptr); // the closing notice let go of it
        EXPECT_TRUE(prompts.boxes.isEmpty());
    }
}

TEST_F(DownloadDialogTest, TabVisitsTheAddPagesControlsInTheirOrder)
{
    auto dialog = OpenAdd();
    CDialogPage* page = dialog->m_pAddGeneralPage;
    FindControl<QCheckBox>(page, 1030)->click(); // the group's fields take the focus too
    FindControl(page, 1002)->setFocus();
    QStringList visited;
    for (int i = 0; i < 12; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, QString("id1002,id1011,id1030,id1031,id1033,id1035,id1003,id1004,id1009,id1022,"
                               "qt_tabwidget_tabbar,id1130")
                           .split(u','));
}
