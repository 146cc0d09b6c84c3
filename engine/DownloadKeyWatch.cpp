#include "engine/DownloadKeyWatch.h"

#include <mutex>
#include <vector>

namespace {

// The lock is held while a notice is delivered, so that a watch is never called
// once removed. Never destroyed: workers set aside at exit may still post.
struct Watches
{
    std::mutex lock;
    std::vector<CDownloadKeyWatch*> list;
};

Watches& TheWatches()
{
    static auto* watches = new Watches;
    return *watches;
}

} // namespace

void CDownloadKeyWatch::Add(CDownloadKeyWatch* watch)
{
    Watches& watches = TheWatches();
    std::lock_guard lock(watches.lock);
    watches.list.push_back(watch);
}

void CDownloadKeyWatch::Remove(CDownloadKeyWatch* watch)
{
    Watches& watches = TheWatches();
    std::lock_guard lock(watches.lock);
    std::erase(watches.list, watch);
}

void CDownloadKeyWatch::Post(uint64_t itemId)
{
    if (itemId == 0)
        return;
    Watches& watches = TheWatches();
    std::lock_guard lock(watches.lock);
    for (CDownloadKeyWatch* watch : watches.list)
        watch->OnDownloadKeysChanged(itemId);
}
