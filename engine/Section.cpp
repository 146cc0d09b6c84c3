#include "engine/Section.h"

#include "app/VandrelCore.h"
#include "engine/ContentLength.h"
#include "engine/ContentRange.h"
#include "engine/HttpAnswer.h"
#include "engine/HttpDownloader.h"
#include "engine/QueryInfoString.h"
#include "engine/Setting.h"
#include "engine/SteadyClock.h"
#include "engine/WriteQueue.h"
#include "engine/Url.h"
#include "platform/PosixFile.h"
#include "platform/inet/BodyReader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

using namespace inet;

namespace {

constexpr const char* kSectionStatusNames[kSectionStatusCount] = {
    "Unspecified", "Connecting", "SendingRequest", "OpeningLocalFile", "Recieving",
    "Writing", "LimitingSpeed", "UpdatingDownlodStub", "WaitingForNextAttempt",
};

constexpr uint32_t kStartBufferSize = 64;
// Reads are gathered into one positioned write of up to this much: every write
// takes the partial file's lock in the kernel, which the other sections want too.
constexpr size_t kGatherSize = 256 * 1024;
constexpr uint64_t kNoLimit = std::numeric_limits<uint64_t>::max();
constexpr QStringView kMultipartType = u"multipart/byteranges";
// A Retry-After this long or longer is not waited for; the usual pause is.
constexpr uint64_t kRetryAfterLimitSeconds = 60;
constexpr int32_t kMsPerSecond = 1000;
// Bytes before a section's start that are asked for again on every resume and
// compared with the partial file: a changed file that kept its validators, or a
// partial file without any, shows there.
constexpr uint64_t kOverlapSize = 64 * 1024;

int32_t SpeedDelay(int32_t mode)
{
    switch (mode) {
    case SpeedHigh: return Setting(&CAppSettingsBase::HighSpeedDelay);
    case SpeedMedium: return Setting(&CAppSettingsBase::MediumSpeedDelay);
    case SpeedLow: return Setting(&CAppSettingsBase::LowSpeedDelay);
    default: return 0;
    }
}

bool NumberIs(QStringView text, uint64_t expected)
{
    uint64_t value = 0;
    return ParseContentLength(text, value) && value == expected;
}

// A header that is there and holds that plain number.
bool HeaderIs(HINTERNET request, DWORD level, uint64_t expected)
{
    QString text;
    return QueryInfoString(request, level, text) && NumberIs(text, expected);
}

// A header that is absent passes; one that is there must hold that plain number.
bool HeaderAbsentOrIs(HINTERNET request, DWORD level, uint64_t expected)
{
    QString text;
    return !QueryInfoString(request, level, text) || NumberIs(text, expected);
}

// The validator an attempt's If-Range carried.
enum class IfRange { None, ETag, Date };

// What an attempt does with the body of its answer.
enum class Body
{
    Section,       // the section's part, from where it was asked for
    FromFirstByte, // the whole file, over what an earlier attempt wrote (no stub)
    WholeFile,     // the whole file, over every section (a server that ignores ranges)
    Left,          // none: another section takes the whole file
};

// If-Range for the version the download holds: its strong ETag, else the
// Last-Modified time that came from the server, else none.
QString IfRangeValue(const CHttpDownloader& download, IfRange* sent)
{
    const QString etag = download.GetETag();
    if (IsStrongETag(etag)) {
        *sent = IfRange::ETag;
        return etag;
    }
    const SYSTEMTIME modified = download.GetLastModified();
    if (IsServerLastModified(modified)) {
        *sent = IfRange::Date;
        return FormatHttpDate(modified);
    }
    *sent = IfRange::None;
    return {};
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

// What one attempt asks for and what it does with the answer.
struct CSection::Attempt
{
    bool ranged = false;    // a Range header is sent
    bool wholeFile = false; // the section takes the whole file: a plain GET
    uint64_t first = 0;     // the first byte asked for
    uint64_t overlap = 0;   // bytes of it before the section's start, to compare
    IfRange sent = IfRange::None;
    Body body = Body::Section;
    uint64_t writeFrom = 0; // where the body's bytes after the overlap belong
};

// The read loop's own state, for one attempt. Reads leave their bytes where
// libcurl's data was copied to, behind what the reader already keeps, so that
// no other copy is made on their way to the file; a full buffer is queued for
// writing while reads go on in the lane's spare one. The settings a read needs
// are taken once a second, not at every read. A whole file's body is written
// from byte 0 and counts for the sections it covers once it is on disk.
struct CSection::ReadLoop
{
    ReadLoop(HINTERNET request, CWriteQueue& queue, PosixFile& file, RelaxedAtomic<uint64_t>& sectionStart,
             bool wholeFile, uint64_t next, uint64_t last)
        : wholeFile(wholeFile)
        , reader(request)
        , lane(queue, file, wholeFile ? wholeWritten : sectionStart)
        , next(next)
        , last(last)
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

    const bool wholeFile;
    RelaxedAtomic<uint64_t> wholeWritten; // the whole file's bytes on disk
    BodyReader reader;
    CWriteQueue::Lane lane;
    uint64_t next; // where the bytes gathered go: past those written and queued
    const uint64_t last; // the last byte the body may bring
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
    Attempt attempt = PlanAttempt();
    AddRangeHeaders(handles.request, attempt);
    m_nLastStatus = SendingRequest;
    int32_t status = 0;
    result = download.SendRequestAndQueryStatus(handles.connect, handles.request, status, &m_error);
    if (result == StepOk)
        result = CheckAnswer(handles.request, status, attempt);
    if (result != StepOk || attempt.body == Body::Left)
        return result;
    return Receive(handles.request, attempt);
}

// The rest of the section, and before it up to kOverlapSize bytes that are on
// disk already, for a download with a stub; the whole file, unranged, for the
// section that takes it.
CSection::Attempt CSection::PlanAttempt() const
{
    Attempt attempt;
    attempt.first = m_nRangeStart;
    if (m_bIsUnknownLength)
        return attempt;
    if (m_pDownloader->TakesWholeBody(m_nIndex)) {
        attempt.wholeFile = true;
        return attempt;
    }
    attempt.ranged = true;
    if (m_pDownloader->IsResumable())
        attempt.overlap = std::min(kOverlapSize, BytesOnDiskBefore());
    attempt.first -= attempt.overlap;
    return attempt;
}

// Right before the section's start: its own bytes, or, while it has none,
// those of the section before it once that one is complete.
uint64_t CSection::BytesOnDiskBefore() const
{
    const uint64_t start = m_nRangeStart;
    if (start < m_nRangeStartInitial || start > m_nRangeEnd + 1)
        return 0; // a damaged stub's
    if (start > m_nRangeStartInitial || m_nIndex == 0)
        return start - m_nRangeStartInitial;
    const CSection& previous = *m_pDownloader->m_sections[size_t(m_nIndex - 1)];
    const bool adjoins = previous.m_nRangeEnd + 1 == m_nRangeStartInitial;
    return previous.IsComplete() && adjoins ? m_nRangeStartInitial - previous.m_nRangeStartInitial : 0;
}

void CSection::AddRangeHeaders(HINTERNET request, Attempt& attempt) const
{
    if (!attempt.ranged)
        return;
    QString headers = u"Range: bytes=%1-%2\r\n"_qs.arg(attempt.first).arg(m_nRangeEnd);
    const QString validator = IfRangeValue(*m_pDownloader, &attempt.sent);
    if (!validator.isEmpty())
        headers += u"If-Range: "_qs + validator + u"\r\n"_qs;
    HttpAddRequestHeadersW(request, reinterpret_cast<const char16_t*>(headers.utf16()), DWORD(headers.size()),
                           HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
}

StepResult CSection::CheckAnswer(HINTERNET request, int32_t status, Attempt& attempt)
{
    CHttpDownloader& download = *m_pDownloader;
    if (status != 200 && status != 206)
        return RefuseStatus(request, status);
    if (download.m_pTerminateEvent->isSet())
        return StepStopped;
    const bool fits = !attempt.wholeFile && AnswerFitsSection(request, status, attempt);
    // A part that lands where it was asked for is data, whatever type it is labelled.
    if (Setting(&CAppSettingsBase::StopIfHtmlContentReturned) && !(status == 206 && fits) && IsHtmlAnswer(request)) {
        m_error.SetError(TextId::HtmlReturned, TextId::None);
        // An HTML page in place of the file stops the whole download.
        download.m_pTerminateEvent->set();
        return StepFailed;
    }
    // Before the fit, which a file of another size often breaks as well: only a
    // changed file stops the other sections.
    if (AnswersAnotherVersion(request, status, attempt))
        return FailChangedResource();
    if (fits && RestartsFromFirstByte(status)) {
        attempt.body = Body::FromFirstByte;
        attempt.writeFrom = m_nRangeStartInitial;
        return StepOk;
    }
    if (fits) {
        attempt.writeFrom = attempt.first + attempt.overlap;
        return StepOk;
    }
    if (IsWholeFile(request, status)) {
        // Written over what is there: nothing before the section is compared.
        attempt.overlap = 0;
        attempt.body = download.ClaimWholeBody(m_nIndex) ? Body::WholeFile : Body::Left;
        return StepOk;
    }
    m_error.SetError(TextId::BadContentLength, TextId::ResourceChanged);
    return StepFailed;
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
    m_error.SetError(TextId::TransferFailed, StatusCodeDetail(status));
    return IsServerBusy(status) ? StepRetry : StepFailed;
}

// A partial answer must start at the first byte asked for; a whole one fits a
// resumable download only while that is byte 0; and a resumable download's
// answer must be as long as what was asked for.
bool CSection::AnswerFitsSection(HINTERNET request, int32_t status, const Attempt& attempt) const
{
    const bool resumable = m_pDownloader->IsResumable();
    if (status == 206) {
        ContentRange range;
        if (ContentTypeContains(request, kMultipartType) || !QueryContentRange(request, range)
            || range.first != attempt.first)
            return false;
    } else if (resumable && attempt.first != 0) {
        return false;
    }
    if (!resumable)
        return true;
    const uint64_t left = m_bIsUnknownLength ? 0 : m_nRangeEnd - attempt.first + 1;
    return HeaderAbsentOrIs(request, HTTP_QUERY_CONTENT_LENGTH, left);
}

// A server that ignores ranges sends the whole file, as long as it was.
bool CSection::IsWholeFile(HINTERNET request, int32_t status) const
{
    const CHttpDownloader& download = *m_pDownloader;
    return status == 200 && download.IsResumable() && !m_bIsUnknownLength
        && HeaderIs(request, HTTP_QUERY_CONTENT_LENGTH, download.m_nFileSize);
}

// The file on the server is no longer the one the download holds: a partial
// answer gives another size, another ETag or another time than the download
// recorded from the server; a whole answer to If-Range does not repeat the
// validator sent (the server found it changed); or the first time a download
// from a partial file alone learns is later than that file, with no bytes on
// disk to compare. A whole body taken from its first byte mixes nothing, so it
// is not asked.
bool CSection::AnswersAnotherVersion(HINTERNET request, int32_t status, const Attempt& attempt) const
{
    CHttpDownloader& download = *m_pDownloader;
    if (RestartsFromFirstByte(status))
        return false;
    const bool partial = status == 206;
    ContentRange range;
    if (partial && download.m_bGotFileSize && QueryContentRange(request, range) && range.total
        && *range.total != download.m_nFileSize)
        return true;
    const QString etag = QueryETag(request);
    SYSTEMTIME modified;
    const bool dated = QueryLastModified(request, modified);
    if (!partial && ((attempt.sent == IfRange::ETag && etag.isEmpty()) || (attempt.sent == IfRange::Date && !dated)))
        return true;
    if (!etag.isEmpty() && download.MatchETag(etag, partial) == CHttpDownloader::ValidatorMatch::Other)
        return true;
    if (!dated)
        return false;
    const CHttpDownloader::ValidatorMatch time = download.MatchLastModified(modified, partial);
    if (time == CHttpDownloader::ValidatorMatch::Other)
        return true;
    const SYSTEMTIME& partialFile = download.GetPartialFileTime();
    return partial && time == CHttpDownloader::ValidatorMatch::First && attempt.overlap == 0
        && partialFile.wYear != 0 && !SystemTimeLessOrEqual(modified, partialFile);
}

// Without a stub a whole body (200) is simply taken from its first byte on.
bool CSection::RestartsFromFirstByte(int32_t status) const
{
    return status == 200 && !m_pDownloader->IsResumable();
}

// A file must never be finished from two versions: the whole download stops,
// whatever StopDownloadOnSectionFail says, and stays failed until it is reset.
StepResult CSection::FailChangedResource()
{
    m_error.SetError(TextId::BadContentLength, TextId::ResourceChanged);
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

StepResult CSection::Receive(HINTERNET request, const Attempt& attempt)
{
    CHttpDownloader& download = *m_pDownloader;
    m_nLastStatus = OpeningLocalFile;
    PosixFile file;
    // Read too, for the bytes asked for again.
    if (const int error = file.open(download.GetLocalFileName(), PosixFile::Access::ReadWrite)) {
        m_error.SetSystemError(TextId::OpenFileFailed, error);
        return StepFailed;
    }
    if (attempt.body == Body::FromFirstByte) {
        // What an earlier attempt wrote is not part of this body.
        m_nRangeStart = m_nRangeStartInitial;
        if (const int error = file.truncate(0))
            return WriteFailure(error);
    }
    return ReadBody(request, file, attempt);
}

// Reads until the body ends, the event is set or something fails. Every way out
// writes what is gathered, counts the bytes received and, for a resumable
// download, records the progress in the stub while the file is still open. A
// body that ends before what was asked for has failed the attempt.
StepResult CSection::ReadBody(HINTERNET request, PosixFile& file, const Attempt& attempt)
{
    const bool wholeFile = attempt.body == Body::WholeFile;
    ReadLoop loop(request, *m_pDownloader->m_pWriteQueue, file, m_nRangeStart, wholeFile, attempt.writeFrom,
                  wholeFile ? m_pDownloader->m_nFileSize - 1 : m_nRangeEnd);
    loop.windowSecond = CSteadyClock::WholeSeconds();
    TakeSettings(loop);
    m_nTransferSize = loop.bufferSize;
    m_bIsReachedZero = 0;
    bool ended = false;
    StepResult result = PrepareBuffer(loop) ? CompareOverlap(file, loop, attempt) : StepFailed;
    if (result == StepOk)
        result = ReadUntilOut(file, loop, &ended);
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
    if (result == StepOk && !m_bIsUnknownLength && loop.next <= loop.last)
        result = EndedShort();
    return result;
}

// The bytes asked for again before the section's start must be those on disk;
// they are compared once, before anything new is written, and then dropped.
StepResult CSection::CompareOverlap(PosixFile& file, ReadLoop& loop, const Attempt& attempt)
{
    if (attempt.overlap == 0)
        return StepOk;
    CHttpDownloader& download = *m_pDownloader;
    const size_t size = size_t(attempt.overlap);
    m_nLastStatus = Recieving;
    for (size_t got = 0; got < size;) {
        if (download.m_pTerminateEvent->isSet())
            return StepStopped;
        DWORD read = 0;
        if (!loop.reader.read(DWORD(size - got), &read))
            return download.InternetFailure(TextId::ReceiveFailed, StepRetry, &m_error);
        loop.received += read;
        if (read == 0)
            return EndedShort();
        got += read;
    }
    QByteArray onDisk(qsizetype(size), Qt::Uninitialized);
    size_t done = 0;
    if (const int error = file.readAt(onDisk.data(), size, attempt.first, &done)) {
        m_error.SetSystemError(TextId::ReadFailed, error);
        return StepFailed;
    }
    if (done != size || std::memcmp(onDisk.constData(), loop.reader.kept(), size) != 0)
        return FailChangedResource();
    // Within the room the reader has: nothing is allocated, so nothing fails.
    loop.reader.renew(loop.capacity);
    return StepOk;
}

// The body ended before the bytes asked for: a broken connection, whose rest is
// asked for again. Without a stub it cannot be, and the section has failed.
StepResult CSection::EndedShort()
{
    m_error.SetInternetError(TextId::ReceiveFailed, ERROR_INTERNET_CONNECTION_ABORTED);
    return m_pDownloader->IsResumable() ? StepRetry : StepFailed;
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
            return download.InternetFailure(TextId::ReceiveFailed, StepRetry, &m_error);
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
        m_error.SetError(TextId::OutOfMemory, TextId::None);
        return false;
    }
    loop.reallocate = false;
    return true;
}

// Takes the bytes just read into what is gathered, as far as the section goes;
// bytes beyond it fail the attempt and are never written.
StepResult CSection::Keep(ReadLoop& loop, uint32_t read)
{
    const uint64_t kept = std::min<uint64_t>(read, Room(loop, loop.next + loop.gathered));
    loop.gathered += size_t(kept);
    if (kept < read) {
        m_error.SetError(TextId::BadContentLength, TextId::ResourceChanged);
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
        m_error.SetError(TextId::OutOfMemory, TextId::None);
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
    if (loop.wholeFile)
        SpreadWholeBody(loop.wholeWritten);
    return StepOk;
}

// Bytes 0 to written - 1 of the whole file are on disk: every section they
// reach has them, so that the stub and the list count them. A section's own
// bytes before them are there already, so its start only moves on.
void CSection::SpreadWholeBody(uint64_t written) const
{
    for (const auto& section : m_pDownloader->m_sections) {
        const uint64_t reached = std::min(section->m_nRangeEnd + 1, written);
        if (reached > section->m_nRangeStart)
            section->m_nRangeStart = reached;
    }
}

// What the body may still bring from byte next on: up to its last byte, nothing
// for the open-ended section of an empty resumable file, no limit for a body of
// unknown length.
uint64_t CSection::Room(const ReadLoop& loop, uint64_t next) const
{
    if (m_bIsUnknownLength)
        return m_pDownloader->IsResumable() ? 0 : kNoLimit;
    return next > loop.last ? 0 : loop.last - next + 1;
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
    m_error.SetSystemError(TextId::WriteFailed, error);
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
