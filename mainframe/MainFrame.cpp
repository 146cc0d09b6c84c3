#include "mainframe/MainFrame.h"

#include "app/VandrelCore.h"
#include "app/gui/AppIcons.h"
#include "app/gui/ModalLoops.h"
#include "app/gui/Prompts.h"
#include "app/gui/TrayIcon.h"
#include "app/gui/UiServices.h"
#include "dialogs/ChecksumDialog.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/BarStateCheck.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadNotifyRelay.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/SetAsideDownloads.h"
#include "mainframe/SpeedMeterWnd.h"
#include "mainframe/StatusBarEx.h"
#include "mainframe/TerminateDialog.h"
#include "mainframe/ToolBarCtrlEx.h"
#include "mainframe/WindowPlacement.h"
#include "mainframe/core/DownloadQueue.h"
#include "mainframe/core/ListFiles.h"
#include "platform/MessageFormat.h"
#include "platform/Profile.h"
#include "platform/StringTable.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QScreen>
#include <QToolBar>

#include <algorithm>

namespace {

constexpr int kRefreshMs = 300;
constexpr int kSchedulerMs = 50000;
constexpr int kExitWaitPasses = 5;
constexpr int kExitWaitPassMs = 2000;
constexpr int kMinimumSide = 200;
constexpr int kBarStateVersion = 1;

constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int WPF_RESTORETOMAXIMIZED = 2;

const QString kPlacementSection = QStringLiteral("Settings\\WindowPlacement");
const QString kBarStateSection = QStringLiteral("Settings\\DockState");

} // namespace

CMainFrame::CMainFrame()
    : m_dropTarget(this), m_commands(new CCommandTable(this))
{
    setObjectName(QStringLiteral("Orlmark_Vandrel_WndClass"));
    m_dlgChecksum = new CChecksumDialog(this);
    connect(&m_timerUpdate, &QTimer::timeout, this, [this] { OnTimer(ID_TIMER_UPDATE); });
    connect(&m_timerScheduler, &QTimer::timeout, this, [this] { OnTimer(ID_TIMER_SCHEDULER); });
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::Create()
{
    setWindowTitle(AppTitle());
    setWindowIcon(AppIcon(IDR_MAINFRAME));
    setMinimumSize(kMinimumSide, kMinimumSide);
    LoadWindowPlacement();
    RegisterCommands();
    CreateMenus();
    m_commands->InstallAccelerators(this);

    CreateBars();
    m_wndView = new CDownloadsView(*m_commands, this);
    m_queue = std::make_unique<CDownloadQueue>(*m_wndView);
    m_listFiles = std::make_unique<CListFiles>(*m_wndView);
    setCentralWidget(m_wndView);
    connect(m_wndView->selectionModel(), &QItemSelectionModel::selectionChanged, m_commands,
            &CCommandTable::RequestUpdate);
    // Rows removed together leave the selection without a signal.
    connect(m_wndView->model(), &QAbstractItemModel::modelReset, m_commands, &CCommandTable::RequestUpdate);
    connect(m_wndView, &QAbstractItemView::doubleClicked, this,
            [this] { m_commands->Dispatch(ID_DOWNLOAD_PROPERTIES); });
    const CProfile profile;
    RestoreColumns(profile);
    SetMessageText(TextId::IdleMessage);
    ConnectBarsToView();
    Ui().tray->Show(IDR_MAINFRAME, AppTitle());
    ConnectTrayIcon();
    LoadBarState(profile);
    ApplySettings();
    m_timerUpdate.start(kRefreshMs);
    setAcceptDrops(true);

    CDownloadNotifyRelay::Instance().RegisterFrame(this);
    m_commands->UpdateAll();
}

void CMainFrame::LoadWindowPlacement()
{
    const QRect defaultRect = DefaultWindowGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    setGeometry(defaultRect);
    m_nStartShowCmd = SW_SHOWNORMAL;
    const CProfile profile;
    QByteArray bytes;
    if (!profile.GetProfileBinary(kPlacementSection, QStringLiteral("MainWindowRect"), &bytes))
        return;
    const std::optional<WinRect> stored = WinRectFromBytes(bytes);
    if (!stored)
        return;
    if (profile.GetProfileInt(kPlacementSection, QStringLiteral("ShowCmd"), SW_SHOWNORMAL) == SW_SHOWMAXIMIZED)
        m_nStartShowCmd = SW_SHOWMAXIMIZED;
    QList<ScreenArea> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append({screen->geometry(), screen->availableGeometry()});
    setGeometry(ComputePlacement(*stored, screens, defaultRect));
}

void CMainFrame::SaveWindowPlacement(CProfile& profile) const
{
    const Qt::WindowStates state = windowState();
    const bool maximized = state.testFlag(Qt::WindowMaximized);
    const bool minimized = state.testFlag(Qt::WindowMinimized);
    if (!profile.WriteProfileBinary(kPlacementSection, QStringLiteral("MainWindowRect"),
                                    WinRectToBytes(WinRect::FromQRect(normalGeometry()))))
        return;
    if (!profile.WriteProfileInt(kPlacementSection, QStringLiteral("Flags"),
                                 maximized && minimized ? WPF_RESTORETOMAXIMIZED : 0))
        return;
    profile.WriteProfileInt(kPlacementSection, QStringLiteral("ShowCmd"),
                            maximized && !minimized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
}

void CMainFrame::ShowAtStart(bool autorun)
{
    // Without a tray nothing could bring a hidden window back: the start is a plain one.
    if (autorun && Ui().tray->IsTrayAvailable())
        return;
    if (m_nStartShowCmd == SW_SHOWMAXIMIZED) {
        showMaximized();
        return;
    }
    show();
    FitFrameIntoWorkArea();
    m_bFrameFitPending = frameGeometry() == geometry();
}

bool CMainFrame::event(QEvent* event)
{
    // An X window manager frames the window only after it is shown; the frame's size
    // is known by the first move, resize or activation that follows.
    const QEvent::Type type = event->type();
    // The type first: children added while the members are being made send events too.
    if ((type == QEvent::Move || type == QEvent::Resize || type == QEvent::WindowActivate) && m_bFrameFitPending
        && !m_bDestroying && isVisible() && frameGeometry() != geometry()) {
        m_bFrameFitPending = false;
        FitFrameIntoWorkArea();
    }
    return QMainWindow::event(event);
}

void CMainFrame::FitFrameIntoWorkArea()
{
    // With the frame as Qt knows it: none yet under X until the window manager has framed the window.
    const QRect client = geometry();
    const QRect frame = frameGeometry();
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                           frame.bottom() - client.bottom());
    const QRect fitted = FitIntoArea(client, screen()->availableGeometry(), margins);
    if (fitted != client)
        setGeometry(fitted);
}

void CMainFrame::RegisterCommands()
{
    m_commands->Add(
        ID_VIEW_STATUS_BAR, [this] { m_wndStatusBar->setVisible(m_wndStatusBar->isHidden()); },
        [this](CmdUI& ui) { ui.check = m_wndStatusBar && !m_wndStatusBar->isHidden(); });
    RegisterQueueCommands();
    RegisterToolCommands();
    RegisterAddingCommands();
    RegisterDownloadCommands();
    RegisterMonitorCommands();
}

void CMainFrame::RestoreColumns(const CProfile& profile)
{
    QByteArray columns;
    if (profile.GetProfileBinary(SettingsSection(), QStringLiteral("Columns"), &columns))
        m_wndView->RestoreColumns(columns);
}

void CMainFrame::LoadBarState(const CProfile& profile)
{
    QByteArray state;
    const CBarStateCheck check(kBarStateVersion, int(findChildren<QToolBar*>(Qt::FindDirectChildrenOnly).size()));
    if (profile.GetProfileBinary(kBarStateSection, QStringLiteral("State"), &state) && check.IsSound(state))
        restoreState(state, kBarStateVersion);
    m_wndStatusBar->setVisible(profile.GetProfileInt(kBarStateSection, QStringLiteral("StatusBar"), 1) != 0);
    // The setting has the last word over the stored bar state.
    m_wndSpeedMeterBar->setVisible(SettingLoad(AppCore().m_settings.ShowSpeedMeter) != 0);
}

void CMainFrame::SaveBarState(CProfile& profile) const
{
    // saveState() leaves the status bar out. isHidden(): a window never shown is
    // not visible, but its bars are not hidden.
    profile.WriteProfileBinary(kBarStateSection, QStringLiteral("State"), saveState(kBarStateVersion));
    profile.WriteProfileInt(kBarStateSection, QStringLiteral("StatusBar"), m_wndStatusBar->isHidden() ? 0 : 1);
}

void CMainFrame::UpdateConcurrencyButton()
{
    m_wndToolBar->SetButtonImage(m_wndToolBar->CommandToIndex(ID_CONCURRENCY_DROPDOWN),
                                 kConcurrencyImageBase + CDownloadQueue::Limit());
}

void CMainFrame::ApplySettings()
{
    const CAppSettings& settings = AppCore().m_settings;
    UpdateConcurrencyButton();
    UpdateClipboardListener();
    if (SettingLoad(settings.SchedulerOn)) {
        m_timerScheduler.start(kSchedulerMs);
    } else {
        m_timerScheduler.stop();
        // Switched on again later, the scheduler must start afresh, not only stop.
        m_bSchedulerRunning = false;
    }
}

int CMainFrame::CountWaiting() const
{
    return m_wndView->TallyRows().waiting;
}

void CMainFrame::OnTimer(int id)
{
    if (!m_wndView)
        return;
    if (id == ID_TIMER_SCHEDULER) {
        SchedulerTick();
        return;
    }
    if (id != ID_TIMER_UPDATE)
        return;
    if (m_pendingExit && !CModalLoops::IsOpen()) {
        RunPendingExit();
        if (m_bDestroying)
            return;
    }
    // One pass over the rows serves the whole tick.
    const CDownloadsView::RowTally tally = m_wndView->TallyRows();
    RefreshItemDialogs(tally.withDialog);
    if (m_wndView->GetItemCount() > 0) {
        m_wndView->AdvanceMarquee();
        m_wndView->RepaintChangedRows();
    }
    m_wndSpeedMeter->AddSample(tally.speed);
    UpdateTrayIcon(tally.waiting);
    m_commands->UpdateAll();
    ShowStatusPanes(tally);
}

void CMainFrame::UpdateTrayIcon(int waiting)
{
    ITrayIcon& tray = *Ui().tray;
    tray.SetToolTip(waiting > 0 ? FormatString(LoadResString(TextId::TrayTipWaiting), uint32_t(waiting)) : AppTitle());
    if (SettingLoad(AppCore().m_settings.AnimateTrayIcon) && waiting > 0) {
        m_nTrayIconFrame = std::max(m_nTrayIconFrame, 0);
        tray.SetIcon(IDI_TRAY_FIRST_FRAME + m_nTrayIconFrame);
        m_nTrayIconFrame = (m_nTrayIconFrame + 1) % kTrayFrameCount;
    } else if (m_nTrayIconFrame >= 0) {
        tray.SetIcon(IDR_MAINFRAME);
        m_nTrayIconFrame = -1;
    }
}

void CMainFrame::RequestExit(bool ask, ExitWhen when)
{
    if (m_bDestroying)
        return;
    if (!CModalLoops::IsOpen()) {
        if (when == ExitWhen::Always || CountWaiting() == 0)
            Exit(ask);
        return;
    }
    if (m_pendingExit) {
        // The stronger request wins: no question, and no condition.
        ask = ask && m_pendingExit->ask;
        if (m_pendingExit->when == ExitWhen::Always)
            when = ExitWhen::Always;
    }
    m_pendingExit = PendingExit{ask, when};
    CModalLoops::RejectAll();
}

void CMainFrame::RunPendingExit()
{
    const PendingExit pending = *std::exchange(m_pendingExit, std::nullopt);
    if (pending.when == ExitWhen::Always || CountWaiting() == 0)
        Exit(pending.ask);
}

void CMainFrame::Exit(bool ask)
{
    // Set before the question: its loop must not start a second exit.
    if (m_bInExit || m_bDestroying)
        return;
    m_bInExit = true;
    const bool running = m_queue->CountRunning() > 0;
    if (ask && SettingLoad(AppCore().m_settings.ConfirmExit) && running
        && AppMessageBox(this, TextId::ConfirmExit, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        m_bInExit = false;
        if (!m_pendingExit) // declined, and no other exit is on its way
            emit ExitDeclined();
        return;
    }
    m_bExiting = true;
    if (running) {
        m_timerScheduler.stop(); // nothing may start while the downloads stop
        m_queue->PauseAllRunning();
        m_dlgTerminate = new CTerminateDialog(this);
        m_dlgTerminate->ShowCentred();
        // The panel and the window behind it are repainted meanwhile; notices return at once while exiting.
        for (int pass = 0; pass < kExitWaitPasses && m_queue->CountRunning() > 0; ++pass)
            Ui().exitWaitMs(kExitWaitPassMs);
    }
    DestroyFrame();
}

void CMainFrame::DestroyFrame()
{
    m_bDestroying = true;
    CDownloadNotifyRelay::Instance().UnregisterFrame();
    OnDestroy();
    hide();
    deleteLater();
    Ui().endEventLoop(0);
}

void CMainFrame::OnDestroy()
{
    m_timerUpdate.stop();
    m_timerScheduler.stop();
    disconnect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::OnClipboardUpdate);
    if (m_bListLoaded)
        SaveDownloadList();
    CProfile profile;
    profile.WriteProfileBinary(SettingsSection(), QStringLiteral("ToolBar"), m_wndToolBar->SaveLayout());
    profile.WriteProfileBinary(SettingsSection(), QStringLiteral("Columns"), m_wndView->SaveColumns());
    SaveBarState(profile);
    SaveWindowPlacement(profile);
    profile.sync();
    Ui().tray->Hide();
    for (CDownloadItem* item : m_wndView->TakeRunningItems())
        CSetAsideDownloads::Add(item);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (!m_bDestroying)
        OnClose();
}

void CMainFrame::OnClose()
{
    // Without a tray a hidden window could only be found again by starting the
    // program anew, so closing exits; the option is kept for a desktop that has one.
    if (SettingLoad(AppCore().m_settings.MinimizeToTray) && Ui().tray->IsTrayAvailable())
        HideApplication();
    else
        RequestExit(true);
}

void CMainFrame::HideApplication()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->parentWidget() == this && window->isVisible()) {
            window->hide();
            m_hiddenWithFrame.append(window);
        }
    }
    hide();
}

void CMainFrame::ShowFromHandOff()
{
    show();
    // Back to the state before minimising, maximised included (showNormal() would drop that).
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
    ShowHiddenOwnedWindows();
}

void CMainFrame::ShowHiddenOwnedWindows()
{
    for (QWidget* window : std::exchange(m_hiddenWithFrame, {})) {
        if (window)
            window->show();
    }
}

void CMainFrame::SetMessageText(const QString& text)
{
    m_wndStatusBar->SetMessageText(text);
}

void CMainFrame::SetMessageText(TextId stringId)
{
    SetMessageText(LoadResString(stringId));
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    m_dropTarget.DragEnter(event);
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event)
{
    m_dropTarget.DragOver(event);
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    m_dropTarget.Drop(event);
}
