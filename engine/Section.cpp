#include "engine/Section.h"

#include "app/VandrelCore.h"
#include "engine/ContentLength.h"
#include "engine/ContentRange.h"
#include "engine/HttpAnswer.h"
#include "engine/HttpDownloader.h"
#include "engine/QueryInfoString.h"
#include "engine/SteadyClock.h"
#include "engine/Url.h"
#include "platform/PosixFile.h"

#include <algorithm>
#include <limits>
#include <new>

using namespace inet;

namespace {

constexpr const char* kSectionStatusNames[kSectionStatusCount] = {
    "Unspecified", "Connecting", "SendingRequest", "OpeningLocalFile", "Recieving",
    "Writing", "LimitingSpeed", "UpdatingDownlodStub", "WaitingForNextAttempt",
};

constexpr unsigned kMsgOpenFileFailed = 140;
constexpr unsigned kMsgOutOfMemory = 142;
constexpr unsigned kMsgTransferFailed = 146;
constexpr unsigned kMsgBadContentLength = 147;
constexpr unsigned kMsgResourceChanged = 148;
constexpr unsigned kMsgReceiveFailed = 152;
constexpr unsigned kMsgHtmlReturned = 157;
constexpr unsigned kMsgWriteFailed = 226;
constexpr unsigned kNoDetail = 0;

constexpr uint32_t kStartBufferSize = 64;
constexpr uint64_t kNoLimit = std::numeric_limits<uint64_t>::max();
constexpr QStringView kMultipartType = u"multipart/byteranges";

const CAppSettings& Settings()
{
    return AppCore().m_settings;
}

int32_t Setting(int32_t CAppSettingsBase::*field)
{
    return SettingLoad(Settings().*field);
}

int32_t SpeedDelay(int32_t mode)
{
    switch (mode) {
    case SpeedHigh: return Setting(&CAppSettingsBase::HighSpeedDelay);
    case SpeedMedium: return Setting(&CAppSettingsBase::MediumSpeedDelay);
    case SpeedLow: return Setting(&CAppSettingsBase::LowSpeedDelay);
    default: return 0;
    }
}

// A header that is absent reads as false; one that is there must be a plain number.
bool HeaderAbsentOrIs(HINTERNET request, DWORD level, uint64_t expected)
{
    QString text;
    if (!QueryInfoString(request, level, text))
        return true;
    uint64_t value = 0;
    return ParseContentLength(text, value) && value == expected;
}

// The request's handles, closed on every way out of an attempt.
struct RequestHandles
{
    HINTERNET connect = nullptr;
    HINTERNET request = nullptr;

    RequestHandles() = default;
    RequestHandles(const RequestHandles&) = delete;
    RequestHandles& operator=(const RequestHandles&) = delete;
    ~RequestHandles() { CHttpDownloader::CloseRequest(connect, request); }
};

} // namespace

const char* SectionStatusName(int32_t status)
{
    return status >= 0 && status < kSectionStatusCount ? kSectionStatusNames[status] : nullptr;
}

// The read loop's own state, for one attempt.
struct CSection::ReadLoop
{
    uint32_t bufferSize = kStartBufferSize;
    bool reallocate = true;
    std::vector<char> buffer;
    uint64_t windowBytes = 0;
    uint64_t windowSecond = 0;
    uint64_t received = 0;
    uint64_t unlooked = 0; // written since this section last looked at the stub's need
};

bool CSection::IsComplete() const
{
    return m_bIsUnknownLength ? m_bIsReachedZero != 0 : m_nRangeStart > m_nRangeEnd;
}

StepResult CSection::Transfer()
{
    CHttpDownloader& download = *m_pDownloader;
    m_nLastStatus = Connecting;
    RequestHandles handles;
    CUrl url;
    StepResult result = download.OpenRequest(false, download.GetDownloadUrl(), url, handles.connect, handles.request);
    if (result != StepOk)
        return result;
    AddRangeHeader(handles.request);
    m_nLastStatus = SendingRequest;
    int32_t status = 0;
    result = download.SendRequestAndQueryStatus(handles.connect, handles.request, status);
    if (result == StepOk)
        result = CheckAnswer(handles.request, status);
    if (result != StepOk)
        return result;
    // Without a stub a whole body (200) is simply taken from its first byte on.
    return Receive(handles.request, status == 200 && !download.IsResumable());
}

void CSection::AddRangeHeader(HINTERNET request) const
{
    if (m_bIsUnknownLength)
        return;
    const QString header = u"Range: bytes=%1-%2\r\n"_qs.arg(uint64_t(m_nRangeStart)).arg(m_nRangeEnd);
    HttpAddRequestHeadersW(request, reinterpret_cast<const char16_t*>(header.utf16()), DWORD(header.size()),
                           HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
}

StepResult CSection::CheckAnswer(HINTERNET request, int32_t status) const
{
    CHttpDownloader& download = *m_pDownloader;
    if (status != 200 && status != 206) {
        download.m_pError->SetError(kMsgTransferFailed, StatusCodeDetail(status));
        return StepFailed;
    }
    if (download.m_pTerminateEvent->isSet())
        return StepStopped;
    if (Setting(&CAppSettingsBase::StopIfHtmlContentReturned) && IsHtmlAnswer(request)) {
        download.m_pError->SetError(kMsgHtmlReturned, kNoDetail);
        // An HTML page in place of the file stops the whole download.
        download.m_pTerminateEvent->set();
        return StepFailed;
    }
    if (!AnswerFitsSection(request, status)) {
        download.m_pError->SetError(kMsgBadContentLength, kMsgResourceChanged);
        return StepFailed;
    }
    return StepOk;
}

// A partial answer must start at the section's next byte; a whole one fits a
// resumable download only while the section still stands at byte 0; and a
// resumable download's answer must be as long as what is left of the section.
bool CSection::AnswerFitsSection(HINTERNET request, int32_t status) const
{
    const bool resumable = m_pDownloader->IsResumable();
    if (status == 206) {
        QString range;
        uint64_t first = 0;
        if (ContentTypeContains(request, kMultipartType) || !QueryInfoString(request, HTTP_QUERY_CONTENT_RANGE, range)
            || !ParseContentRangeFirstByte(range, first) || first != m_nRangeStart)
            return false;
    } else if (resumable && m_nRangeStart != 0) {
        return false;
    }
    if (!resumable)
        return true;
    const uint64_t left = m_bIsUnknownLength ? 0 : m_nRangeEnd - m_nRangeStart + 1;
    return HeaderAbsentOrIs(request, HTTP_QUERY_CONTENT_LENGTH, left);
}

StepResult CSection::Receive(HINTERNET request, bool fromFirstByte)
{
    CHttpDownloader& download = *m_pDownloader;
    m_nLastStatus = OpeningLocalFile;
    PosixFile file;
    if (const int error = file.open(download.GetLocalFileName(), PosixFile::Access::WriteOnly)) {
        download.m_pError->SetSystemError(kMsgOpenFileFailed, error);
        return StepFailed;
    }
    if (fromFirstByte) {
        // What an earlier attempt wrote is not part of this body.
        m_nRangeStart = m_nRangeStartInitial;
        if (const int error = file.truncate(0)) {
            download.m_pError->SetSystemError(kMsgWriteFailed, error);
            return StepFailed;
        }
    }
    return ReadBody(request, file);
}

// Reads until the body ends, the event is set or something fails. Every way out
// counts the bytes received and, for a resumable download, records the progress
// in the stub while the file is still open.
StepResult CSection::ReadBody(HINTERNET request, PosixFile& file)
{
    CHttpDownloader& download = *m_pDownloader;
    ReadLoop loop;
    loop.windowSecond = CSteadyClock::WholeSeconds();
    m_bIsReachedZero = 0;
    StepResult result = StepOk;
    for (;;) {
        if (download.m_pTerminateEvent->isSet()) {
            result = StepStopped;
            break;
        }
        if (!PrepareBuffer(loop)) {
            result = StepFailed;
            break;
        }
        m_nLastStatus = Recieving;
        DWORD read = 0;
        if (!InternetReadFile(request, loop.buffer.data(), loop.bufferSize, &read)) {
            // A read the event cancelled is a stop, never the end of the body.
            result = download.InternetFailure(kMsgReceiveFailed, StepRetry);
            break;
        }
        loop.received += read;
        if (read > 0) {
            result = Store(file, loop.buffer.data(), read);
            if (result != StepOk)
                break;
        } else {
            m_bIsReachedZero = 1;
        }
        if (LimitSpeed()) {
            result = StepStopped;
            break;
        }
        LookAtStub(file, loop, read);
        loop.windowBytes += read;
        Measure(loop);
        if (read == 0)
            break;
    }
    AppCore().AddDataUsage(loop.received);
    UpdateStub(file, true);
    return result;
}

// Allocates the buffer when its size has changed; false, recorded, without memory.
bool CSection::PrepareBuffer(ReadLoop& loop)
{
    if (!loop.reallocate)
        return true;
    m_nTransferSize = loop.bufferSize;
    try {
        loop.buffer.assign(loop.bufferSize, '\0');
    } catch (const std::bad_alloc&) {
        m_pDownloader->m_pError->SetError(kMsgOutOfMemory, kNoDetail);
        return false;
    }
    loop.reallocate = false;
    return true;
}

// The data first, then the new start: a stub written meanwhile never claims a
// byte that is not on disk. Bytes beyond the section are not written.
StepResult CSection::Store(PosixFile& file, const char* data, uint32_t size)
{
    CHttpDownloader& download = *m_pDownloader;
    m_nLastStatus = Writing;
    const uint64_t start = m_nRangeStart;
    const uint64_t kept = std::min<uint64_t>(size, Room());
    if (kept > 0) {
        if (const int error = file.writeAt(data, size_t(kept), start)) {
            download.m_pError->SetSystemError(kMsgWriteFailed, error);
            return StepFailed;
        }
        m_nRangeStart = start + kept;
    }
    if (kept < size) {
        download.m_pError->SetError(kMsgBadContentLength, kMsgResourceChanged);
        return StepFailed;
    }
    return StepOk;
}

// What the section may still take: up to its end, nothing for the open-ended
// section of an empty resumable file, no limit for a body of unknown length.
uint64_t CSection::Room() const
{
    if (m_bIsUnknownLength)
        return m_pDownloader->IsResumable() ? 0 : kNoLimit;
    const uint64_t start = m_nRangeStart;
    return start > m_nRangeEnd ? 0 : m_nRangeEnd - start + 1;
}

// True when the event ended the wait.
bool CSection::LimitSpeed()
{
    const int32_t mode = Setting(&CAppSettingsBase::DownloadSpeed);
    if (mode == SpeedUnlimited)
        return false;
    m_nLastStatus = LimitingSpeed;
    return m_pDownloader->m_pTerminateEvent->waitFor(SpeedDelay(mode));
}

// Each section looks at the download's total only after its own share of
// UpdateDownloadStubEvery, so that it does not read the other sections' offsets
// at every read; together they delay a rewrite by less than that much.
void CSection::LookAtStub(PosixFile& file, ReadLoop& loop, uint32_t read)
{
    loop.unlooked += read;
    const uint64_t sections = std::max<size_t>(1, m_pDownloader->m_sections.size());
    if (loop.unlooked < StubEvery() / sections)
        return;
    loop.unlooked = 0;
    UpdateStub(file, false);
}

uint64_t CSection::StubEvery()
{
    return uint64_t(std::max(0, Setting(&CAppSettingsBase::UpdateDownloadStubEvery)));
}

// Rewrites the stub each time the download has grown by UpdateDownloadStubEvery,
// or always. The first test takes no lock, so that the sections of a download do
// not meet at every read; the one under the lock decides.
void CSection::UpdateStub(PosixFile& file, bool always)
{
    CHttpDownloader& download = *m_pDownloader;
    if (!download.IsResumable())
        return;
    const uint64_t every = StubEvery();
    if (!always && download.GetDownloadedSizeInRun() < download.m_nLastStubWrittenSize + every)
        return;
    std::lock_guard lock(download.m_csStub);
    const uint64_t downloaded = download.GetDownloadedSizeInRun();
    if (!always && downloaded < download.m_nLastStubWrittenSize + every)
        return;
    m_nLastStatus = UpdatingDownlodStub;
    download.WriteDownloadStub(file);
    download.m_nLastStubWrittenSize = downloaded;
}

// The rate of the last whole second of the monotonic clock, and at most one
// doubling of the read buffer per second, while the rate keeps up with it.
void CSection::Measure(ReadLoop& loop)
{
    const uint64_t second = CSteadyClock::WholeSeconds();
    if (second == loop.windowSecond)
        return;
    const uint64_t rate = loop.windowBytes / (second - loop.windowSecond);
    m_nTransferRate = uint32_t(std::min<uint64_t>(rate, std::numeric_limits<uint32_t>::max()));
    loop.windowBytes = 0;
    loop.windowSecond = CSteadyClock::WholeSeconds();
    const uint64_t doubled = 2 * uint64_t(loop.bufferSize);
    if (rate >= loop.bufferSize && doubled <= uint64_t(std::max(0, Setting(&CAppSettingsBase::MaxTransferBufferSize)))) {
        loop.bufferSize = uint32_t(doubled);
        loop.reallocate = true;
    }
}
