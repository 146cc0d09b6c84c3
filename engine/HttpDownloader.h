#pragma once

#include "engine/DownloadError.h"
#include "engine/DownloadState.h"
#include "engine/OrderedAtomic.h"
#include "engine/Section.h"
#include "engine/StepResult.h"
#include "engine/WriteQueue.h"
#include "platform/ManualResetEvent.h"
#include "platform/SystemTime.h"
#include "platform/inet/Inet.h"

#include <QString>
#include <QStringView>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class BinaryReader;
class BinaryWriter;
class CDownloadItem;
class CUrl;
class PosixFile;

// One download: what it fetches and where to, what the server reported, and the
// state of its current run. Worker threads change it during a run while the user
// interface reads it, so:
// - the scalars that workers write are atomics (relaxed, except m_bIsRunning,
//   which publishes the end of a run, and the thread counters);
// - the strings and the time that workers write are copied in and out through
//   Get/Set calls under a small lock, and so are the request options that the
//   user may change during a run;
// - the sections are read under the sections lock by everyone but the run's own
//   workers, since a new preparation replaces them.
class CHttpDownloader
{
public:
    using SectionList = std::vector<std::unique_ptr<CSection>>;

    // A null url gives an empty URL. Throws CInvalidArgException for a folder of
    // fewer than two units or one that ends in "/".
    CHttpDownloader(QStringView url, QStringView folder, CDownloadItem* item);
    // Clears the item's pointer to this download. Never called during a run.
    virtual ~CHttpDownloader();
    CHttpDownloader(const CHttpDownloader&) = delete;
    CHttpDownloader& operator=(const CHttpDownloader&) = delete;

    // Progress, for any thread.
    uint64_t GetDownloadedSize() const;
    // The read buffers now in use; 0 unless Transferring.
    uint32_t GetTransferSize() const;
    // Bytes per second of the working sections.
    uint32_t GetTransferRate() const;
    // 100-ns units. False, with *remaining untouched, unless Transferring with a
    // known size and some working section's rate. Throws CInvalidArgException
    // for a null pointer.
    bool GetRemainingTime(uint64_t* remaining) const;
    bool IsResumable() const;

    // Back to NeedToPrepare, discarding what was downloaded; nothing while running.
    void Reset();

    // Sections.
    void DeleteSections();
    void AppendSection(std::unique_ptr<CSection> section);
    // Held by every reader of m_sections outside the run's own workers.
    [[nodiscard]] std::unique_lock<std::mutex> LockSections() const;

    // The fields that workers write during a run, copied under m_csFields. A new
    // download URL or local file name (also by Reset) is told to CDownloadKeyWatch.
    QString GetDownloadUrl() const;
    void SetDownloadUrl(const QString& url);
    QString GetFileTitle() const;
    void SetFileTitle(const QString& title);
    QString GetLocalFileName() const;
    void SetLocalFileName(const QString& path);
    SYSTEMTIME GetLastModified() const;
    void SetLastModified(const SYSTEMTIME& time);

    // The validators that tell one version of the file from another. The ETag
    // lives only in memory, from the preparing answer or the first partial
    // answer that gives one; the Last-Modified time is the one recorded above.
    enum class ValidatorMatch
    {
        First,  // the download held none from the server; kept when asked to
        Same,
        Other,
    };
    QString GetETag() const;
    void SetETag(const QString& etag);
    ValidatorMatch MatchETag(const QString& etag, bool keepFirst);
    ValidatorMatch MatchLastModified(const SYSTEMTIME& time, bool keepFirst);
    // The modification time (UTC) of the partial file the download was made
    // from alone; all zero for any other download.
    const SYSTEMTIME& GetPartialFileTime() const { return m_timePartialFile; }

    // The options that workers read while the user may change them, written by
    // the user-interface thread only through these setters under m_csFields;
    // the user-interface thread may read them directly.
    struct RequestOptions
    {
        int32_t accessType = Preconfig;
        bool useAuthorization = false;
        QString userName;
        QString password;
        QString referer;
    };
    // For workers: the options of one request, copied together.
    RequestOptions GetRequestOptions() const;
    QString GetDownloadLocation() const;
    // The caller keeps the folder rule of the constructor.
    void SetDownloadLocation(const QString& folder);
    // The names are replaced only when authorization is used; otherwise they stay.
    void SetAuthorization(bool use, const QString& userName, const QString& password);
    void SetAccessType(int32_t accessType);
    void SetReferer(const QString& referer);

    // Partial file, stub and finishing; list record.
    // The longest text a list record may hold; every producer keeps within it.
    static constexpr qsizetype kMaxStoredTextLength = 2083;
    // Reads one list record. Throws CArchiveException when the record is cut
    // short or a text count lies outside 0 to kMaxStoredTextLength; a partial
    // file that cannot be used is recorded in the error record instead.
    CHttpDownloader(BinaryReader& archive, CDownloadItem* item);
    // A paused download from a partial file alone. Throws CInvalidArgException
    // for a null path or one without "/", and what ReadDownloadStub throws;
    // CHttpDownloaderException also for a stub without a usable URL.
    CHttpDownloader(const QString& partialFile, CDownloadItem* item);
    // Appends the list record. Throws CArchiveException, writing nothing, when a
    // text is longer than any list record may hold.
    void Serialize(BinaryWriter& archive) const;
    // StepOk, StepStopped or StepFailed.
    StepResult AllocateFile();
    // Writes the stub behind the data through file; the caller holds m_csStub
    // (or runs alone). 0 or the errno of the failed write, which it does not record.
    int WriteDownloadStub(PosixFile& file) const;
    // StepOk or StepFailed.
    StepResult Finish();

    // Session and request; preparing.
    // A layer call that fails while the terminate event is set gives StepStopped
    // and records no error.
    // StepOk or StepFailed; closes a session that is still open first.
    StepResult OpenSession();
    // Failures go to error, or to the download's record when it is null: a
    // section records its own, which no other section clears meanwhile.
    // Connect and request handles for a GET of url, parsed into urlParts. The
    // preparing step allows the no-auto-redirect flag, the section transfer does
    // not. On any result but StepOk no handle is left open; the terminate event
    // cancels the request's waits. The download's credentials go only to the
    // origin of the URL as entered, the proxy credentials only to the session's proxy.
    StepResult OpenRequest(bool allowNoAutoRedirect, const QString& url, CUrl& urlParts,
                           inet::HINTERNET& hConnect, inet::HINTERNET& hRequest, CDownloadError* error = nullptr);
    // Sends an opened request and reads its status code; on a failure both
    // handles are closed.
    StepResult SendRequestAndQueryStatus(inet::HINTERNET& hConnect, inet::HINTERNET& hRequest,
                                         int32_t& status, CDownloadError* error = nullptr);
    // The request handle first, then the connect handle; both become null.
    static void CloseRequest(inet::HINTERNET& hConnect, inet::HINTERNET& hRequest);
    // Records the layer's last error under messageId and gives result.
    StepResult InternetFailure(TextId messageId, StepResult result, CDownloadError* error = nullptr);
    // Follows redirects and learns the download URL, title, size, resume support
    // and last-modified time, without reading a body.
    StepResult Prepare();

    // Run lifecycle.
    // Begins a run on a new worker, unless one runs or the download is
    // Completed; a run for justGetInfo ends after preparing. A worker that cannot
    // be created is recorded as message 142 with the system's error.
    void Start(bool justGetInfo);
    // The one way to stop a run: Pausing and the terminate event, only while the
    // run has not begun to settle its final state, which a later pause would undo.
    void RequestPause();
    // Replaces the sections by a fresh split of the file. Throws
    // CInvalidArgException, changing nothing, for a MaxSectionCountPerDownload
    // outside 1 to 8.
    void CreateSections();
    // One worker's share of a run: takes a section, chains the next worker and
    // transfers the section.
    void RunSection();
    // Settles the run; only the last worker out runs it, and it touches the
    // download no more once m_bIsRunning is cleared.
    void EndRun();
    // GetDownloadedSize for the run's own workers, which need no lock.
    uint64_t GetDownloadedSizeInRun() const;
    // A server that answers a range with the whole file: the first section to
    // get it takes the body for the run, and the others leave it. True for
    // that section.
    bool ClaimWholeBody(int32_t section);
    bool TakesWholeBody(int32_t section) const { return m_nWholeBodySection == section; }

protected:
    // Starts a detached worker thread; throws std::system_error when the system
    // cannot.
    virtual void LaunchWorker(bool isFirst);

private:
    void DownloadThreadProc(bool isFirst) noexcept;
    void PrepareStep();
    void AllocateStep();
    CSection* TakeSection();
    void ChainWorker();
    void TransferSection(CSection& section);
    bool WaitBeforeNextAttempt(CSection& section, int32_t milliseconds);
    void SetRunState(int32_t state);
    int32_t DecideFinalState();
    StepResult FinishUnlocked(std::unique_lock<std::mutex>& stateLock);
    void TakeSectionError();
    void EndInfoRun();
    void FailRun() noexcept;
    void RecordOutOfMemory() noexcept;
    uint64_t ItemId() const;

    // Workers of the run not yet finished: the one that takes it to 0 is the
    // last one out. Not shown; the thread counters are.
    std::atomic<int32_t> m_nOutstanding{0};
    bool m_bEnding = false;        // m_csState: the final state is being settled
    uint64_t m_nRunStartTicks = 0; // monotonic clock at Start
    std::atomic<int32_t> m_nWholeBodySection{-1}; // ClaimWholeBody; -1 = none in this run
    std::atomic<int> m_nChainError{0};            // errno of a worker the chain could not create

public:
    // The fields, in the order the inspector lists them.
    CDownloadItem* m_pItem = nullptr; // not owned
    SYSTEMTIME m_timeAdded;           // local
    QString m_strUrl;                 // as the user entered it
    QString m_strDownloadUrl;         // after redirects; m_csFields
    QString m_strFileTitle;           // m_csFields
    QString m_strDownloadLocation;    // at least two units, no trailing "/"; m_csFields
    QString m_strLocalFileName;       // partial file, then final file; m_csFields
    QString m_strDescription;
    int32_t m_nAccessType = Preconfig; // m_csFields, as are the four that follow
    int32_t m_bUseAuthorization = 0;
    QString m_strUserName;
    QString m_strPassword;
    QString m_strReferer;
    RelaxedAtomic<int32_t> m_bGotFileSize;
    RelaxedAtomic<uint64_t> m_nFileSize;
    RelaxedAtomic<uint64_t> m_nAllocated;
    RelaxedAtomic<int32_t> m_bAcceptRanges;
    SYSTEMTIME m_timeLastModified; // UTC; m_csFields
    RelaxedAtomic<FILETIME> m_nDownloadStartingTime;
    RelaxedAtomic<uint64_t> m_nWholeDownloadTime; // 100-ns units
    RelaxedAtomic<int32_t> m_nState{NeedToPrepare};
    PublishedAtomic<int32_t> m_bIsRunning; // by the state: the list's refresh reads the two of every row
    std::unique_ptr<CDownloadError> m_pError;
    int32_t m_bJustGetInfo = 0;
    RelaxedAtomic<inet::HINTERNET> m_hSession{nullptr};
    SectionList m_sections; // in index order; LockSections
    std::unique_ptr<ManualResetEvent> m_pTerminateEvent;
    std::mutex m_csStub;
    // The sections' writes into the partial file; made at the first start, so
    // that a row that never runs has none.
    std::unique_ptr<CWriteQueue> m_pWriteQueue;
    RelaxedAtomic<uint64_t> m_nLastStubWrittenSize;
    std::atomic<int32_t> m_nThreadsDone{0};
    std::atomic<int32_t> m_nThreadsRunning{0};
    std::atomic<int32_t> m_nThreadsFailed{0};
    std::mutex m_csState;

private:
    void Init();
    void CloseSession();

    QString m_strETag;          // m_csFields; never stored
    SYSTEMTIME m_timePartialFile; // set once by the constructor
    mutable std::mutex m_csFields;
    mutable std::mutex m_csSections;
    // Which proxy the open session goes through (for proxy access): the HTTPS
    // proxy, or the HTTP one; its credentials are the ones every request carries.
    RelaxedAtomic<bool> m_bHttpsProxySession{false};
};
