#pragma once

#include "engine/DownloadNotifySink.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

// Catches the final state notice of one download; every other notice is
// dropped. Workers post from their own threads, so the caller waits here.
class CFinalNoticeSink : public CDownloadNotifySink
{
public:
    explicit CFinalNoticeSink(uint64_t itemId) : m_nItemId(itemId) {}

    void OnDownloadNotify(uint64_t itemId, int32_t state) override;

    // The final state, or nothing when it did not come within the time.
    std::optional<int32_t> WaitForFinal(std::chrono::milliseconds timeout);
    int32_t WaitForFinal();

private:
    const uint64_t m_nItemId;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::optional<int32_t> m_final; // m_mutex
};
