#pragma once

#include "engine/OrderedAtomic.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

class PosixFile;

// The full buffers of a download's sections, written into the partial file one
// at a time: sections writing at once spin on the file's lock in the kernel,
// which copies one write at a time anyway. A section queues its buffer and
// reads on into another while the buffer waits; whichever section finds no one
// writing writes what is queued. A section has one buffer queued at most.
class CWriteQueue
{
public:
    // One section's attempt: its file, its progress and its buffer to come.
    class Lane
    {
    public:
        Lane(CWriteQueue& queue, PosixFile& file, RelaxedAtomic<uint64_t>& written);
        // Waits until the lane's buffer is written or dropped.
        ~Lane();
        Lane(const Lane&) = delete;
        Lane& operator=(const Lane&) = delete;

        // A buffer the lane may fill next: its last written one, or a new one.
        std::vector<char> spare;

    private:
        friend class CWriteQueue;
        CWriteQueue& m_queue;
        PosixFile& m_file;
        RelaxedAtomic<uint64_t>& m_written; // moved past each buffer once it is on disk
        bool m_pending = false;             // a buffer is queued or being written
        int m_error = 0;                    // errno of the first failed write
    };

    // Queues the first size bytes of buffer for offset, which must be where the
    // lane's progress stands once its queued buffer is written; writes what is
    // queued when no one else does. After a failed write the lane's buffers are dropped.
    void Put(Lane& lane, std::vector<char>&& buffer, size_t size, uint64_t offset);
    // Waits until the lane's buffer is on disk (or dropped), writing what is
    // queued meanwhile when no one else does; then spare holds its buffer. 0 or
    // the errno of the lane's first failed write.
    int Settle(Lane& lane);

private:
    struct Job
    {
        Lane* lane;
        std::vector<char> data;
        size_t size;
        uint64_t offset;
    };

    void WriteQueued(std::unique_lock<std::mutex>& lock);

    std::mutex m_mutex;
    std::condition_variable m_done;
    std::vector<Job> m_jobs; // a deque would allocate for every idle row of the list
    bool m_writing = false;
};
