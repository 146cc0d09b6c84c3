#pragma once

#include "engine/DownloadItem.h"
#include "engine/DownloadState.h"
#include "engine/HttpDownloader.h"

// What the queue and its commands ask of a row, computed afresh at each call
// because workers change the answers at any time.

inline bool IsRunningItem(const CDownloadItem& item)
{
    return item.m_pDownloader && item.m_pDownloader->m_bIsRunning;
}

// Running, or in a state a worker is at work in: what a pause request is for.
inline bool IsBusyItem(const CDownloadItem& item)
{
    return item.m_pDownloader && (item.m_pDownloader->m_bIsRunning || IsActiveState(item.m_pDownloader->m_nState));
}

// Not running and neither active nor Completed: a row that may be started.
inline bool IsIdleItem(const CDownloadItem& item)
{
    return item.m_pDownloader && !IsBusyItem(item) && item.m_pDownloader->m_nState != Completed;
}

// A row whose name and size are still to be learnt.
inline bool NeedsInformation(const CDownloadItem& item)
{
    const int32_t state = item.m_pDownloader ? int32_t(item.m_pDownloader->m_nState) : Completed;
    return state == NeedToPrepare || state == PrepairingFailed;
}
