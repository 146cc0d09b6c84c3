#pragma once

#include <cstdint>
#include <vector>

class CHttpDownloader;

// One section as the properties dialog shows it, copied at one refresh.
struct SectionSnapshot
{
    int32_t m_nIndex = 0;
    uint64_t m_nRangeStartInitial = 0;
    uint64_t m_nRangeStart = 0;
    uint64_t m_nRangeEnd = 0;
    bool m_bIsUnknownLength = false;
    bool m_bIsReachedZero = false;
    bool m_bIsWorking = false;
    bool m_bIsFailed = false;
    int32_t m_nLastStatus = 0;
    uint32_t m_nTransferRate = 0;
    uint32_t m_nTransferSize = 0;

    bool IsComplete() const;
};

// The download's sections, copied under its sections lock, so that a new
// preparation may replace them while they are shown.
std::vector<SectionSnapshot> SnapshotSections(const CHttpDownloader& download);
