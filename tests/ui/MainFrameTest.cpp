#include "UiFixture.h"

#include "app/VandrelCore.h"
#include "app/gui/QtPrompts.h"
#include "app/gui/QtTranslation.h"
#include "engine/DownloadItem.h"
#include "engine/DownloadNotifySink.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "mainframe/SetAsideDownloads.h"
#include "mainframe/SpeedMeterWnd.h"
#include "mainframe/StatusBarEx.h"
#include "mainframe/ToolBarCtrlEx.h"
#include "mainframe/WindowPlacement.h"
#include "platform/Profile.h"
#include "support/ProfileFixture.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTimer>
#include <QTranslator>
#include <QtEndian>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

class FrameTest : public UiFixture
{
protected:
    ~FrameTest() override { delete frame; }

    CMainFrame* MakeFrame()
    {
        frame = new CMainFrame;
        frame->Create();
        return frame;
    }

    CDownloadItem* AddRow(bool running, bool queued = false) { return UiFixture::AddRow(*frame, running, queued); }

    // The exit, then the deletion it scheduled; true when the frame is gone.
    bool ExitAndDelete(bool ask)
    {
        frame->RequestExit(ask);
        RunDeferredDeletes();
        return !frame;
    }

    static QSettings Ini() { return QSettings(IniPath(), QSettings::IniFormat); }

    QPointer<CMainFrame> frame;
};

} // namespace

TEST_F(FrameTest, CreationBuildsTheBarsTheListTheStatusBarAndTheTrayIcon)
{
    MakeFrame();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Vandrel"));
    EXPECT_EQ(frame->centralWidget(), frame->View());
    EXPECT_EQ(frame->View()->model()->columnCount(), 17);
    EXPECT_TRUE(frame->findChild<QToolBar*>(QStringLiteral("ToolBar")));
    EXPECT_TRUE(frame->findChild<QToolBar*>(QStringLiteral("SpeedMeterBar")));
    EXPECT_EQ(frame->StatusBar()->MessageText(), QStringLiteral("就绪"));
    EXPECT_TRUE(tray.shown);
    EXPECT_EQ(tray.icons, QList<int>{128});
    EXPECT_EQ(tray.toolTip, QStringLiteral("Vandrel"));
    EXPECT_TRUE(frame->acceptDrops());
    EXPECT_FALSE(frame->SchedulerTimer().isActive());
    EXPECT_EQ(static_cast<QMainWindow*>(frame.data())->createPopupMenu(), nullptr);
    QAction* exit = nullptr;
    for (QAction* menu : frame->menuBar()->actions())
        exit = exit ? exit : CCommandTable::FindAction(menu->menu(), ID_APP_EXIT);
    EXPECT_TRUE(exit);

    frame->show();
    frame->resize(100, 100);
    EXPECT_GE(frame->width(), 200);
    EXPECT_GE(frame->height(), 200);
}

TEST_F(FrameTest, ApplySettingsSwitchesTheSchedulerTimerAndShowsTheClampedConcurrency)
{
    MakeFrame();
    CAppSettings& settings = AppCore().m_settings;
    SettingStore(settings.SchedulerOn, 1);
    const struct
    {
        int32_t concurrency;
        int32_t image;
    } cases[] = {{5, 15}, {1, 11}, {8, 18}, {0, 11}, {-3, 11}, {99, 18}};
    for (const auto& test : cases) {
        SettingStore(settings.ConcurrentDownloads, test.concurrency);
        frame->ApplySettings();
        const CToolBarCtrlEx& toolBar = *frame->ToolBar();
        EXPECT_EQ(toolBar.Buttons()[toolBar.CommandToIndex(ID_CONCURRENCY_DROPDOWN)].iBitmap, test.image)
            << test.concurrency;
    }
    EXPECT_TRUE(frame->SchedulerTimer().isActive());
    EXPECT_EQ(frame->SchedulerTimer().interval(), 50000);
    SettingStore(settings.SchedulerOn, 0);
    frame->ApplySettings();
    EXPECT_FALSE(frame->SchedulerTimer().isActive());
}

TEST_F(FrameTest, ThePlacementIsSavedAsTheNormalRectangleAndComesBackMaximised)
{
    MakeFrame();
    frame->setGeometry(60, 70, 500, 400);
    frame->showMaximized();
    ASSERT_TRUE(ExitAndDelete(false));
    {
        QSettings ini = Ini();
        EXPECT_EQ(ini.value("Settings/WindowPlacement/MainWindowRect").toByteArray().toHex(' '),
                  QByteArray("3c 00 00 00 46 00 00 00 30 02 00 00 d6 01 00 00"));
        EXPECT_EQ(ini.value("Settings/WindowPlacement/ShowCmd").toInt(), 3);
        EXPECT_EQ(ini.value("Settings/WindowPlacement/Flags").toInt(), 0);
    }

    MakeFrame();
    frame->ShowAtStart(false);
    EXPECT_TRUE(frame->isMaximized());
    frame->showNormal();
    EXPECT_EQ(frame->geometry(), QRect(60, 70, 500, 400));
    frame->showMaximized();
    frame->showMinimized();
    ASSERT_TRUE(ExitAndDelete(false));
    QSettings ini = Ini();
    EXPECT_EQ(ini.value("Settings/WindowPlacement/ShowCmd").toInt(), 1);
    EXPECT_EQ(ini.value("Settings/WindowPlacement/Flags").toInt(), 2);
}

TEST_F(FrameTest, AStoredRectangleOfAnotherSizeIsIgnoredWithItsShowCommand)
{
    MakeFrame();
    frame->ShowAtStart(false);
    const QRect factory = frame->geometry(); // 900 x 600 centred, or what of it the screen holds
    delete frame;
    for (const int size : {15, 17}) {
        WriteIniFixture(IniPath(), [size](QSettings& ini) {
            ini.setValue("Settings/WindowPlacement/MainWindowRect", QByteArray(size, '\x10'));
            ini.setValue("Settings/WindowPlacement/ShowCmd", 3);
        });
        MakeFrame();
        frame->ShowAtStart(false);
        EXPECT_FALSE(frame->isMaximized()) << size;
        EXPECT_EQ(frame->geometry(), factory) << size;
        delete frame;
    }
}

// Stored at twice the scale: the window must come back on the screen, whole.
TEST_F(FrameTest, AStoredRectangleLargerThanTheScreenComesBackInsideItsWorkArea)
{
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect stored(work.x() + 10, work.y() + 10, 2 * work.width(), 2 * work.height());
    WriteIniFixture(IniPath(), [&stored](QSettings& ini) {
        ini.setValue("Settings/WindowPlacement/MainWindowRect", WinRectToBytes(WinRect::FromQRect(stored)));
    });
    MakeFrame();
    frame->ShowAtStart(false);
    EXPECT_EQ(frame->frameGeometry(), work) << "the frame too";
}

TEST_F(FrameTest, TheBarStateRoundTripsAndTheSpeedMeterSettingHasTheLastWord)
{
    MakeFrame();
    frame->show();
    ASSERT_TRUE(frame->Commands().Dispatch(ID_VIEW_STATUS_BAR));
    frame->ToolBar()->hide();
    ASSERT_TRUE(ExitAndDelete(false));
    const QByteArray state = Ini().value("Settings/DockState/State").toByteArray();
    EXPECT_FALSE(state.isEmpty());
    EXPECT_EQ(Ini().value("Settings/DockState/StatusBar").toInt(), 0);
    EXPECT_EQ(Ini().value("Settings/ToolBar").toByteArray().size(), 984);

    SettingStore(AppCore().m_settings.ShowSpeedMeter, 0);
    MakeFrame();
    frame->show();
    EXPECT_TRUE(frame->StatusBar()->isHidden());
    EXPECT_TRUE(frame->ToolBar()->isHidden());
    EXPECT_TRUE(frame->findChild<QToolBar*>(QStringLiteral("SpeedMeterBar"))->isHidden());
    EXPECT_FALSE(frame->Commands().Query(ID_VIEW_STATUS_BAR).check);
    ASSERT_TRUE(ExitAndDelete(false));
    EXPECT_EQ(Ini().value("Settings/DockState/StatusBar").toInt(), 0) << "a hidden bar stays hidden";
}

namespace {

// Aborts the test binary when the scope is still open after a long while: a
// start-up that hangs fails with a message instead of running into the
// harness's timeout (or, as a stall that ends, passing late).
class HangGuard
{
public:
    explicit HangGuard(std::string what)
        : m_watcher([this, what = std::move(what)] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, std::chrono::seconds(60), [this] { return m_finished; })) {
                  std::fprintf(stderr, "hung: %s\n", what.c_str());
                  std::abort();
              }
          })
    {
    }
    ~HangGuard()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_watcher.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_watcher;
};

QByteArray WithInt32At(QByteArray value, int offset, quint32 number)
{
    qToBigEndian(number, value.data() + offset); // Qt's state stream is big-endian
    return value;
}

QByteArray WithLittleInt32At(QByteArray value, int offset, qint32 number)
{
    qToLittleEndian(number, value.data() + offset);
    return value;
}

} // namespace

TEST_F(FrameTest, ADamagedBarStateToolBarOrColumnsValueGivesTheFactoryLayoutWithoutHanging)
{
    MakeFrame();
    const QByteArray factoryState = frame->saveState(1);
    const QByteArray factoryBar = frame->ToolBar()->SaveLayout();
    const QByteArray factoryColumns = frame->View()->SaveColumns();
    frame->ToolBar()->hide();
    const QByteArray hiddenBar = frame->saveState(1);
    delete frame;
    // The offsets below: version marker and version, the dock section (marker,
    // no areas, central size, four corners), then the tool-bar section: marker,
    // line count, the line's dock area and its bar count.
    constexpr int kDockAreas = 9;
    constexpr int kToolBarMarker = 37;
    constexpr int kLines = 38;
    constexpr int kLineBars = 46;
    ASSERT_EQ(uchar(factoryState[kToolBarMarker]), 0xfc) << factoryState.toHex(' ').toStdString();
    ASSERT_EQ(qFromBigEndian<quint32>(factoryState.constData() + kLineBars), 2u);
    constexpr quint32 kHuge = 0x7fffffff;
    const QString state = QStringLiteral("Settings/DockState/State");
    const QString bar = QStringLiteral("Settings/ToolBar");
    const QString columns = QStringLiteral("Settings/Columns");
    // Record 3 (pause) takes record 2's command (start): two buttons of one command.
    const QByteArray twoStarts = WithLittleInt32At(factoryBar, 4 + 3 * 28 + 4, ID_DOWNLOAD_START);
    const QByteArray strangeCommand = WithLittleInt32At(factoryBar, 4 + 28 * 2 + 4, 4242);
    QByteArray unknownSection = hiddenBar;
    unknownSection[kToolBarMarker] = char(0xf9); // floating dock tabs
    const struct
    {
        const char* what;
        QString key;
        QByteArray value;
    } damaged[] = {
        {"truncated", state, hiddenBar.chopped(3)},
        {"wrong version marker", state, WithInt32At(hiddenBar, 0, 0xfe)},
        {"another version", state, WithInt32At(hiddenBar, 4, 2)},
        {"dock areas in a window without docks", state, WithInt32At(hiddenBar, kDockAreas, 1)},
        {"huge line count", state, WithInt32At(hiddenBar, kLines, kHuge)},
        {"huge bar count", state, WithInt32At(hiddenBar, kLineBars, kHuge)},
        {"more bars than the window has", state, WithInt32At(hiddenBar, kLineBars, 3)},
        {"a section the window cannot have", state, unknownSection},
        {"trailing garbage", state, hiddenBar + QByteArray("\xfc\0\0\0\0", 5)},
        {"a section twice", state, hiddenBar + hiddenBar.mid(kToolBarMarker)},
        {"oversized", state, hiddenBar + QByteArray(1 << 16, '\0')},
        {"two buttons of one command", bar, twoStarts},
        {"an unknown command", bar, strangeCommand},
        {"more columns than the list has", columns, WithLittleInt32At(factoryColumns, 0, 18)},
    };
    for (const auto& test : damaged) {
        SCOPED_TRACE(test.what);
        WriteIniFixture(IniPath(), [&test](QSettings& ini) { ini.setValue(test.key, test.value); });
        {
            const HangGuard guard(test.what);
            MakeFrame();
        }
        EXPECT_FALSE(frame->ToolBar()->isHidden());
        EXPECT_EQ(frame->saveState(1), factoryState);
        EXPECT_EQ(frame->ToolBar()->SaveLayout(), factoryBar);
        EXPECT_EQ(frame->View()->SaveColumns(), factoryColumns);
        delete frame;
    }

    WriteIniFixture(IniPath(), [&](QSettings& ini) { ini.setValue(state, hiddenBar); });
    MakeFrame();
    EXPECT_TRUE(frame->ToolBar()->isHidden()) << "a sound value is restored";
}

TEST_F(FrameTest, ClosingHidesToTheTrayWithItsWindowsAndTheHandOffBringsThemBack)
{
    MakeFrame();
    frame->show();
    auto* dialog = new QDialog(frame);
    dialog->show();
    frame->close();
    EXPECT_FALSE(frame->isVisible());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(tray.shown);

    frame->ShowFromHandOff();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(dialog->isVisible());
}

// Nothing could bring a window hidden without a tray back, so closing exits as
// the option's off state does, question included, and the option is kept.
TEST_F(FrameTest, WithoutATrayClosingExitsAndAsksWhileDownloadsRun)
{
    tray.available = false;
    MakeFrame();
    frame->show();
    CDownloadItem* running = AddRow(true);
    prompts.answers = {IDNO};
    frame->close();
    RunDeferredDeletes();
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->isVisible()) << "declined: the window stays";
    EXPECT_FALSE(frame->isMinimized());
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].flags, MB_YESNO | MB_ICONQUESTION);

    running->m_pDownloader->m_bIsRunning = 0;
    const int code = RunEventLoop([this] { frame->close(); });
    RunDeferredDeletes();
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(frame);
    EXPECT_EQ(prompts.boxes.size(), 1) << "nothing runs any more: no question";
    EXPECT_NE(SettingLoad(AppCore().m_settings.MinimizeToTray), 0) << "the option is kept";
}

TEST_F(FrameTest, TheHandOffBringsAWindowMinimisedFromMaximisedBackMaximised)
{
    MakeFrame();
    frame->showMaximized();
    frame->showMinimized();
    frame->ShowFromHandOff();
    EXPECT_TRUE(frame->isMaximized());
    EXPECT_FALSE(frame->isMinimized());
}

TEST_F(FrameTest, ClosingWithoutTheTrayOptionExits)
{
    SettingStore(AppCore().m_settings.MinimizeToTray, 0);
    MakeFrame();
    frame->show();
    const int code = RunEventLoop([this] { frame->close(); });
    RunDeferredDeletes();
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(frame);
    EXPECT_FALSE(tray.shown);
    EXPECT_TRUE(prompts.boxes.isEmpty());
}

TEST_F(FrameTest, TheTrayTipCountsTheWaitingDownloadsAndTheIconAnimatesWhileTheyRun)
{
    MakeFrame();
    frame->OnTimer(CMainFrame::ID_TIMER_UPDATE);
    EXPECT_EQ(tray.toolTip, QStringLiteral("Vandrel"));
    AddRow(false, true);
    AddRow(false, true);
    CDownloadItem* running = AddRow(true);
    AddRow(false);
    tray.icons.clear();
    for (int tick = 0; tick < 14; ++tick)
        frame->OnTimer(CMainFrame::ID_TIMER_UPDATE);
    EXPECT_EQ(tray.toolTip, QStringLiteral("Vandrel（等待下载：3）"));
    QList<int> frames;
    for (int id = 448; id <= 460; ++id)
        frames << id;
    EXPECT_EQ(tray.icons, frames << 448);

    tray.icons.clear();
    running->m_pDownloader->m_bIsRunning = 0;
    for (CDownloadItem* item : {frame->View()->GetItem(0), frame->View()->GetItem(1)})
        item->SetQueued(false);
    frame->OnTimer(CMainFrame::ID_TIMER_UPDATE);
    frame->OnTimer(CMainFrame::ID_TIMER_UPDATE);
    EXPECT_EQ(tray.icons, QList<int>{128}) << "the plain icon once, then nothing";
    EXPECT_EQ(tray.toolTip, QStringLiteral("Vandrel"));

    SettingStore(AppCore().m_settings.AnimateTrayIcon, 0);
    frame->View()->GetItem(0)->SetQueued(true);
    frame->OnTimer(CMainFrame::ID_TIMER_UPDATE);
    EXPECT_EQ(tray.icons, QList<int>{128});
    EXPECT_EQ(tray.toolTip, QStringLiteral("Vandrel（等待下载：1）"));
}

TEST_F(FrameTest, ExitWithNothingRunningAsksNothing)
{
    MakeFrame();
    AddRow(false, true);
    ASSERT_TRUE(ExitAndDelete(true));
    EXPECT_TRUE(prompts.boxes.isEmpty());
    EXPECT_TRUE(sleeps.isEmpty());
    EXPECT_TRUE(TopLevel(QStringLiteral("TerminateDialog")) == nullptr);
}

TEST_F(FrameTest, AnExitAnsweredNoChangesNothing)
{
    MakeFrame();
    CDownloadItem* running = AddRow(true);
    QSignalSpy declined(frame.data(), &CMainFrame::ExitDeclined);
    prompts.answers = {IDNO};
    frame->RequestExit(true);
    RunDeferredDeletes();
    ASSERT_TRUE(frame);
    ASSERT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(prompts.boxes[0].text, QStringLiteral("有些下载正在运行，您真的要退出吗?"));
    EXPECT_EQ(prompts.boxes[0].flags, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(declined.count(), 1);
    EXPECT_FALSE(frame->m_bExiting);
    EXPECT_EQ(int(running->m_pDownloader->m_nState), NeedToPrepare) << "nothing paused";

    SettingStore(AppCore().m_settings.ConfirmExit, 0);
    onSleep = [running] { running->m_pDownloader->m_bIsRunning = 0; };
    ASSERT_TRUE(ExitAndDelete(true));
    EXPECT_EQ(prompts.boxes.size(), 1) << "ConfirmExit off: no question";
}

// The real box under Qt's Chinese translation, as the program loads it: no
// English "Yes" in a Chinese window.
TEST_F(FrameTest, TheExitQuestionAsksInChineseWithChineseButtons)
{
    std::unique_ptr<QTranslator> translation(InstallQtTranslation());
    ASSERT_TRUE(translation) << "qtbase_zh_CN.qm is missing: Debian's qt6-translations-l10n";
    CQtPrompts realPrompts;
    SetPrompts(&realPrompts);
    MakeFrame();
    AddRow(true);
    QStringList buttons;
    QTimer::singleShot(0, [&buttons] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        for (QMessageBox::StandardButton button : {QMessageBox::Yes, QMessageBox::No})
            buttons << box->button(button)->text().remove(u'&');
        box->button(QMessageBox::No)->click();
    });
    frame->RequestExit(true);
    SetPrompts(&prompts);
    ASSERT_EQ(buttons.size(), 2);
    // The mnemonic letter may follow in brackets: "是(Y)".
    EXPECT_TRUE(buttons[0].startsWith(QStringLiteral("是"))) << buttons[0].toStdString();
    EXPECT_TRUE(buttons[1].startsWith(QStringLiteral("否"))) << buttons[1].toStdString();
    EXPECT_FALSE(frame->m_bExiting);
}

TEST_F(FrameTest, ExitPausesShowsTheWaitPanelAndStopsWaitingOnceNothingRuns)
{
    MakeFrame();
    frame->show();
    CDownloadItem* running = AddRow(true);
    QString panelText;
    onSleep = [&] {
        QWidget* panel = TopLevel(QStringLiteral("TerminateDialog"));
        if (panel && panel->isVisible() && (panel->windowFlags() & Qt::FramelessWindowHint))
            panelText = panel->findChild<QLabel*>()->text();
        EXPECT_EQ(int(running->m_pDownloader->m_nState), Pausing);
        running->m_pDownloader->m_bIsRunning = 0; // the pause completes within the first pass
    };
    prompts.answers = {IDYES};
    const int setAside = CSetAsideDownloads::Count();
    ASSERT_TRUE(ExitAndDelete(true));
    EXPECT_EQ(prompts.boxes.size(), 1);
    EXPECT_EQ(sleeps, QList<int>{2000});
    EXPECT_EQ(panelText, QStringLiteral("暂停正在进行的下载。请等待..."));
    EXPECT_EQ(CSetAsideDownloads::Count(), setAside) << "nothing ran any more";
    EXPECT_FALSE(tray.shown);
}

TEST_F(FrameTest, ADownloadThatHangsEndsTheWaitAfterFivePassesAndIsSetAside)
{
    MakeFrame();
    CDownloadItem* hanging = AddRow(true);
    AddRow(false);
    const int setAside = CSetAsideDownloads::Count();
    QSignalSpy declined(frame.data(), &CMainFrame::ExitDeclined);
    const int code = RunEventLoop([this] { frame->RequestExit(false); });
    RunDeferredDeletes();
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(frame);
    EXPECT_EQ(sleeps, QList<int>(5, 2000));
    EXPECT_EQ(CSetAsideDownloads::Count(), setAside + 1);
    EXPECT_EQ(int(hanging->m_pDownloader->m_nState), Pausing) << "still allocated, and paused";
    EXPECT_EQ(declined.count(), 0);
}

TEST_F(FrameTest, AnExitDuringAModalDialogRejectsItAndRunsAtTheNextTick)
{
    MakeFrame();
    frame->show();
    bool frameAliveAfterDialog = false;
    int dialogResult = -1;
    const int code = RunEventLoop([&] {
        QDialog dialog(frame);
        QTimer::singleShot(0, [&] {
            frame->RequestExit(false); // a signal arrives while the dialog runs
            EXPECT_TRUE(frame->IsExitPending());
        });
        dialogResult = dialog.exec();
        frameAliveAfterDialog = frame && !frame->m_bExiting;
    });
    RunDeferredDeletes();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(dialogResult, QDialog::Rejected);
    EXPECT_TRUE(frameAliveAfterDialog);
    EXPECT_FALSE(frame);
}

TEST_F(FrameTest, AnExitAskedForInsideAPromptWaitsForItAndExitCannotBeReentered)
{
    MakeFrame();
    AddRow(true);
    prompts.answers = {IDNO};
    prompts.during = [this] {
        frame->Exit(false); // re-entered from the question's loop: ignored
        EXPECT_FALSE(frame->m_bExiting);
        frame->RequestExit(false); // a signal: waits for the loop
    };
    QSignalSpy declined(frame.data(), &CMainFrame::ExitDeclined);
    frame->RequestExit(true);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->IsExitPending());
    EXPECT_EQ(declined.count(), 0) << "another exit is on its way";

    onSleep = [this] { frame->View()->GetItem(0)->m_pDownloader->m_bIsRunning = 0; };
    frame->OnTimer(CMainFrame::ID_TIMER_UPDATE);
    RunDeferredDeletes();
    EXPECT_FALSE(frame);
    EXPECT_EQ(prompts.boxes.size(), 1) << "the pending exit asks nothing";
}

TEST_F(FrameTest, NoticesReachOnlyAFrameThatStillExists)
{
    MakeFrame();
    const uint64_t id = AddRow(false)->m_nId;
    CDownloadNotifySink::Post(id, Completed);
    ASSERT_TRUE(ExitAndDelete(false)); // the row goes with the window
    CDownloadNotifySink::Post(id, Completed);
    QCoreApplication::processEvents();
    SUCCEED();
}
