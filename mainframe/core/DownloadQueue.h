#pragma once

#include <cstdint>
#include <vector>

class CDownloadItem;
class CDownloadRows;

// The queue policy: at most ConcurrentDownloads rows run. The queue is no list
// of its own: a waiting row carries its queued flag, and the order of the rows
// is the order of the queue. Every answer is read afresh from the rows at each
// call, because workers change them at any time. User-interface thread only.
class CDownloadQueue
{
public:
    explicit CDownloadQueue(const CDownloadRows& rows) : m_rows(rows) {}

    // ConcurrentDownloads within 1 to 8: a hand-edited value must not leave the
    // queue without a limit, nor the concurrency button without an image.
    static int32_t Limit();
    int CountRunning() const;

    // Starts an idle item now, or queues it while the running rows fill the limit.
    void StartOrQueue(CDownloadItem* item);
    // StartOrQueue for each item in turn, with the running rows counted once.
    void StartOrQueue(const std::vector<CDownloadItem*>& items);
    // StartOrQueue for every row, top first.
    void StartAll();
    // Fills free places from the queued rows, top first, or pushes the running
    // rows beyond a lowered limit back into the queue.
    void Process();
    // A pause request for every row that is running or active; queued flags stay.
    void PauseAllRunning();
    // PauseAllRunning, and every row out of the queue.
    void PauseAll();
    // A pause request when the item is busy, and out of the queue either way;
    // the caller runs Process once it has paused what it pauses.
    static void Pause(CDownloadItem& item);
    // A run that only learns the name and size, for each item that needs one
    // and does not run; the limit does not hold it back.
    static void GetInformation(const std::vector<CDownloadItem*>& items);

private:
    void StartOrQueue(CDownloadItem* item, int& running);
    // Starts an idle item and clears its queued flag; false when no worker could
    // be created, which leaves it idle and its place free.
    static bool Start(CDownloadItem* item);

    const CDownloadRows& m_rows;
};
