#include "mainframe/RowTally.h"

#include "engine/HttpDownloader.h"

void CRowTally::Insert(CDownloadItem& item)
{
    item.SetWatch(this);
    item.m_nAwakeSlot = -1;
    item.m_bRestsCompleted = false;
    OnItemWoken(item);
}

void CRowTally::Remove(CDownloadItem& item)
{
    if (item.m_nAwakeSlot >= 0)
        Unlink(item);
    else if (item.m_bRestsCompleted)
        --m_nRestingCompleted;
    item.m_bRestsCompleted = false;
    item.SetWatch(nullptr);
}

RowTally CRowTally::Take(int rows)
{
    RowTally tally;
    tally.completed = m_nRestingCompleted;
    tally.idle = rows - int(m_awake.size()) - m_nRestingCompleted;
    for (size_t slot = 0; slot < m_awake.size();) {
        CDownloadItem& item = *m_awake[slot];
        const CHttpDownloader* download = item.m_pDownloader;
        // The running flag first: once it reads clear, the state is the run's last.
        const bool running = download && download->m_bIsRunning;
        const int32_t state = download ? int32_t(download->m_nState) : NeedToPrepare;
        const bool completed = download && state == Completed;
        tally.running += running ? 1 : 0;
        tally.queued += item.IsQueued() ? 1 : 0;
        tally.waiting += running || item.IsQueued() ? 1 : 0;
        tally.idle += !running && !completed ? 1 : 0;
        tally.completed += completed ? 1 : 0;
        tally.scheduled += item.IsScheduled() ? 1 : 0;
        if (running && state == Transferring)
            tally.speed += download->GetTransferRate();
        if (item.Dialog())
            tally.withDialog.push_back(&item);
        if (running || item.IsQueued() || item.IsScheduled() || item.Dialog())
            ++slot;
        else
            Rest(item, completed); // another row takes its slot
    }
    return tally;
}

void CRowTally::OnItemWoken(CDownloadItem& item)
{
    if (item.m_nAwakeSlot >= 0)
        return;
    if (item.m_bRestsCompleted)
        --m_nRestingCompleted;
    item.m_bRestsCompleted = false;
    item.m_nAwakeSlot = int32_t(m_awake.size());
    m_awake.push_back(&item);
}

void CRowTally::Rest(CDownloadItem& item, bool completed)
{
    Unlink(item);
    item.m_bRestsCompleted = completed;
    m_nRestingCompleted += completed ? 1 : 0;
}

void CRowTally::Unlink(CDownloadItem& item)
{
    CDownloadItem* last = m_awake.back();
    m_awake[size_t(item.m_nAwakeSlot)] = last;
    last->m_nAwakeSlot = item.m_nAwakeSlot;
    m_awake.pop_back();
    item.m_nAwakeSlot = -1;
}
