#include "mainframe/DownloadFigures.h"

#include "app/PrintfText.h"
#include "engine/HttpDownloader.h"
#include "platform/SystemTime.h"

namespace {

constexpr uint64_t kSecondsPerHour = 3600;
constexpr uint64_t kSecondsPerMinute = 60;

} // namespace

uint64_t DownloadedBytes(const CHttpDownloader& download, int32_t state)
{
    const bool transferred = state == Completed || state == Transferred;
    return transferred && download.m_bGotFileSize ? uint64_t(download.m_nFileSize) : download.GetDownloadedSize();
}

uint64_t ElapsedTicks(const CHttpDownloader& download, int32_t state)
{
    uint64_t elapsed = download.m_nWholeDownloadTime;
    if (IsActiveState(state)) {
        const FILETIME now = GetSystemTimeAsFileTime();
        const FILETIME start = download.m_nDownloadStartingTime;
        if (now > start)
            elapsed += now - start;
    }
    return elapsed;
}

QString FormatDuration(uint64_t ticks)
{
    const uint64_t seconds = ticks / kFileTimeTicksPerSecond;
    return PrintfText("%llu:%02u:%02u", static_cast<unsigned long long>(seconds / kSecondsPerHour),
                      unsigned(seconds % kSecondsPerHour / kSecondsPerMinute), unsigned(seconds % kSecondsPerMinute));
}
