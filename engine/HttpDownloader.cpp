#include "engine/HttpDownloader.h"

#include "engine/DownloadItem.h"
#include "engine/DownloadKeyWatch.h"
#include "engine/HttpAnswer.h"
#include "engine/InvalidArgException.h"
#include "engine/OwnFiles.h"
#include "platform/RemoveFile.h"


#include <algorithm>
#include <limits>

namespace {

constexpr qsizetype kMinFolderLength = 2;

uint64_t BroughtIn(const CSection& section)
{
    const uint64_t start = section.m_nRangeStart;
    // A damaged stub may put the start before the section's first byte.
    return start > section.m_nRangeStartInitial ? start - section.m_nRangeStartInitial : 0;
}

uint64_t SumDownloaded(const CHttpDownloader::SectionList& sections)
{
    uint64_t sum = 0;
    for (const auto& section : sections)
        sum += BroughtIn(*section);
    return sum;
}

// The sum of one figure over the working sections; the caller locks the sections.
uint64_t SumWorking(const CHttpDownloader::SectionList& sections, RelaxedAtomic<uint32_t> CSection::*figure)
{
    uint64_t sum = 0;
    for (const auto& section : sections) {
        if (section->m_bIsWorking)
            sum += uint32_t((*section).*figure);
    }
    return sum;
}

// A sum shown as 32 bits stops at their largest value rather than wrapping around.
uint32_t Saturated(uint64_t sum)
{
    return uint32_t(std::min<uint64_t>(sum, std::numeric_limits<uint32_t>::max()));
}

} // namespace

CHttpDownloader::CHttpDownloader(QStringView url, QStringView folder, CDownloadItem* item)
{
    Init();
    m_strUrl = url.toString();
    m_strDownloadLocation = folder.toString();
    m_pItem = item;
    if (folder.size() < kMinFolderLength || folder.endsWith(u'/'))
        throw CInvalidArgException("download folder too short or ending in \"/\"");
}

// The members' initialisers give every other field its initial value.
void CHttpDownloader::Init()
{
    m_timeAdded = GetLocalTime();
    m_pError = std::make_unique<CDownloadError>();
    m_pTerminateEvent = std::make_unique<ManualResetEvent>();
}

CHttpDownloader::~CHttpDownloader()
{
    if (m_pItem)
        m_pItem->m_pDownloader = nullptr;
    CloseSession();
    DeleteSections();
    m_pError.reset();
    m_pTerminateEvent.reset();
}

uint64_t CHttpDownloader::GetDownloadedSize() const
{
    const auto lock = LockSections();
    return SumDownloaded(m_sections);
}

uint64_t CHttpDownloader::GetDownloadedSizeInRun() const
{
    return SumDownloaded(m_sections);
}

uint32_t CHttpDownloader::GetTransferSize() const
{
    if (m_nState != Transferring)
        return 0;
    const auto lock = LockSections();
    return Saturated(SumWorking(m_sections, &CSection::m_nTransferSize));
}

uint32_t CHttpDownloader::GetTransferRate() const
{
    const auto lock = LockSections();
    return Saturated(SumWorking(m_sections, &CSection::m_nTransferRate));
}

bool CHttpDownloader::GetRemainingTime(uint64_t* remaining) const
{
    if (!remaining)
        throw CInvalidArgException("GetRemainingTime: null output");
    const uint64_t size = m_nFileSize;
    if (m_nState != Transferring || !m_bGotFileSize || size == 0)
        return false;
    uint64_t downloaded = 0;
    uint64_t rate = 0;
    {
        const auto lock = LockSections();
        downloaded = SumDownloaded(m_sections);
        rate = SumWorking(m_sections, &CSection::m_nTransferRate);
    }
    if (rate == 0)
        return false;
    // A section without a known end may read past the size.
    const uint64_t seconds = downloaded >= size ? 0 : (size - downloaded) / rate;
    constexpr uint64_t kMaxSeconds = std::numeric_limits<uint64_t>::max() / kFileTimeTicksPerSecond;
    *remaining = std::min(seconds, kMaxSeconds) * kFileTimeTicksPerSecond;
    return true;
}

bool CHttpDownloader::IsResumable() const
{
    return m_bAcceptRanges && m_bGotFileSize;
}

void CHttpDownloader::Reset()
{
    if (m_bIsRunning)
        return;
    const QString ownFile = OwnFilePath(GetLocalFileName(), m_strDownloadLocation, GetFileTitle());
    if (!ownFile.isEmpty())
        RemoveFile(ownFile);
    m_nState = NeedToPrepare;
    m_bGotFileSize = 0;
    m_nFileSize = 0;
    m_bAcceptRanges = 0;
    m_nDownloadStartingTime = 0;
    m_nWholeDownloadTime = 0;
    {
        std::lock_guard lock(m_csFields);
        m_strFileTitle.clear();
        m_strLocalFileName.clear();
        m_strDownloadUrl.clear();
        m_strETag.clear();
    }
    CDownloadKeyWatch::Post(ItemId());
    if (m_pItem)
        m_pItem->Wake();
    m_pError->Clear();
    DeleteSections();
    CloseSession();
    m_pTerminateEvent->reset();
}

void CHttpDownloader::DeleteSections()
{
    SectionList old;
    {
        const auto lock = LockSections();
        old.swap(m_sections);
    }
}

void CHttpDownloader::AppendSection(std::unique_ptr<CSection> section)
{
    const auto lock = LockSections();
    m_sections.push_back(std::move(section));
}

std::unique_lock<std::mutex> CHttpDownloader::LockSections() const
{
    return std::unique_lock(m_csSections);
}

QString CHttpDownloader::GetDownloadUrl() const
{
    std::lock_guard lock(m_csFields);
    return m_strDownloadUrl;
}

void CHttpDownloader::SetDownloadUrl(const QString& url)
{
    {
        std::lock_guard lock(m_csFields);
        m_strDownloadUrl = url;
    }
    CDownloadKeyWatch::Post(ItemId());
}

QString CHttpDownloader::GetFileTitle() const
{
    std::lock_guard lock(m_csFields);
    return m_strFileTitle;
}

void CHttpDownloader::SetFileTitle(const QString& title)
{
    std::lock_guard lock(m_csFields);
    m_strFileTitle = title;
}

QString CHttpDownloader::GetLocalFileName() const
{
    std::lock_guard lock(m_csFields);
    return m_strLocalFileName;
}

void CHttpDownloader::SetLocalFileName(const QString& path)
{
    {
        std::lock_guard lock(m_csFields);
        m_strLocalFileName = path;
    }
    CDownloadKeyWatch::Post(ItemId());
}

SYSTEMTIME CHttpDownloader::GetLastModified() const
{
    std::lock_guard lock(m_csFields);
    return m_timeLastModified;
}

void CHttpDownloader::SetLastModified(const SYSTEMTIME& time)
{
    std::lock_guard lock(m_csFields);
    m_timeLastModified = time;
}

QString CHttpDownloader::GetETag() const
{
    std::lock_guard lock(m_csFields);
    return m_strETag;
}

void CHttpDownloader::SetETag(const QString& etag)
{
    std::lock_guard lock(m_csFields);
    m_strETag = etag;
}

// The test and the keeping are one step, so that two sections whose answers
// come at once cannot each keep a different one.
CHttpDownloader::ValidatorMatch CHttpDownloader::MatchETag(const QString& etag, bool keepFirst)
{
    std::lock_guard lock(m_csFields);
    if (m_strETag.isEmpty()) {
        if (keepFirst)
            m_strETag = etag;
        return ValidatorMatch::First;
    }
    return m_strETag == etag ? ValidatorMatch::Same : ValidatorMatch::Other;
}

// A recorded time that did not come from the server (the clock's, or none) is
// no validator.
CHttpDownloader::ValidatorMatch CHttpDownloader::MatchLastModified(const SYSTEMTIME& time, bool keepFirst)
{
    std::lock_guard lock(m_csFields);
    if (!IsServerLastModified(m_timeLastModified)) {
        if (keepFirst)
            m_timeLastModified = time;
        return ValidatorMatch::First;
    }
    return SystemTimeEqual(time, m_timeLastModified) ? ValidatorMatch::Same : ValidatorMatch::Other;
}

CHttpDownloader::RequestOptions CHttpDownloader::GetRequestOptions() const
{
    std::lock_guard lock(m_csFields);
    return {m_nAccessType, m_bUseAuthorization != 0, m_strUserName, m_strPassword, m_strReferer};
}

QString CHttpDownloader::GetDownloadLocation() const
{
    std::lock_guard lock(m_csFields);
    return m_strDownloadLocation;
}

void CHttpDownloader::SetDownloadLocation(const QString& folder)
{
    std::lock_guard lock(m_csFields);
    m_strDownloadLocation = folder;
}

void CHttpDownloader::SetAuthorization(bool use, const QString& userName, const QString& password)
{
    std::lock_guard lock(m_csFields);
    m_bUseAuthorization = use ? 1 : 0;
    if (use) {
        m_strUserName = userName;
        m_strPassword = password;
    }
}

void CHttpDownloader::SetAccessType(int32_t accessType)
{
    std::lock_guard lock(m_csFields);
    m_nAccessType = accessType;
}

void CHttpDownloader::SetReferer(const QString& referer)
{
    std::lock_guard lock(m_csFields);
    m_strReferer = referer;
}

void CHttpDownloader::CloseSession()
{
    if (inet::HINTERNET session = m_hSession.exchange(nullptr))
        inet::InternetCloseHandle(session);
}
