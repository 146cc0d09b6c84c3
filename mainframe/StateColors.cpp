#include "mainframe/StateColors.h"

#include "engine/DownloadState.h"

namespace {

struct StateColors
{
    uint32_t text;
    uint32_t progress;
};

// By DownloadState. New and prepared downloads share an amber text, active
// states blue, the settled idle states a darker blue and failures red.
constexpr StateColors kStateColors[kDownloadStateCount] = {
    {0x097FD3, 0x000000}, // NeedToPrepare
    {0xD38909, 0xE8A200}, // Preparing
    {0x1010D1, 0x2626DA}, // PrepairingFailed
    {0x097FD3, 0x0EC9FF}, // Prepared
    {0xD38909, 0xC3C3C3}, // FileAllocating
    {0x1010D1, 0x2626DA}, // FileAllocatingFailed
    {0xA24E25, 0x0EC9FF}, // FileAllocated
    {0xD38909, 0xE8A200}, // Transferring
    {0x1010D1, 0x2626DA}, // TransferringFailed
    {0xA24E25, 0x0EC9FF}, // Transferred
    {0xD38909, 0xE8A200}, // Pausing
    {0xA24E25, 0x0EC9FF}, // Paused
    {0xD38909, 0xE8A200}, // Finishing
    {0x1010D1, 0x2626DA}, // FinishingFailed
    {0x239143, 0x25B006}, // Completed
};

const StateColors* Find(int32_t state)
{
    return state >= 0 && state < kDownloadStateCount ? &kStateColors[state] : nullptr;
}

} // namespace

uint32_t GetStateTextColor(int32_t state)
{
    const StateColors* colors = Find(state);
    return colors ? colors->text : 0;
}

uint32_t GetStateProgressColor(int32_t state)
{
    const StateColors* colors = Find(state);
    return colors ? colors->progress : 0;
}
