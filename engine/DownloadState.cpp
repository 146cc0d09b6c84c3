#include "engine/DownloadState.h"

namespace {

constexpr const char* kStateNames[kDownloadStateCount] = {
    "NeedToPrepare", "Preparing", "PrepairingFailed", "Prepared", "FileAllocating",
    "FileAllocatingFailed", "FileAllocated", "Transferring", "TransferringFailed", "Transferred",
    "Pausing", "Paused", "Finishing", "FinishingFailed", "Completed",
};

} // namespace

const char* DownloadStateName(int32_t state)
{
    return state >= 0 && state < kDownloadStateCount ? kStateNames[state] : nullptr;
}
