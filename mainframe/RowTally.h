#pragma once

#include "engine/DownloadItem.h"

#include <cstdint>
#include <vector>

// What the refresh tick shows of the whole list.
struct RowTally
{
    int running = 0;
    int queued = 0;
    int waiting = 0;   // running or queued
    int idle = 0;      // neither running nor Completed
    int completed = 0; // Completed, running or not
    int scheduled = 0;
    uint32_t speed = 0; // bytes per second of every running transfer
    std::vector<CDownloadItem*> withDialog; // rows with an open properties dialog
};

// Keeps the tally of the list's rows without walking them all at every tick.
// A row that is neither running, queued, scheduled nor shown in a dialog rests,
// and nothing but waking it (CDownloadItem::Watch) changes what it counts for:
// resting rows are counted once, and only the rows woken since are looked at.
class CRowTally : public CDownloadItem::Watch
{
public:
    // A row joins the list woken, and leaves it with its share.
    void Insert(CDownloadItem& item);
    void Remove(CDownloadItem& item);
    // The tally of the list's rows, all of them; woken rows found resting go to rest.
    RowTally Take(int rows);

    void OnItemWoken(CDownloadItem& item) override;

private:
    void Rest(CDownloadItem& item, bool completed);
    void Unlink(CDownloadItem& item);

    std::vector<CDownloadItem*> m_awake; // item.m_nAwakeSlot is its index here
    int m_nRestingCompleted = 0;
};
