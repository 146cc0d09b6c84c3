#include "mainframe/core/DownloadQueue.h"

#include "app/VandrelCore.h"
#include "mainframe/core/DownloadRows.h"
#include "mainframe/core/QueueTerms.h"

#include <algorithm>

namespace {

constexpr int32_t kMinConcurrency = 1;
constexpr int32_t kMaxConcurrency = 8;

} // namespace

int32_t CDownloadQueue::Limit()
{
    return std::clamp(SettingLoad(AppCore().m_settings.ConcurrentDownloads), kMinConcurrency, kMaxConcurrency);
}

int CDownloadQueue::CountRunning() const
{
    int running = 0;
    for (int row = 0, rows = m_rows.GetItemCount(); row < rows; ++row)
        running += IsRunningItem(*m_rows.GetItem(row)) ? 1 : 0;
    return running;
}

void CDownloadQueue::StartOrQueue(CDownloadItem* item)
{
    int running = CountRunning();
    StartOrQueue(item, running);
}

void CDownloadQueue::StartOrQueue(const std::vector<CDownloadItem*>& items)
{
    int running = CountRunning();
    for (CDownloadItem* item : items)
        StartOrQueue(item, running);
}

void CDownloadQueue::StartAll()
{
    int running = CountRunning();
    for (int row = 0, rows = m_rows.GetItemCount(); row < rows; ++row)
        StartOrQueue(m_rows.GetItem(row), running);
}

void CDownloadQueue::StartOrQueue(CDownloadItem* item, int& running)
{
    if (!IsIdleItem(*item))
        return;
    if (running >= Limit()) {
        item->SetQueued(true);
        return;
    }
    if (Start(item))
        ++running;
}

bool CDownloadQueue::Start(CDownloadItem* item)
{
    item->m_pDownloader->Start(false);
    item->SetQueued(false);
    return IsRunningItem(*item);
}

void CDownloadQueue::Process()
{
    const int limit = Limit();
    const int rows = m_rows.GetItemCount(); // starts and pauses add or remove no row
    int free = limit - CountRunning();
    for (int row = 0; row < rows && free > 0; ++row) {
        CDownloadItem* item = m_rows.GetItem(row);
        if (item->IsQueued() && IsIdleItem(*item) && Start(item))
            --free;
    }
    if (free >= 0)
        return;
    int seen = 0;
    for (int row = 0; row < rows; ++row) {
        CDownloadItem* item = m_rows.GetItem(row);
        if (!IsRunningItem(*item) || ++seen <= limit)
            continue;
        // A row the user is pausing still takes its place, but must not come
        // back by itself.
        if (item->m_pDownloader->m_nState == Pausing)
            continue;
        item->m_pDownloader->RequestPause();
        item->SetQueued(true);
    }
}

void CDownloadQueue::PauseAllRunning()
{
    for (int row = 0, rows = m_rows.GetItemCount(); row < rows; ++row) {
        CDownloadItem* item = m_rows.GetItem(row);
        if (IsBusyItem(*item))
            item->m_pDownloader->RequestPause();
    }
}

void CDownloadQueue::PauseAll()
{
    PauseAllRunning();
    for (int row = 0, rows = m_rows.GetItemCount(); row < rows; ++row)
        m_rows.GetItem(row)->SetQueued(false);
}

void CDownloadQueue::Pause(CDownloadItem& item)
{
    if (IsBusyItem(item))
        item.m_pDownloader->RequestPause();
    item.SetQueued(false);
}

void CDownloadQueue::GetInformation(const std::vector<CDownloadItem*>& items)
{
    for (CDownloadItem* item : items) {
        if (NeedsInformation(*item) && !IsRunningItem(*item))
            item->m_pDownloader->Start(true);
    }
}
