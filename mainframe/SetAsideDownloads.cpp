#include "mainframe/SetAsideDownloads.h"

#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"

#include <thread>
#include <vector>

namespace {

constexpr std::chrono::milliseconds kLockRetry(10);

std::vector<CDownloadItem*>& Items()
{
    static auto* items = new std::vector<CDownloadItem*>; // never destroyed, like the items
    return *items;
}

bool TryLockFor(std::mutex& mutex, std::chrono::steady_clock::time_point deadline)
{
    while (!mutex.try_lock()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kLockRetry);
    }
    return true;
}

} // namespace

void CSetAsideDownloads::Add(CDownloadItem* item)
{
    Items().push_back(item);
}

int CSetAsideDownloads::Count()
{
    return int(Items().size());
}

void CSetAsideDownloads::LockRunningStubs(std::chrono::milliseconds perDownload, std::chrono::milliseconds total)
{
    const auto end = std::chrono::steady_clock::now() + total;
    for (CDownloadItem* item : Items()) {
        CHttpDownloader* download = item->m_pDownloader;
        if (!download || !download->m_bIsRunning)
            continue;
        const auto deadline = std::min(end, std::chrono::steady_clock::now() + perDownload);
        if (!TryLockFor(download->m_csStub, deadline) && std::chrono::steady_clock::now() >= end)
            return;
    }
}
