#pragma once

#include <cstdint>

// Hears that a download's download URL or local file name changed, on the thread
// that changed it, right after the change: the downloads list keeps an index of
// those texts, and workers change them while they prepare and finish a run.
// A notice names the row by its id, as the download notices do.
class CDownloadKeyWatch
{
public:
    virtual ~CDownloadKeyWatch() = default;

    // Never blocks for long: it is called from worker threads.
    virtual void OnDownloadKeysChanged(uint64_t itemId) = 0;

    // A watch hears every change from Add until Remove returns; Remove waits
    // for a notice that is being delivered to it.
    static void Add(CDownloadKeyWatch* watch);
    static void Remove(CDownloadKeyWatch* watch);
    // Item id 0 (a download without a row) tells no one.
    static void Post(uint64_t itemId);
};
