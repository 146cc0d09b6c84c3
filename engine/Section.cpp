#include "engine/Section.h"

#include "app/VandrelCore.h"
#include "engine/ContentLength.h"
#include "engine/ContentRange.h"
#include "engine/HttpAnswer.h"
#include "engine/HttpDownloader.h"
#include "engine/QueryInfoString.h"
#include "engine/SteadyClock.h"
#include "engine/WriteQueue.h"
#include "engine/Url.h"
#include "platform/PosixFile.h"
#include "platform/inet/BodyReader.h"

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
// Reads are gathered into one positioned write of up to this much: every write
// takes the partial file's lock in the kernel, which the other sections want too.
constexpr size_t kGatherSize = 256 * 1024;
constexpr uint64_t kNoLimit = std::numeric_limits<uint64_t>::max();
constexpr QStringView kMultipartType = u"multipart/byteranges";
// A Retry-After this long or longer is not waited for; the usual pause is.
constexpr uint64_t kRetryAfterLimitSeconds = 60;
constexpr int32_t kMsPerSecond = 1000;

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

bool QueryContentRange(HINTERNET request, ContentRange& range)
{
    QString text;
    return QueryInfoString(request, HTTP_QUERY_CONTENT_RANGE, text) && ParseContentRange(text, range);
}

// 503 and 429 answers that mean "not one more connection now".
bool IsServerBusy(int32_t status)
{
    return status == 503 || status == 429;
}

// The answer's Retry-After in seconds when it is short enough, else the usual pause.
int32_t ServerBusyWaitMs(HINTERNET request)
{
    QString text;
    uint64_t seconds = 0;
    if (QueryInfoString(request, HTTP_QUERY_RETRY_AFTER, text) && ParseContentLength(text, seconds)
        && seconds < kRetryAfterLimitSeconds)
        return int32_t(seconds) * kMsPerSecond;
    return Setting(&CAppSettingsBase::PauseBetweenAttempts);
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

// The read loop's own state, for one attempt. Reads leave their bytes where
// libcurl's data was copied to, behind what the reader already keeps, so that
// no other copy is made on their way to the file; a full buffer is queued for
// writing while reads go on in the lane's spare one. The settings a read needs
// are taken once a second, not at every read.
struct CSection::ReadLoop
{
    ReadLoop(HINTERNET request, CWriteQueue& queue, PosixFile& file, RelaxedAtomic<uint64_t>& written)
        : reader(request)
        , lane(queue, file, written)
        , next(written)
    {
    }

    // Reads that took bytes already there follow each other within moments:
    // the clock is read again only after a read that waited for the network,
    // or at every read when each read is followed by a pause.
    uint64_t WholeSeconds()
    {
        const uint64_t batch = reader.batch();
        if (batch != clockBatch || speedMode != SpeedUnlimited) {
            clockBatch = batch;
            clockSecond = CSteadyClock::WholeSeconds();
        }
        return clockSecond;
    }

    BodyReader reader;
    CWriteQueue::Lane lane;
    uint64_t next; // where the bytes gathered go: past those written and queued
    uint32_t bufferSize = kStartBufferSize; // size of each read
    bool reallocate = true;
    size_t capacity = 0;  // the reader's room: kGatherSize, or one read when a read is larger
    size_t gathered = 0;  // received and kept, not yet written
    uint64_t windowBytes = 0;
    uint64_t windowSecond = 0;
    uint64_t received = 0;
    uint64_t unlooked = 0;  // read since this section last looked at the stub's need
    uint64_t stubShare = 0; // this section's share of UpdateDownloadStubEvery
    int32_t speedMode = SpeedUnlimited;
    uint64_t clockBatch = std::numeric_limits<uint64_t>::max();
    uint64_t clockSecond = 0;
};

bool CSection::IsComplete() const
{
    return m_bIsUnknownLength ? m_bIsReachedZero != 0 : m_nRangeStart > m_nRangeEnd;
}

StepResult CSection::Transfer()
{
    CHttpDownloader& download = *m_pDownloader;
    m_nServerBusyWaitMs = -1;
    m_nLastStatus = Connecting;
    RequestHandles handles;
    CUrl url;
    StepResult result = download.OpenRequest(false, download.GetDownloadUrl(), url, handles.connect,
                                             handles.request, &m_error);
    if (result != StepOk)
        return result;
    AddRangeHeader(handles.request);
    m_nLastStatus = SendingRequest;
    int32_t status = 0;
    result = download.SendRequestAndQueryStatus(handles.connect, handles.request, status, &m_error);
    if (result == StepOk)
        result = CheckAnswer(handles.request, status);
    if (result != StepOk)
        return result;
    return Receive(handles.request, TakesWholeBody(status));
}

void CSection::AddRangeHeader(HINTERNET request) const
{
    if (m_bIsUnknownLength)
        return;
    const QString header = u"Range: bytes=%1-%2\r\n"_qs.arg(uint64_t(m_nRangeStart)).arg(m_nRangeEnd);
    HttpAddRequestHeadersW(request, reinterpret_cast<const char16_t*>(header.utf16()), DWORD(header.size()),
                           HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
}

StepResult CSection::CheckAnswer(HINTERNET request, int32_t status)
{
    CHttpDownloader& download = *m_pDownloader;
    if (status != 200 && status != 206)
        return RefuseStatus(request, status);
    if (download.m_pTerminateEvent->isSet())
        return StepStopped;
    if (Setting(&CAppSettingsBase::StopIfHtmlContentReturned) && IsHtmlAnswer(request)) {
        m_error.SetError(kMsgHtmlReturned, kNoDetail);
        // An HTML page in place of the file stops the whole download.
        download.m_pTerminateEvent->set();
        return StepFailed;
    }
    // Before the fit, which a file of another size often breaks as well: only a
    // changed file stops the other sections.
    if (AnswersAnotherVersion(request, status))
        return FailChangedResource();
    if (!AnswerFitsSection(request, status)) {
        m_error.SetError(kMsgBadContentLength, kMsgResourceChanged);
        return StepFailed;
    }
    return StepOk;
}

// A range of a resumable download refused as unsatisfiable lies past the end of
// a file that shrank. A server busy with this download's other sections has met
// its limit on connections, which is no failure; busy otherwise, it may have
// room on a later attempt. Every other status fails the section.
StepResult CSection::RefuseStatus(HINTERNET request, int32_t status)
{
    CHttpDownloader& download = *m_pDownloader;
    if (status == 416 && download.IsResumable() && download.m_bGotFileSize && !m_bIsUnknownLength
        && m_nRangeEnd < download.m_nFileSize)
        return FailChangedResource();
    if (IsServerBusy(status) && AnotherSectionTransfers()) {
        m_nServerBusyWaitMs = ServerBusyWaitMs(request);
        return StepRetry;
    }
    m_error.SetError(kMsgTransferFailed, StatusCodeDetail(status));
    return IsServerBusy(status) ? StepRetry : StepFailed;
}

// A partial answer must start at the section's next byte; a whole one fits a
// resumable download only while the section still stands at byte 0; and a
// resumable download's answer must be as long as what is left of the section.
bool CSection::AnswerFitsSection(HINTERNET request, int32_t status) const
{
    const bool resumable = m_pDownloader->IsResumable();
    if (status == 206) {
        ContentRange range;
        if (ContentTypeContains(request, kMultipartType) || !QueryContentRange(request, range)
            || range.first != m_nRangeStart)
            return false;
    } else if (resumable && m_nRangeStart != 0) {
        return false;
    }
    if (!resumable)
        return true;
    const uint64_t left = m_bIsUnknownLength ? 0 : m_nRangeEnd - m_nRangeStart + 1;
    return HeaderAbsentOrIs(request, HTTP_QUERY_CONTENT_LENGTH, left);
}

// The file on the server is no longer the one the download began with: a
// partial answer gives another size, or the answer another time than preparing
// recorded from the server. A whole body taken from its first byte mixes
// nothing, so it is not asked.
bool CSection::AnswersAnotherVersion(HINTERNET request, int32_t status) const
{
    const CHttpDownloader& download = *m_pDownloader;
    if (TakesWholeBody(status))
        return false;
    ContentRange range;
    if (status == 206 && download.m_bGotFileSize && QueryContentRange(request, range) && range.total
        && *range.total != download.m_nFileSize)
        return true;
    const SYSTEMTIME recorded = download.GetLastModified();
    SYSTEMTIME answered;
    return IsServerLastModified(recorded) && QueryLastModified(request, answered)
        && !SystemTimeEqual(answered, recorded);
}

// Without a stub a whole body (200) is simply taken from its first byte on.
bool CSection::TakesWholeBody(int32_t status) const
{
    return status == 200 && !m_pDownloader->IsResumable();
}

// A file must never be finished from two versions: the whole download stops,
// whatever StopDownloadOnSectionFail says, and stays failed until it is reset.
StepResult CSection::FailChangedResource()
{
    m_error.SetError(kMsgBadContentLength, kMsgResourceChanged);
    m_pDownloader->m_pTerminateEvent->set();
    return StepFailed;
}

// Receiving its body, as opposed to asking for it or waiting to ask again.
bool CSection::IsTransferring() const
{
    const int32_t status = m_nLastStatus;
    return m_bIsWorking && status >= OpeningLocalFile && status <= UpdatingDownlodStub;
}

// The run's own workers read the sections without the lock.
bool CSection::AnotherSectionTransfers() const
{
    for (const auto& section : m_pDownloader->m_sections) {
        if (section.get() != this && section->IsTransferring())
            return true;
    }
    return false;
}

StepResult CSection::Receive(HINTERNET request, bool fromFirstByte)
{
    CHttpDownloader& download = *m_pDownloader;
    m_nLastStatus = OpeningLocalFile;
    PosixFile file;
    if (const int error = file.open(download.GetLocalFileName(), PosixFile::Access::WriteOnly)) {
        m_error.SetSystemError(kMsgOpenFileFailed, error);
        return StepFailed;
    }
    if (fromFirstByte) {
        // What an earlier attempt wrote is not part of this body.
        m_nRangeStart = m_nRangeStartInitial;
        if (const int error = file.truncate(0))
            return WriteFailure(error);
    }
    const StepResult result = ReadBody(request, file);
    // Without ranges what is missing cannot be asked for: a body that ended
    // short has failed the section, as a broken connection would.
    if (result == StepOk && !download.IsResumable() && !IsComplete()) {
        m_error.SetInternetError(kMsgReceiveFailed, ERROR_INTERNET_CONNECTION_ABORTED);
        return StepFailed;
    }
    return result;
}

// Reads until the body ends, the event is set or something fails. Every way out
// writes what is gathered, counts the bytes received and, for a resumable
// download, records the progress in the stub while the file is still open.
StepResult CSection::ReadBody(HINTERNET request, PosixFile& file)
{
    ReadLoop loop(request, *m_pDownloader->m_pWriteQueue, file, m_nRangeStart);
    loop.windowSecond = CSteadyClock::WholeSeconds();
    TakeSettings(loop);
    m_nTransferSize = loop.bufferSize;
    m_bIsReachedZero = 0;
    bool ended = false;
    StepResult result = ReadUntilOut(file, loop, &ended);
    // A buffer the loop could not write is already dropped; a failed write here
    // outweighs whatever ended the loop.
    StepResult written = Flush(loop);
    if (written == StepOk)
        written = Settle(loop);
    if (written != StepOk)
        result = written;
    else if (ended)
        m_bIsReachedZero = 1;
    AppCore().AddDataUsage(loop.received);
    // A stub that could not be written outweighs all but an earlier failure for good.
    if (const int error = UpdateStub(file, true); error && result != StepFailed)
        result = WriteFailure(error);
    return result;
}

// *ended tells that the body ended; its last bytes may still be gathered.
StepResult CSection::ReadUntilOut(PosixFile& file, ReadLoop& loop, bool* ended)
{
    CHttpDownloader& download = *m_pDownloader;
    for (;;) {
        if (download.m_pTerminateEvent->isSet())
            return StepStopped;
        if (loop.reallocate && !PrepareBuffer(loop))
            return StepFailed;
        m_nLastStatus = Recieving;
        DWORD read = 0;
        if (!loop.reader.read(loop.bufferSize, &read)) {
            // Every byte of a full buffer is read: written, it makes room.
            if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
                if (const StepResult result = Flush(loop); result != StepOk)
                    return result;
                continue;
            }
            // A read the event cancelled is a stop, never the end of the body.
            return download.InternetFailure(kMsgReceiveFailed, StepRetry, &m_error);
        }
        loop.received += read;
        if (read == 0)
            *ended = true;
        else if (const StepResult result = Keep(loop, read); result != StepOk)
            return result;
        if (loop.speedMode != SpeedUnlimited && LimitSpeed(loop.speedMode))
            return StepStopped;
        if (*ended)
            return StepOk;
        if (const StepResult result = AfterRead(file, loop, read); result != StepOk)
            return result;
    }
}

// The whole second's flush, the look at the stub and the rate window.
StepResult CSection::AfterRead(PosixFile& file, ReadLoop& loop, uint32_t read)
{
    // Progress on disk, and so in the list, lags by a second at most.
    const uint64_t second = loop.WholeSeconds();
    const bool newSecond = second != loop.windowSecond;
    if (newSecond) {
        if (const StepResult result = Flush(loop); result != StepOk)
            return result;
        TakeSettings(loop);
    }
    loop.unlooked += read;
    if (loop.unlooked >= loop.stubShare) {
        if (const StepResult result = LookAtStub(file, loop); result != StepOk)
            return result;
    }
    loop.windowBytes += read;
    if (newSecond)
        Measure(loop, second);
    return StepOk;
}

void CSection::TakeSettings(ReadLoop& loop) const
{
    loop.speedMode = Setting(&CAppSettingsBase::DownloadSpeed);
    loop.stubShare = StubEvery() / std::max<size_t>(1, m_pDownloader->m_sections.size());
}

// Gives the reader and the lane's spare buffer their room at the start and when
// a read has outgrown it, which a whole second's flush has left empty; false,
// recorded, without memory. A failed write shows at the next flush.
bool CSection::PrepareBuffer(ReadLoop& loop)
{
    m_pDownloader->m_pWriteQueue->Settle(loop.lane);
    loop.capacity = std::max<size_t>(kGatherSize, loop.bufferSize);
    bool room = loop.reader.renew(loop.capacity);
    try {
        loop.lane.spare.reserve(loop.capacity);
    } catch (const std::bad_alloc&) {
        room = false;
    }
    if (!room) {
        m_error.SetError(kMsgOutOfMemory, kNoDetail);
        return false;
    }
    loop.reallocate = false;
    return true;
}

// Takes the bytes just read into what is gathered, as far as the section goes;
// bytes beyond it fail the attempt and are never written.
StepResult CSection::Keep(ReadLoop& loop, uint32_t read)
{
    const uint64_t kept = std::min<uint64_t>(read, Room(loop.next + loop.gathered));
    loop.gathered += size_t(kept);
    if (kept < read) {
        m_error.SetError(kMsgBadContentLength, kMsgResourceChanged);
        return StepFailed;
    }
    return StepOk;
}

// Queues what is gathered once the section's earlier buffer is written. The
// queue writes the data first, then moves the start on: a stub written
// meanwhile never claims a byte that is not on disk. After a failed write the
// bytes are dropped, never written later at an offset that may have moved on.
StepResult CSection::Flush(ReadLoop& loop)
{
    const size_t size = loop.gathered;
    loop.gathered = 0;
    if (size > 0)
        m_nLastStatus = Writing;
    const StepResult settled = Settle(loop);
    if (settled != StepOk || size == 0) {
        // Within the room the reader has: nothing is allocated, so nothing fails.
        loop.reader.renew(loop.capacity);
        return settled;
    }
    if (!loop.reader.exchange(loop.lane.spare)) {
        m_error.SetError(kMsgOutOfMemory, kNoDetail);
        return StepFailed;
    }
    m_pDownloader->m_pWriteQueue->Put(loop.lane, std::move(loop.lane.spare), size, loop.next);
    loop.next += size;
    return StepOk;
}

// Waits until the section's queued buffer is on disk; a failed write fails the attempt.
StepResult CSection::Settle(ReadLoop& loop)
{
    if (const int error = m_pDownloader->m_pWriteQueue->Settle(loop.lane))
        return WriteFailure(error);
    return StepOk;
}

// What the section may still take from byte next on: up to its end, nothing
// for the open-ended section of an empty resumable file, no limit for a body of
// unknown length.
uint64_t CSection::Room(uint64_t next) const
{
    if (m_bIsUnknownLength)
        return m_pDownloader->IsResumable() ? 0 : kNoLimit;
    return next > m_nRangeEnd ? 0 : m_nRangeEnd - next + 1;
}

// True when the event ended the wait.
bool CSection::LimitSpeed(int32_t mode)
{
    m_nLastStatus = LimitingSpeed;
    return m_pDownloader->m_pTerminateEvent->waitFor(SpeedDelay(mode));
}

// Each section looks at the download's total only after its own share of
// UpdateDownloadStubEvery, so that it does not read the other sections' offsets
// at every read; together they delay a rewrite by less than that much. What it
// gathers is queued first, so that the stub records it once it is on disk.
StepResult CSection::LookAtStub(PosixFile& file, ReadLoop& loop)
{
    loop.unlooked = 0;
    const StepResult result = Flush(loop);
    if (result != StepOk)
        return result;
    const int error = UpdateStub(file, false);
    return error ? WriteFailure(error) : StepOk;
}

uint64_t CSection::StubEvery()
{
    return uint64_t(std::max(0, Setting(&CAppSettingsBase::UpdateDownloadStubEvery)));
}

// Rewrites the stub each time the download has grown by UpdateDownloadStubEvery,
// or always. The first test takes no lock, so that the sections of a download do
// not meet at every read; the one under the lock decides. 0 or the errno of a
// failed write, after which the size of the last stub on disk stays recorded.
int CSection::UpdateStub(PosixFile& file, bool always)
{
    CHttpDownloader& download = *m_pDownloader;
    if (!download.IsResumable())
        return 0;
    const uint64_t every = StubEvery();
    if (!always && download.GetDownloadedSizeInRun() < download.m_nLastStubWrittenSize + every)
        return 0;
    std::lock_guard lock(download.m_csStub);
    const uint64_t downloaded = download.GetDownloadedSizeInRun();
    if (!always && downloaded < download.m_nLastStubWrittenSize + every)
        return 0;
    m_nLastStatus = UpdatingDownlodStub;
    if (const int error = download.WriteDownloadStub(file))
        return error;
    download.m_nLastStubWrittenSize = downloaded;
    return 0;
}

StepResult CSection::WriteFailure(int error)
{
    m_error.SetSystemError(kMsgWriteFailed, error);
    return StepFailed;
}

// The rate of the last whole second of the monotonic clock, and at most one
// doubling of the read buffer per second, while the rate keeps up with it.
void CSection::Measure(ReadLoop& loop, uint64_t second)
{
    const uint64_t rate = loop.windowBytes / (second - loop.windowSecond);
    m_nTransferRate = uint32_t(std::min<uint64_t>(rate, std::numeric_limits<uint32_t>::max()));
    loop.windowBytes = 0;
    loop.windowSecond = CSteadyClock::WholeSeconds();
    const uint64_t doubled = 2 * uint64_t(loop.bufferSize);
    if (rate >= loop.bufferSize && doubled <= uint64_t(std::max(0, Setting(&CAppSettingsBase::MaxTransferBufferSize)))) {
        loop.bufferSize = uint32_t(doubled);
        m_nTransferSize = loop.bufferSize;
        loop.reallocate = doubled > loop.capacity;
    }
}
