#include "mainframe/MainFrame.h"

#include "app/SettingsTypes.h"
#include "app/VandrelCore.h"
#include "app/gui/PowerOffAtExit.h"
#include "app/gui/UiServices.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "platform/PowerActions.h"

#include <utility>

void CMainFrame::OnDownloadNotify(uint64_t itemId, int32_t state)
{
    CDownloadItem* item = m_bExiting ? nullptr : m_wndView->FindItemById(itemId);
    if (!item || !item->m_pDownloader)
        return; // a row deleted meanwhile: the notice is stale
    m_commands->RequestUpdate();
    // The current state decides, not the one the notice carries: it may have moved on.
    const bool completed = item->m_pDownloader->m_nState == Completed;
    if (state == FileAllocated || completed)
        SaveDownloadList();
    if (state == FileAllocated) {
        // The run's final notice does the rest; a fast run may already be final
        // here, and would otherwise notify, or sleep, twice.
        ProcessQueue();
        return;
    }
    if (completed) {
        item->SetQueued(false);
        item->SetScheduled(false);
    }
    NotifyDownloadDone(item);
    if (CountWaiting() > 0)
        ProcessQueue();
    else
        CarryOutAllDoneAction();
}

void CMainFrame::CarryOutAllDoneAction()
{
    // Not reset once carried out: every later notice that finds nothing at work repeats it.
    switch (SettingLoad(AppCore().m_settings.AllDoneAction)) {
    case FinishExit: RequestExit(false, ExitWhen::NothingRunsOrWaits); break;
    case FinishSleep: Ui().power->Suspend(); break;
    case FinishHibernate: Ui().power->Hibernate(); break;
    case FinishShutDown: ShutDownAfterExit(ExitWhen::NothingRunsOrWaits); break;
    default: ProcessQueue(); break;
    }
}

void CMainFrame::ShutDownAfterExit(ExitWhen when)
{
    m_bPowerOffWithExit = true;
    RequestExit(false, when);
    if (IsExitPending())
        connect(&m_timerUpdate, &QTimer::timeout, this, &CMainFrame::SettlePowerOff, Qt::UniqueConnection);
    else
        SettlePowerOff();
}

void CMainFrame::SettlePowerOff()
{
    // Connected after the tick's own handler, so a deferred exit has had its chance.
    if (IsExitPending())
        return;
    disconnect(&m_timerUpdate, &QTimer::timeout, this, &CMainFrame::SettlePowerOff);
    // An exit dropped because something started meanwhile takes the power-off with it.
    if (std::exchange(m_bPowerOffWithExit, false) && m_bDestroying)
        CPowerOffAtExit::Request();
}
