#pragma once

#include <cstdint>

// Where a download's run reports its progress: the partial file exists, and the
// run has ended with a final state. The notices come from worker threads, so the
// sink only hands them on (the main window's relay posts them to its own thread).
// A notice names the row by its id, never by a pointer a deleted row would leave
// dangling.
class CDownloadNotifySink
{
public:
    virtual ~CDownloadNotifySink() = default;

    // Never blocks. state is a DownloadState.
    virtual void OnDownloadNotify(uint64_t itemId, int32_t state) = 0;

    // The sink lives until the process ends, or at least until no worker runs; a
    // null sink drops the notices.
    static void Register(CDownloadNotifySink* sink);
    static void Post(uint64_t itemId, int32_t state);
};
