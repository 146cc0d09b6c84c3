#include "engine/HttpDownloader.h"

#include "engine/DownloadItem.h"
#include "engine/DownloadNotifySink.h"
#include "engine/DownloadStub.h"
#include "engine/InvalidArgException.h"
#include "engine/LiveWorkers.h"
#include "engine/Setting.h"
#include "engine/SteadyClock.h"
#include "platform/PosixFile.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace {

std::unique_ptr<CSection> NewSection(CHttpDownloader& download, uint64_t first, uint64_t last, bool isUnknownLength)
{
    auto section = std::make_unique<CSection>();
    section->m_pDownloader = &download;
    section->m_nIndex = int32_t(download.m_sections.size());
    section->m_bIsUnknownLength = isUnknownLength;
    section->m_nRangeStartInitial = first;
    section->m_nRangeStart = first;
    section->m_nRangeEnd = last;
    return section;
}

} // namespace

void CHttpDownloader::Start(bool justGetInfo)
{
    if (m_bIsRunning || m_nState == Completed)
        return;
    m_bIsRunning = 1;
    if (m_pItem)
        m_pItem->Wake();
    if (!IsResumable())
        m_nState = NeedToPrepare;
    m_pError->Clear();
    m_bJustGetInfo = justGetInfo;
    m_nLastStubWrittenSize = m_nState == Transferred ? uint64_t(m_nFileSize) : GetDownloadedSize();
    {
        const auto lock = LockSections();
        for (const auto& section : m_sections)
            section->m_bIsAssigned = 0;
    }
    if (!m_pWriteQueue)
        m_pWriteQueue = std::make_unique<CWriteQueue>();
    m_pTerminateEvent->reset();
    m_nThreadsDone = 0;
    m_nThreadsFailed = 0;
    m_nThreadsRunning = 1;
    m_nOutstanding = 1;
    m_nWholeBodySection = -1;
    m_nChainError = 0;
    {
        std::lock_guard lock(m_csState);
        m_bEnding = false;
    }
    m_nRunStartTicks = CSteadyClock::Ticks();
    try {
        LaunchWorker(true);
    } catch (const std::system_error& error) {
        m_nThreadsRunning = 0;
        m_nOutstanding = 0;
        m_pError->SetSystemError(TextId::OutOfMemory, error.code().value());
        m_bIsRunning = 0;
    }
}

void CHttpDownloader::RequestPause()
{
    std::lock_guard lock(m_csState);
    if (!m_bIsRunning || m_bEnding)
        return;
    m_nState = Pausing;
    m_pTerminateEvent->set();
}

void CHttpDownloader::LaunchWorker(bool isFirst)
{
    CLiveWorkers::Enter();
    try {
        std::thread([this, isFirst] {
            DownloadThreadProc(isFirst);
            CLiveWorkers::Leave();
        }).detach();
    } catch (...) {
        CLiveWorkers::Leave();
        throw;
    }
}

// No exception leaves a worker: it would end the process, and a run without its
// end would stay running for good.
void CHttpDownloader::DownloadThreadProc(bool isFirst) noexcept
{
    try {
        if (isFirst) {
            m_nDownloadStartingTime = GetSystemTimeAsFileTime();
            PrepareStep();
            AllocateStep();
        }
        RunSection();
    } catch (...) {
        FailRun();
    }
    ++m_nThreadsDone;
    // One read-modify-write decides: a worker that is not last must not look at
    // the download again, which may already be ended, deleted or started anew.
    if (m_nOutstanding.fetch_sub(1) == 1)
        EndRun();
}

void CHttpDownloader::PrepareStep()
{
    const int32_t state = m_nState;
    if (state != NeedToPrepare && state != PrepairingFailed)
        return;
    SetRunState(Preparing);
    if (OpenSession() != StepOk) {
        SetRunState(PrepairingFailed);
        return;
    }
    for (int32_t attempt = 1; attempt <= Setting(&CAppSettingsBase::MaxAttempts); ++attempt) {
        m_pError->Clear();
        switch (Prepare()) {
        case StepOk:
            try {
                CreateSections();
            } catch (const CInvalidArgException&) {
                DeleteSections();
                m_pError->SetError(TextId::PrepareFailed, TextId::None);
                SetRunState(PrepairingFailed);
                return;
            }
            SetRunState(Prepared);
            return;
        case StepStopped:
            SetRunState(NeedToPrepare);
            return;
        case StepFailed:
            SetRunState(PrepairingFailed);
            return;
        case StepRetry:
            if (m_pTerminateEvent->waitFor(Setting(&CAppSettingsBase::PauseBetweenAttempts))) {
                SetRunState(NeedToPrepare);
                return;
            }
            break;
        }
    }
    SetRunState(PrepairingFailed);
}

void CHttpDownloader::AllocateStep()
{
    const int32_t state = m_nState;
    if (m_bJustGetInfo || (state != Prepared && state != FileAllocatingFailed))
        return;
    SetRunState(FileAllocating);
    switch (AllocateFile()) {
    case StepOk:
        SetRunState(FileAllocated);
        CDownloadNotifySink::Post(ItemId(), FileAllocated);
        break;
    case StepStopped:
        DeleteSections();
        SetRunState(NeedToPrepare);
        break;
    default:
        SetRunState(FileAllocatingFailed);
        break;
    }
}

void CHttpDownloader::RunSection()
{
    if (m_bJustGetInfo)
        return;
    const int32_t state = m_nState;
    if (state != FileAllocated && state != TransferringFailed && state != Paused
        && (state != Transferring || m_nThreadsRunning == 1))
        return;
    if (!m_hSession && OpenSession() != StepOk) {
        SetRunState(TransferringFailed);
        return;
    }
    SetRunState(Transferring);
    CSection* section = TakeSection();
    if (!section)
        return;
    ChainWorker();
    TransferSection(*section);
}

// Only one worker at a time takes a section: the next one is created after.
CSection* CHttpDownloader::TakeSection()
{
    for (const auto& section : m_sections) {
        if (!section->IsComplete() && !section->m_bIsAssigned) {
            section->m_bIsAssigned = 1;
            return section.get();
        }
    }
    return nullptr;
}

// The next worker is counted before it exists, so that the last one out cannot
// be decided while it has yet to begin.
void CHttpDownloader::ChainWorker()
{
    if (m_nThreadsRunning >= int32_t(m_sections.size()))
        return;
    ++m_nThreadsRunning;
    ++m_nOutstanding;
    try {
        LaunchWorker(false);
    } catch (const std::system_error& error) {
        m_nChainError = error.code().value();
        --m_nThreadsRunning;
        ++m_nThreadsFailed;
        --m_nOutstanding;
    }
}

void CHttpDownloader::TransferSection(CSection& section)
{
    section.m_bIsWorking = 1;
    bool waitCut = false;
    for (int32_t attempt = 1; attempt <= Setting(&CAppSettingsBase::MaxAttempts); ++attempt) {
        m_pError->Clear();
        section.m_error.Clear();
        section.m_bIsFailed = 0;
        section.m_nTransferRate = 0;
        section.m_nTransferSize = 0;
        const StepResult result = section.Transfer();
        section.m_nTransferRate = 0;
        section.m_nTransferSize = 0;
        if (result == StepOk || result == StepStopped)
            break;
        if (section.m_nServerBusyWaitMs >= 0) {
            // The server's limit on connections, met while other sections transfer.
            --attempt;
            if (WaitBeforeNextAttempt(section, section.m_nServerBusyWaitMs))
                break;
            continue;
        }
        section.m_bIsFailed = 1;
        // Shown until an attempt clears it; the end of the run takes the section's own.
        m_pError->CopyFrom(section.m_error);
        if (result == StepFailed)
            break;
        waitCut = WaitBeforeNextAttempt(section, Setting(&CAppSettingsBase::PauseBetweenAttempts));
        if (waitCut)
            break;
    }
    section.m_bFailedForGood = section.m_bIsFailed && !waitCut;
    if (section.m_bIsFailed && Setting(&CAppSettingsBase::StopDownloadOnSectionFail))
        m_pTerminateEvent->set();
    section.m_bIsWorking = 0;
}

// True when the terminate event ended the wait.
bool CHttpDownloader::WaitBeforeNextAttempt(CSection& section, int32_t milliseconds)
{
    section.m_nLastStatus = WaitingForNextAttempt;
    return m_pTerminateEvent->waitFor(milliseconds);
}

void CHttpDownloader::EndRun()
{
    if (m_bJustGetInfo) {
        EndInfoRun();
        return;
    }
    const uint64_t item = ItemId();
    int32_t state = NeedToPrepare;
    {
        std::unique_lock lock(m_csState);
        m_bEnding = true;
        try {
            state = DecideFinalState();
            if (state == Transferred || state == FinishingFailed)
                state = FinishUnlocked(lock) == StepOk ? Completed : FinishingFailed;
            if (state == TransferringFailed)
                TakeSectionError();
        } catch (...) {
            if (!lock.owns_lock())
                lock.lock();
            state = m_nState == Finishing ? FinishingFailed : TransferringFailed;
            RecordOutOfMemory();
        }
        m_nState = state;
        CloseSession();
        m_nWholeDownloadTime = m_nWholeDownloadTime + (CSteadyClock::Ticks() - m_nRunStartTicks);
    }
    // The user interface may start, reset or delete the download from here on.
    m_bIsRunning = 0;
    CDownloadNotifySink::Post(item, state);
}

// Posts nothing and adds no time. A pause that came after preparing settled
// the state is undone here, since nothing else would.
void CHttpDownloader::EndInfoRun()
{
    {
        std::lock_guard lock(m_csState);
        m_bEnding = true;
        if (m_nState == Pausing)
            m_nState = m_sections.empty() ? NeedToPrepare : Prepared;
    }
    CloseSession();
    m_bIsRunning = 0;
}

// Only a worker's own step changes the state during a run, and none undoes a
// pause that came meanwhile: the pause decides how the run ends.
void CHttpDownloader::SetRunState(int32_t state)
{
    std::lock_guard lock(m_csState);
    if (m_nState != Pausing)
        m_nState = state;
}

// Sections are left over without a failure only when a pause was asked or a
// worker could not be made for them: only the pause makes the run Paused.
int32_t CHttpDownloader::DecideFinalState()
{
    const int32_t state = m_nState;
    if (IsFailedState(state))
        return state;
    if (m_sections.empty())
        return NeedToPrepare;
    if (!PathExists(GetLocalFileName())) {
        DeleteSections();
        return NeedToPrepare;
    }
    bool complete = true;
    for (const auto& section : m_sections) {
        if (section->m_bIsFailed)
            return TransferringFailed;
        complete = complete && section->IsComplete();
    }
    if (complete)
        return Transferred;
    if (state == Pausing)
        return Paused;
    if (const int error = m_nChainError)
        m_pError->SetSystemError(TextId::OutOfMemory, error);
    return TransferringFailed;
}

// Nothing else takes the state lock but a pause request, which the ending flag
// already turns away, so the user interface never waits for a rename.
StepResult CHttpDownloader::FinishUnlocked(std::unique_lock<std::mutex>& stateLock)
{
    m_nState = Finishing;
    stateLock.unlock();
    const StepResult result = Finish();
    stateLock.lock();
    return result;
}

// A run that failed in its sections says why with a failed section's own
// reason, whatever the others left in the download's record: one that failed
// for good before one whose wait for its next attempt the run's end cut short.
void CHttpDownloader::TakeSectionError()
{
    const CSection* chosen = nullptr;
    for (const auto& section : m_sections) {
        if (section->m_bIsFailed && (!chosen || (section->m_bFailedForGood && !chosen->m_bFailedForGood)))
            chosen = section.get();
    }
    if (chosen)
        m_pError->CopyFrom(chosen->m_error);
}

// What an exception in a worker leaves: the step under way has failed, a pause
// asked for meanwhile included.
void CHttpDownloader::FailRun() noexcept
{
    {
        std::lock_guard lock(m_csState);
        switch (m_nState) {
        case Preparing: m_nState = PrepairingFailed; break;
        case FileAllocating: m_nState = FileAllocatingFailed; break;
        case Transferring:
        case Pausing: m_nState = TransferringFailed; break;
        default: break;
        }
    }
    RecordOutOfMemory();
}

void CHttpDownloader::RecordOutOfMemory() noexcept
{
    try {
        m_pError->SetError(TextId::OutOfMemory, TextId::None);
    } catch (...) {
        // Without memory for the text the state alone tells.
    }
}

bool CHttpDownloader::ClaimWholeBody(int32_t section)
{
    int32_t taker = -1;
    return m_nWholeBodySection.compare_exchange_strong(taker, section) || taker == section;
}

uint64_t CHttpDownloader::ItemId() const
{
    return m_pItem ? m_pItem->m_nId : 0;
}

void CHttpDownloader::CreateSections()
{
    const int32_t count = Setting(&CAppSettingsBase::MaxSectionCountPerDownload);
    if (count < 1 || uint32_t(count) > DownloadStub::kMaxSections)
        throw CInvalidArgException("MaxSectionCountPerDownload outside 1 to 8");
    DeleteSections();
    // A hand-edited MinSectionSize below 1 would give empty sections.
    const uint64_t minimum = uint64_t(std::max(1, Setting(&CAppSettingsBase::MinSectionSize)));
    const uint64_t size = m_nFileSize;
    if (IsResumable() && size >= 2 * minimum) {
        uint64_t sections = uint64_t(count);
        uint64_t share = size / sections;
        while (share < minimum)
            share = size / --sections;
        for (uint64_t i = 0; i < sections; ++i) {
            const uint64_t first = i * share;
            AppendSection(NewSection(*this, first, i + 1 == sections ? size - 1 : first + share - 1, false));
        }
    } else if (m_bGotFileSize && size != 0) {
        AppendSection(NewSection(*this, 0, size - 1, false));
    } else {
        AppendSection(NewSection(*this, 0, 0, true));
    }
}
