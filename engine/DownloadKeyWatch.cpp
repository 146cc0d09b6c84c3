#include "engine/DownloadKeyWatch.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// Held while a notice is delivered, so that a watch is never called once removed.
std::mutex g_csWatches;
std::vector<CDownloadKeyWatch*> g_watches;

} // namespace

void CDownloadKeyWatch::Add(CDownloadKeyWatch* watch)
{
    std::lock_guard lock(g_csWatches);
    g_watches.push_back(watch);
}

void CDownloadKeyWatch::Remove(CDownloadKeyWatch* watch)
{
    std::lock_guard lock(g_csWatches);
    std::erase(g_watches, watch);
}

void CDownloadKeyWatch::Post(uint64_t itemId)
{
    if (itemId == 0)
        return;
    std::lock_guard lock(g_csWatches);
    for (CDownloadKeyWatch* watch : g_watches)
        watch->OnDownloadKeysChanged(itemId);
}
