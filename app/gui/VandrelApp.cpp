#include "app/gui/VandrelApp.h"

#include "app/AppDataFile.h"
#include "app/ChangedSettings.h"
#include "app/DownloadsFolder.h"
#include "app/TextFormat.h"
#include "app/VandrelCore.h"
#include "app/gui/AppFile.h"
#include "app/gui/AppIcons.h"
#include "app/gui/Prompts.h"
#include "app/gui/ShellIntegration.h"
#include "app/gui/SingleInstance.h"
#include "app/gui/UiServices.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/OptionsDialog.h"
#include "engine/LiveWorkers.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/MainFrame.h"
#include "mainframe/SetAsideDownloads.h"
#include "platform/MessageFormat.h"
#include "platform/StringTable.h"
#include "platform/SystemError.h"
#include "platform/inet/Inet.h"

#include <QApplication>
#include <QLocale>

#include <cstdlib>
#include <mutex>
#include <tuple>

namespace {

constexpr inet::DWORD kMaxConnections = 64;
constexpr int kResetButton = 1;
constexpr std::chrono::milliseconds kStubLockWaitPerDownload(2000);
constexpr std::chrono::milliseconds kStubLockWaitInAll(5000);
// A running instance listens once its window exists.
constexpr int kHandOffWaitMs = 10000;
constexpr int kExitNoInstanceLock = 1;

CVandrelApp* g_app = nullptr;

QDate DateOf(const SYSTEMTIME& time)
{
    return QDate(time.wYear, time.wMonth, time.wDay);
}

std::tuple<int, int, int, int> TimeOfDayOf(const SYSTEMTIME& time)
{
    return {time.wHour, time.wMinute, time.wSecond, time.wMilliseconds};
}

void SetDate(SYSTEMTIME& time, const QDate& date)
{
    time.wYear = uint16_t(date.year());
    time.wMonth = uint16_t(date.month());
    time.wDay = uint16_t(date.day());
    time.wDayOfWeek = uint16_t(date.dayOfWeek() % 7); // Sunday is 0
}

} // namespace

CVandrelApp* theApp()
{
    return g_app;
}

CVandrelApp::CVandrelApp()
{
    g_app = this;
}

CVandrelApp::~CVandrelApp()
{
    delete m_pMainWnd; // only when the event loop never ran to the frame's own deletion
    g_app = nullptr;
}

CMainFrame* CVandrelApp::GetMainFrame() const
{
    return m_pMainWnd;
}

bool CVandrelApp::InitInstance(AppCommandMode mode)
{
    m_instance = std::make_unique<CSingleInstance>();
    const ExclusiveFileLock::Result lock = m_instance->TryLock();
    if (lock != ExclusiveFileLock::Result::Locked) {
        m_bSecondInstance = true;
        if (!HandOffOrExplain(lock))
            m_exitCode = kExitNoInstanceLock;
        return false;
    }
    for (inet::DWORD option : {inet::INTERNET_OPTION_MAX_CONNS_PER_SERVER, inet::INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER,
                               inet::INTERNET_OPTION_MAX_CONNS_PER_PROXY})
        inet::InternetSetOptionW(nullptr, option, &kMaxConnections, sizeof(kMaxConnections));

    CAppSettings& settings = AppCore().m_settings;
    settings.Load();
    CreateMissingDownloadsFolder(settings.DefaultDownloadLocation);
    if (settings.SchedulerAutoTurnOn) {
        SettingStore(settings.SchedulerOn, 1);
        MoveScheduleToToday(settings, Ui().nowLocal());
    }
    ResizeHistories();
    LoadHistories();
    // No shutdown privilege to enable: logind authorises each power call itself.

    auto* frame = new CMainFrame;
    frame->Create();
    m_pMainWnd = frame;
    RegisterCommands();
    connect(m_instance.get(), &CSingleInstance::ShowRequested, frame, &CMainFrame::ShowFromHandOff);
    connect(m_instance.get(), &CSingleInstance::ExitRequested, this, &CVandrelApp::OnAppExit);
    connect(frame, &CMainFrame::ExitDeclined, m_instance.get(), &CSingleInstance::CloseExitConnections);
    m_instance->Listen();
    frame->ShowAtStart(mode == AppModeAutorun);
    frame->LoadDownloadList();
    return true;
}

bool CVandrelApp::HandOffOrExplain(ExclusiveFileLock::Result lock)
{
    if (lock == ExclusiveFileLock::Result::HeldElsewhere) {
        if (CSingleInstance::HandOffShow(kHandOffWaitMs))
            return true;
        AppMessageBox(nullptr, QStringLiteral("%1 已在运行，但没有响应。请结束它后再试。").arg(AppTitle()),
                      MB_OK | MB_ICONERROR);
        return false;
    }
    const QString text = QStringLiteral("无法锁定 %1，%2 无法启动。\n\n%3")
                             .arg(CSingleInstance::LockPath(), AppTitle(), GetSystemErrorText(m_instance->LockError()));
    AppMessageBox(nullptr, text, MB_OK | MB_ICONERROR);
    return false;
}

int CVandrelApp::ExitInstance()
{
    if (m_bSecondInstance)
        return m_exitCode;
    CVandrelCore& core = AppCore();
    {
        // Workers set aside at exit may still add to the counter.
        std::lock_guard lock(core.m_csDataUsage);
        core.m_settings.Save();
    }
    SaveHistories();
    // Only now: a new instance must find the settings saved.
    m_instance->Release();
    return 0;
}

void CVandrelApp::EndProcess(int code)
{
    if (CLiveWorkers::Count() == 0)
        return;
    CSetAsideDownloads::LockRunningStubs(kStubLockWaitPerDownload, kStubLockWaitInAll);
    std::_Exit(code);
}

void CVandrelApp::MoveScheduleToToday(CAppSettings& settings, const SYSTEMTIME& today)
{
    const QDate date = DateOf(today);
    const bool overnight = TimeOfDayOf(settings.SchedulerStopTime) <= TimeOfDayOf(settings.SchedulerStartTime);
    SetDate(settings.SchedulerStartTime, date);
    SetDate(settings.SchedulerStopTime, overnight ? date.addDays(1) : date);
}

void CVandrelApp::ResizeHistories()
{
    CVandrelCore& core = AppCore();
    core.m_urlsHistory.SetCapacity(SettingLoad(core.m_settings.URLsHistorySize));
    core.m_downloadLocationsHistory.SetCapacity(SettingLoad(core.m_settings.DownloadLocationsHistorySize));
}

void CVandrelApp::LoadHistories()
{
    QString path;
    if (GetAppDataFilePath(AppDataUrlsHistory, path))
        AppCore().m_urlsHistory.Load(path);
    if (GetAppDataFilePath(AppDataDownloadLocations, path))
        AppCore().m_downloadLocationsHistory.Load(path);
}

void CVandrelApp::SaveHistories() const
{
    QString path;
    if (GetAppDataFilePath(AppDataUrlsHistory, path))
        AppCore().m_urlsHistory.Save(path);
    if (GetAppDataFilePath(AppDataDownloadLocations, path))
        AppCore().m_downloadLocationsHistory.Save(path);
}

void CVandrelApp::RegisterCommands()
{
    CCommandTable& commands = m_pMainWnd->Commands();
    commands.Add(ID_APP_EXIT, [this] { OnAppExit(); });
    commands.Add(ID_VERSION_HISTORY, [this] { OnVersionHistory(); });
    commands.Add(ID_TERMS_OF_USE, [this] { OnTermsOfUse(); });
    commands.Add(ID_APP_ABOUT, [this] { OnAppAbout(); });
    commands.Add(ID_DATA_USAGE, [this] { ShowDataUsageDialog(); });
    commands.Add(ID_OPTIONS, [this] { ShowOptionsDialog(OptionsPageGeneral); });
    commands.Add(ID_SCHEDULER, [this] { ShowOptionsDialog(OptionsPageScheduler); });
    commands.UpdateAll();
}

bool CVandrelApp::RaiseOpenDialog()
{
    if (!m_openDialog && !m_bDataUsageOpen)
        return false;
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
    return true;
}

void CVandrelApp::ShowDataUsageDialog()
{
    if (RaiseOpenDialog())
        return;
    CVandrelCore& core = AppCore();
    uint64_t usage = 0;
    {
        std::lock_guard lock(core.m_csDataUsage);
        usage = core.m_settings.DataUsage;
    }
    const QString since = QLocale().toString(DateOf(core.m_settings.DataUsageReset), QLocale::LongFormat);
    TaskDialogSpec spec;
    spec.owner = m_pMainWnd;
    spec.title = AppTitle();
    spec.icon = PromptIcon::Resource;
    spec.iconResource = IDI_DATA_USAGE;
    spec.mainInstruction = LoadResString(TextId::DataUsage);
    spec.content = FormatString(LoadResString(TextId::DataUsageText), FormatByteSize(usage, false), since);
    spec.commonButtons = TDCBF_CLOSE_BUTTON;
    spec.customButtons = {{kResetButton, LoadResString(TextId::DataUsageReset)}};
    spec.defaultButton = IDCLOSE;
    spec.allowCancellation = true;
    m_bDataUsageOpen = true;
    const TaskDialogResult result = Prompts().TaskDialog(spec);
    m_bDataUsageOpen = false;
    if (result.button != kResetButton)
        return;
    core.m_settings.DataUsageReset = Ui().nowLocal();
    std::lock_guard lock(core.m_csDataUsage);
    core.m_settings.DataUsage = 0;
}

void CVandrelApp::ShowOptionsDialog(int startPage)
{
    if (RaiseOpenDialog())
        return;
    CVandrelCore& core = AppCore();
    COptionsDialog dialog(startPage, m_pMainWnd);
    {
        std::lock_guard lock(core.m_csDataUsage);
        dialog.m_settings = core.m_settings;
    }
    // The desktop's autostart folder decides whether the program starts at login;
    // the stored value may be stale or the factory one.
    dialog.m_settings.LaunchAtStartup = IsAutoStartOn() ? 1 : 0;
    const CAppSettingsBase before = dialog.m_settings;
    m_openDialog = &dialog;
    const int result = dialog.exec();
    m_openDialog = nullptr;
    if (result != QDialog::Accepted)
        return;
    StoreChangedSettings(core.m_settings, before, dialog.m_settings);
    if (dialog.m_settings.LaunchAtStartup != before.LaunchAtStartup)
        SetAutoStart(dialog.m_settings.LaunchAtStartup != 0);
    ResizeHistories();
    if (m_pMainWnd)
        m_pMainWnd->ApplySettings();
}

void CVandrelApp::OnAppExit()
{
    if (m_pMainWnd)
        m_pMainWnd->RequestExit(true);
}

void CVandrelApp::OnVersionHistory()
{
    OpenAppFile(QStringLiteral("VersionHistory.txt"), m_pMainWnd);
}

void CVandrelApp::OnTermsOfUse()
{
    OpenAppFile(QStringLiteral("TermsOfUse.txt"), m_pMainWnd);
}

void CVandrelApp::OnAppAbout()
{
    CAboutDialog dialog(m_pMainWnd);
    dialog.exec();
}

void CVandrelApp::OnSessionEnd()
{
    if (m_pMainWnd)
        m_pMainWnd->RequestExit(false);
    else
        Ui().endEventLoop(0);
}
