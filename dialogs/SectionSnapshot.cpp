#include "dialogs/SectionSnapshot.h"

#include "engine/HttpDownloader.h"

bool SectionSnapshot::IsComplete() const
{
    return m_bIsUnknownLength ? m_bIsReachedZero : m_nRangeStart > m_nRangeEnd;
}

std::vector<SectionSnapshot> SnapshotSections(const CHttpDownloader& download)
{
    std::vector<SectionSnapshot> sections;
    const auto lock = download.LockSections();
    sections.reserve(download.m_sections.size());
    for (const auto& section : download.m_sections) {
        SectionSnapshot& copy = sections.emplace_back();
        copy.m_nIndex = section->m_nIndex;
        copy.m_nRangeStartInitial = section->m_nRangeStartInitial;
        copy.m_nRangeStart = section->m_nRangeStart;
        copy.m_nRangeEnd = section->m_nRangeEnd;
        copy.m_bIsUnknownLength = section->m_bIsUnknownLength != 0;
        copy.m_bIsReachedZero = section->m_bIsReachedZero != 0;
        copy.m_bIsWorking = section->m_bIsWorking != 0;
        copy.m_bIsFailed = section->m_bIsFailed != 0;
        copy.m_nLastStatus = section->m_nLastStatus;
        copy.m_nTransferRate = section->m_nTransferRate;
        copy.m_nTransferSize = section->m_nTransferSize;
    }
    return sections;
}
