#pragma once

#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <thread>

// One checksum of one file, computed through the CNG-shaped layer on a thread
// of its own that starts with the object. The owner polls IsDone(); the thread
// touches nothing but the object's own state, and the destructor waits for it
// (at most the chunk being read), so it can never outlive that state.
class CHashRun
{
public:
    static constexpr size_t kChunkSize = 524288;

    enum class Failure
    {
        None,
        Hashing, // the algorithm or a hashing call failed
        Memory,  // a buffer could not be allocated
        File,    // the file could not be opened or read: FileError()
    };

    // algorithm is a CNG id such as "SHA256".
    CHashRun(const QString& path, const QString& algorithm);
    ~CHashRun();
    CHashRun(const CHashRun&) = delete;
    CHashRun& operator=(const CHashRun&) = delete;

    // The run ends after the chunk being read, leaving no digest.
    void RequestStop() { m_thread.request_stop(); }
    bool IsDone() const { return m_bDone.load(std::memory_order_acquire); }
    uint64_t BytesProcessed() const { return m_nBytesProcessed.load(std::memory_order_relaxed); }

    // Once IsDone(): the digest in lower-case hexadecimal, empty unless the whole
    // file was hashed; the failure; the errno value of a File failure.
    const QString& Hash() const { return m_strHash; }
    Failure GetFailure() const { return m_failure; }
    int FileError() const { return m_nFileError; }

private:
    void Run(std::stop_token stop) noexcept;
    Failure Compute(const std::stop_token& stop);

    const QString m_strPath;
    const QString m_strAlgorithm;
    std::atomic<uint64_t> m_nBytesProcessed{0};
    // Written by the thread before m_bDone, read by the owner after it.
    QString m_strHash;
    Failure m_failure = Failure::None;
    int m_nFileError = 0;
    std::atomic<bool> m_bDone{false};
    std::jthread m_thread; // last: it starts once everything above exists
};
