#include "FinalNoticeSink.h"

#include "engine/DownloadState.h"

void CFinalNoticeSink::OnDownloadNotify(uint64_t itemId, int32_t state)
{
    if (itemId != m_nItemId || state == FileAllocated)
        return;
    std::lock_guard lock(m_mutex);
    m_final = state;
    m_arrived.notify_all();
}

std::optional<int32_t> CFinalNoticeSink::WaitForFinal(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    m_arrived.wait_for(lock, timeout, [this] { return m_final.has_value(); });
    return m_final;
}

int32_t CFinalNoticeSink::WaitForFinal()
{
    std::unique_lock lock(m_mutex);
    m_arrived.wait(lock, [this] { return m_final.has_value(); });
    return *m_final;
}
