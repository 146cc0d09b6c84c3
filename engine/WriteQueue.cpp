#include "engine/WriteQueue.h"

#include "platform/PosixFile.h"

CWriteQueue::Lane::Lane(CWriteQueue& queue, PosixFile& file, RelaxedAtomic<uint64_t>& written)
    : m_queue(queue)
    , m_file(file)
    , m_written(written)
{
}

CWriteQueue::Lane::~Lane()
{
    m_queue.Settle(*this);
}

void CWriteQueue::Put(Lane& lane, std::vector<char>&& buffer, size_t size, uint64_t offset)
{
    std::unique_lock lock(m_mutex);
    lane.m_pending = true;
    m_jobs.push_back(Job{&lane, std::move(buffer), size, offset});
    if (!m_writing)
        WriteQueued(lock);
}

int CWriteQueue::Settle(Lane& lane)
{
    std::unique_lock lock(m_mutex);
    while (lane.m_pending) {
        if (m_writing)
            m_done.wait(lock);
        else
            WriteQueued(lock);
    }
    return lane.m_error;
}

// Writes the buffers queued when it starts, so that the section taking its turn
// gets back to its own reads; those queued meanwhile wait for the next turn.
void CWriteQueue::WriteQueued(std::unique_lock<std::mutex>& lock)
{
    m_writing = true;
    std::vector<Job> turn;
    turn.swap(m_jobs);
    for (Job& job : turn) {
        Lane& lane = *job.lane;
        const bool drop = lane.m_error != 0;
        lock.unlock();
        const int error = drop ? 0 : lane.m_file.writeAt(job.data.data(), job.size, job.offset);
        lock.lock();
        if (error)
            lane.m_error = error;
        else if (!drop)
            lane.m_written = job.offset + job.size; // the data first, then the progress
        lane.spare = std::move(job.data);
        lane.m_pending = false;
    }
    // The list's room serves the next turns, unless jobs came meanwhile.
    turn.clear();
    if (m_jobs.empty())
        m_jobs.swap(turn);
    m_writing = false;
    m_done.notify_all();
}
