#pragma once

#include "engine/DownloadError.h"
#include "engine/OrderedAtomic.h"
#include "engine/StepResult.h"
#include "platform/inet/Inet.h"

#include <cstdint>
#include <vector>

class CHttpDownloader;
class PosixFile;

// The step a section's worker is taking (CSection::m_nLastStatus); the names are
// printed by the inspector, spellings included.
enum SectionStatus : int32_t
{
    Unspecified = 0,
    Connecting = 1,
    SendingRequest = 2,
    OpeningLocalFile = 3,
    Recieving = 4,
    Writing = 5,
    LimitingSpeed = 6,
    UpdatingDownlodStub = 7,
    WaitingForNextAttempt = 8,
};

inline constexpr int32_t kSectionStatusCount = 9;

// The status's name as the enum spells it; null outside 0 to 8.
const char* SectionStatusName(int32_t status);

// One byte range of a download. The fields its worker changes during a run are
// atomics, because the user interface reads them at any time; the rest are set
// when the section is made and stay as they are.
class CSection
{
public:
    CSection() = default;
    CSection(const CSection&) = delete;
    CSection& operator=(const CSection&) = delete;

    // Open-ended: the server ended the body; otherwise the next byte lies past the end.
    bool IsComplete() const;

    // One attempt at what is left of the section: a ranged GET of the download
    // URL, written at the section's own offsets in the partial file. Never writes
    // outside the section, and an answer that does not start where it was asked
    // to is refused, or, for a download without a stub, starts the section again
    // from its first byte. Bytes before the section's start that are on disk
    // already are asked for again and must be the same; a validator keeps the
    // answer to the version of the file the download holds. A server that
    // answers with the whole file has it taken by one section, over all of them.
    StepResult Transfer();

    CHttpDownloader* m_pDownloader = nullptr;
    int32_t m_nIndex = 0;
    RelaxedAtomic<int32_t> m_bIsAssigned;
    RelaxedAtomic<int32_t> m_nLastStatus{Unspecified};
    RelaxedAtomic<int32_t> m_bIsWorking;
    RelaxedAtomic<int32_t> m_bIsFailed;
    int32_t m_bIsUnknownLength = 0;
    RelaxedAtomic<int32_t> m_bIsReachedZero;
    uint64_t m_nRangeStartInitial = 0;
    RelaxedAtomic<uint64_t> m_nRangeStart; // next byte to write
    uint64_t m_nRangeEnd = 0;              // last byte, inclusive
    RelaxedAtomic<uint32_t> m_nTransferRate; // bytes per second over the last whole second
    RelaxedAtomic<uint32_t> m_nTransferSize; // read buffer now in use

    // The reason of this section's last failed attempt: the attempts record
    // here, never in the download's record, which the other sections clear.
    // Not shown.
    CDownloadError m_error;
    // The section failed, and not only because the run's end cut short its wait
    // for another attempt. Not shown.
    bool m_bFailedForGood = false;
    // After an attempt that met the server's limit on connections (StepRetry,
    // nothing recorded): how long to wait before asking again, in ms. Such an
    // attempt is no failure and costs none of MaxAttempts. -1 after any other.
    int32_t m_nServerBusyWaitMs = -1;

private:
    struct Attempt;
    struct ReadLoop;

    Attempt PlanAttempt() const;
    uint64_t BytesOnDiskBefore() const;
    void AddRangeHeaders(inet::HINTERNET request, Attempt& attempt) const;
    StepResult CheckAnswer(inet::HINTERNET request, int32_t status, Attempt& attempt);
    StepResult RefuseStatus(inet::HINTERNET request, int32_t status);
    bool AnswerFitsSection(inet::HINTERNET request, int32_t status, const Attempt& attempt) const;
    bool IsWholeFile(inet::HINTERNET request, int32_t status) const;
    bool AnswersAnotherVersion(inet::HINTERNET request, int32_t status, const Attempt& attempt) const;
    bool RestartsFromFirstByte(int32_t status) const;
    StepResult FailChangedResource();
    bool IsTransferring() const;
    bool AnotherSectionTransfers() const;
    StepResult Receive(inet::HINTERNET request, const Attempt& attempt);
    StepResult ReadBody(inet::HINTERNET request, PosixFile& file, const Attempt& attempt);
    StepResult CompareOverlap(PosixFile& file, ReadLoop& loop, const Attempt& attempt);
    StepResult EndedShort();
    StepResult ReadUntilOut(PosixFile& file, ReadLoop& loop, bool* ended);
    StepResult AfterRead(PosixFile& file, ReadLoop& loop, uint32_t read);
    void TakeSettings(ReadLoop& loop) const;
    bool PrepareBuffer(ReadLoop& loop);
    StepResult Keep(ReadLoop& loop, uint32_t read);
    StepResult Flush(ReadLoop& loop);
    StepResult Settle(ReadLoop& loop);
    void SpreadWholeBody(uint64_t written) const;
    uint64_t Room(const ReadLoop& loop, uint64_t next) const;
    bool LimitSpeed(int32_t mode);
    StepResult LookAtStub(PosixFile& file, ReadLoop& loop);
    static uint64_t StubEvery();
    int UpdateStub(PosixFile& file, bool always);
    StepResult WriteFailure(int error);
    void Measure(ReadLoop& loop, uint64_t second);
};
