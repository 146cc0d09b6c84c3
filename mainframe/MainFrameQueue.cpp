#include "mainframe/MainFrame.h"

#include "app/VandrelCore.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/core/DownloadQueue.h"
#include "mainframe/core/QueueTerms.h"

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
    commands.Add(ID_DOWNLOAD_START, [this] { m_queue->StartOrQueue(SelectedItems()); },
                 [this](CmdUI& ui) { ui.enabled = AnySelected(IsStartable); });
    commands.Add(ID_DOWNLOAD_PAUSE, [this] { OnPause(); },
                 [this](CmdUI& ui) { ui.enabled = AnySelected(IsPausable); });
    commands.Add(ID_DOWNLOAD_GET_INFO, [this] { CDownloadQueue::GetInformation(SelectedItems()); },
                 [this](CmdUI& ui) { ui.enabled = AnySelected(NeedsInformation); });
    const auto anyRow = [this](CmdUI& ui) { ui.enabled = m_wndView && m_wndView->GetItemCount() > 0; };
    commands.Add(ID_START_ALL, [this] { m_queue->StartAll(); }, anyRow);
    commands.Add(ID_PAUSE_ALL, [this] { m_queue->PauseAll(); }, anyRow);
    commands.AddRange(ID_CONCURRENCY_FIRST, ID_CONCURRENCY_LAST, [this](int id) { OnConcurrency(id); },
                      [](int id, CmdUI& ui) { ui.check = CDownloadQueue::Limit() == id - ID_CONCURRENCY_FIRST + 1; });
    // The list files register here too, so that the frame has one place to call.
    RegisterListFileCommands();
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
    m_queue->StartOrQueue(item);
}

void CMainFrame::ProcessQueue()
{
    if (m_bExiting)
        return;
    m_queue->Process();
    m_wndView->viewport()->repaint();
}

void CMainFrame::OnPause()
{
    // All requests first: a run that ends at once must not free a place that a
    // selected row further down would take, only to be paused right away.
    for (CDownloadItem* item : SelectedItems())
        CDownloadQueue::Pause(*item);
    ProcessQueue();
}

void CMainFrame::OnConcurrency(int command)
{
    SettingStore(AppCore().m_settings.ConcurrentDownloads, command - ID_CONCURRENCY_FIRST + 1);
    UpdateConcurrencyButton();
    ProcessQueue();
}
