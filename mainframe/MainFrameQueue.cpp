#include "mainframe/MainFrame.h"

#include "app/VandrelCore.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/QueueTerms.h"
#include "mainframe/ToolBarCtrlEx.h"

namespace {

bool IsStartable(const CDownloadItem& item)
{
    return !item.IsQueued() && IsIdleItem(item);
}

bool IsPausable(const CDownloadItem& item)
{
    return item.IsQueued() || IsBusyItem(item);
}

} // namespace

void CMainFrame::RegisterQueueCommands()
{
    CCommandTable& commands = *m_commands;
    commands.Add(ID_DOWNLOAD_START, [this] { OnStart(); },
                 [this](CmdUI& ui) { ui.enabled = AnySelected(IsStartable); });
    commands.Add(ID_DOWNLOAD_PAUSE, [this] { OnPause(); },
                 [this](CmdUI& ui) { ui.enabled = AnySelected(IsPausable); });
    commands.Add(ID_DOWNLOAD_GET_INFO, [this] { OnGetInformation(); },
                 [this](CmdUI& ui) { ui.enabled = AnySelected(NeedsInformation); });
    const auto anyRow = [this](CmdUI& ui) { ui.enabled = m_wndView && m_wndView->GetItemCount() > 0; };
    commands.Add(ID_START_ALL, [this] {
        int running = CountRunning();
        for (int row = 0; row < m_wndView->GetItemCount(); ++row)
            StartOrQueue(m_wndView->GetItem(row), running);
    }, anyRow);
    commands.Add(ID_PAUSE_ALL, [this] { OnPauseAll(); }, anyRow);
    commands.AddRange(ID_CONCURRENCY_FIRST, ID_CONCURRENCY_LAST, [this](int id) { OnConcurrency(id); },
                      [](int id, CmdUI& ui) { ui.check = ConcurrencyLimit() == id - ID_CONCURRENCY_FIRST + 1; });
    // The list files register here too, so that the frame has one place to call.
    RegisterListFileCommands();
}

int CMainFrame::CountRunning() const
{
    int running = 0;
    for (int row = 0; row < m_wndView->GetItemCount(); ++row)
        running += IsRunningItem(*m_wndView->GetItem(row)) ? 1 : 0;
    return running;
}

std::vector<CDownloadItem*> CMainFrame::SelectedItems() const
{
    std::vector<CDownloadItem*> items;
    if (!m_wndView)
        return items;
    for (int row : m_wndView->GetSelectedRows())
        items.push_back(m_wndView->GetItem(row));
    return items;
}

bool CMainFrame::AnySelected(ItemTest test) const
{
    if (!m_wndView)
        return false;
    for (const auto& [first, last] : m_wndView->GetSelectedRuns()) {
        for (int row = first; row <= last; ++row) {
            if (test(*m_wndView->GetItem(row)))
                return true;
        }
    }
    return false;
}

int CMainFrame::SelectedCount() const
{
    int count = 0;
    if (m_wndView) {
        for (const auto& [first, last] : m_wndView->GetSelectedRuns())
            count += last - first + 1;
    }
    return count;
}

void CMainFrame::StartOrQueue(CDownloadItem* item)
{
    int running = CountRunning();
    StartOrQueue(item, running);
}

void CMainFrame::StartOrQueue(CDownloadItem* item, int& running)
{
    if (!IsIdleItem(*item))
        return;
    if (running >= ConcurrencyLimit()) {
        item->SetQueued(true);
        return;
    }
    if (StartItem(item))
        ++running;
}

bool CMainFrame::StartItem(CDownloadItem* item)
{
    item->m_pDownloader->Start(false);
    item->SetQueued(false);
    return IsRunningItem(*item);
}

void CMainFrame::ProcessQueue()
{
    if (m_bExiting)
        return;
    const int limit = ConcurrencyLimit();
    int free = limit - CountRunning();
    for (int row = 0; row < m_wndView->GetItemCount() && free > 0; ++row) {
        CDownloadItem* item = m_wndView->GetItem(row);
        if (item->IsQueued() && IsIdleItem(*item) && StartItem(item))
            --free;
    }
    if (free < 0) {
        int seen = 0;
        for (int row = 0; row < m_wndView->GetItemCount(); ++row) {
            CDownloadItem* item = m_wndView->GetItem(row);
            if (!IsRunningItem(*item) || ++seen <= limit)
                continue;
            // A row the user is pausing still takes its place, but must not
            // come back by itself.
            if (item->m_pDownloader->m_nState == Pausing)
                continue;
            item->m_pDownloader->RequestPause();
            item->SetQueued(true);
        }
    }
    m_wndView->viewport()->repaint();
}

void CMainFrame::OnStart()
{
    int running = CountRunning();
    for (CDownloadItem* item : SelectedItems())
        StartOrQueue(item, running);
}

void CMainFrame::OnPause()
{
    // All requests first: a run that ends at once must not free a place that a
    // selected row further down would take, only to be paused right away.
    for (CDownloadItem* item : SelectedItems()) {
        if (IsBusyItem(*item))
            item->m_pDownloader->RequestPause();
        item->SetQueued(false);
    }
    ProcessQueue();
}

void CMainFrame::OnGetInformation()
{
    for (CDownloadItem* item : SelectedItems()) {
        if (NeedsInformation(*item) && !IsRunningItem(*item))
            item->m_pDownloader->Start(true);
    }
}

void CMainFrame::OnPauseAll()
{
    PauseAllRunning();
    for (int row = 0; row < m_wndView->GetItemCount(); ++row)
        m_wndView->GetItem(row)->SetQueued(false);
}

void CMainFrame::OnConcurrency(int command)
{
    SettingStore(AppCore().m_settings.ConcurrentDownloads, command - ID_CONCURRENCY_FIRST + 1);
    UpdateConcurrencyButton();
    ProcessQueue();
}
