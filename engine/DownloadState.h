#pragma once

#include <cstdint>

// A download's state (CHttpDownloader::m_nState). The names are printed by the
// inspector, so the historical spelling of PrepairingFailed stays.
enum DownloadState : int32_t
{
    NeedToPrepare = 0,
    Preparing = 1,
    PrepairingFailed = 2,
    Prepared = 3,
    FileAllocating = 4,
    FileAllocatingFailed = 5,
    FileAllocated = 6,
    Transferring = 7,
    TransferringFailed = 8,
    Transferred = 9,
    Pausing = 10,
    Paused = 11,
    Finishing = 12,
    FinishingFailed = 13,
    Completed = 14,
};

inline constexpr int32_t kDownloadStateCount = 15;

// The state's name as the enum spells it; null outside 0 to 14.
const char* DownloadStateName(int32_t state);

// How a download connects (CHttpDownloader::m_nAccessType).
enum AccessType : int32_t
{
    Preconfig = 0,
    Direct = 1,
    Proxy = 2,
};

// A worker of the download is at work in this state.
constexpr bool IsActiveState(int32_t state)
{
    return state == Preparing || state == FileAllocating || state == Transferring || state == Pausing
        || state == Finishing;
}

constexpr bool IsFailedState(int32_t state)
{
    return state == PrepairingFailed || state == FileAllocatingFailed || state == TransferringFailed
        || state == FinishingFailed;
}
