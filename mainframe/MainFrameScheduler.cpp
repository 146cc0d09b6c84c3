#include "mainframe/MainFrame.h"

#include "app/SettingsTypes.h"
#include "app/VandrelCore.h"
#include "app/gui/Notifier.h"
#include "app/gui/Prompts.h"
#include "app/gui/UiServices.h"
#include "engine/DownloadItem.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/core/DownloadQueue.h"
#include "platform/PowerActions.h"
#include "platform/StringTable.h"
#include "platform/SystemTime.h"

namespace {

constexpr uint32_t kSchedulerBalloonMs = 3000;
// The stop waits for the paused runs for at most 60 s in all.
constexpr int kStopWaitPasses = 300;
constexpr int kStopWaitPassMs = 200;

} // namespace

void CMainFrame::SchedulerTick()
{
    const CAppSettings& settings = AppCore().m_settings;
    if (!SettingLoad(settings.SchedulerOn))
        return;
    const SYSTEMTIME now = Ui().nowLocal();
    if (!m_bSchedulerRunning && SystemTimeLessOrEqual(settings.SchedulerStartTime, now))
        StartScheduledDownloads();
    // In the same pass: a stop time already passed at the start stops at once.
    if (m_bSchedulerRunning && SystemTimeLessOrEqual(settings.SchedulerStopTime, now))
        StopScheduledDownloads();
}

void CMainFrame::StartScheduledDownloads()
{
    const CAppSettings& settings = AppCore().m_settings;
    m_bSchedulerRunning = true;
    if (SettingLoad(settings.NotifyScheduler))
        ShowBalloon(AppTitle(), LoadResString(TextId::SchedulerStarted), NIIF_INFO, kSchedulerBalloonMs);
    const bool all = SettingLoad(settings.ScheduleAllItems) != 0;
    for (int row = 0; row < m_wndView->GetItemCount(); ++row) {
        CDownloadItem* item = m_wndView->GetItem(row);
        if (all || item->IsScheduled())
            StartOrQueue(item);
    }
}

void CMainFrame::StopScheduledDownloads()
{
    CAppSettings& settings = AppCore().m_settings;
    m_bSchedulerRunning = false;
    if (SettingLoad(settings.NotifyScheduler))
        ShowBalloon(AppTitle(), LoadResString(TextId::SchedulerStopped), NIIF_INFO, kSchedulerBalloonMs);
    // Every stop ends the scheduler's run: left on, its next tick would find the
    // start time reached and start the downloads again.
    m_timerScheduler.stop();
    SettingStore(settings.SchedulerOn, 0);
    const int32_t action = SettingLoad(settings.SchedulerStopAction);
    if (action == FinishNothing)
        return;
    // As Pause all: rows the start queued must not start once the pauses are noticed.
    m_queue->PauseAll();
    for (int pass = 0; pass < kStopWaitPasses && m_queue->CountRunning() > 0; ++pass)
        Ui().sleepMs(kStopWaitPassMs);
    switch (action) {
    case FinishExit: RequestExit(false); break;
    case FinishSleep: Ui().power->Suspend(); break;
    case FinishHibernate: Ui().power->Hibernate(); break;
    // Leaves even while a download still runs, and powers off after the saves.
    case FinishShutDown: ShutDownAfterExit(ExitWhen::Always); break;
    default: break; // FinishPauseAll: the downloads are paused
    }
}
