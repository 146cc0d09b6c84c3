#include "engine/DownloadNotifySink.h"

#include <atomic>

namespace {

std::atomic<CDownloadNotifySink*> g_sink{nullptr};

} // namespace

void CDownloadNotifySink::Register(CDownloadNotifySink* sink)
{
    g_sink.store(sink);
}

void CDownloadNotifySink::Post(uint64_t itemId, int32_t state)
{
    if (CDownloadNotifySink* sink = g_sink.load())
        sink->OnDownloadNotify(itemId, state);
}
