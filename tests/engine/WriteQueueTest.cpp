// The queue that writes the sections' buffers one at a time, against a real file.
#include "engine/WriteQueue.h"
#include "platform/PosixFile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <thread>

namespace {

constexpr size_t kPiece = 4096;
constexpr int kPieces = 64;
constexpr int kLanes = 8;

char byteAt(uint64_t offset)
{
    return char((offset * 7 + (offset >> 12)) & 0xFF);
}

std::vector<char> piece(uint64_t offset)
{
    std::vector<char> bytes(kPiece);
    for (size_t i = 0; i < kPiece; ++i)
        bytes[i] = byteAt(offset + i);
    return bytes;
}

// One lane's pieces, from first on, each put once the lane's earlier one is written.
void writeLane(CWriteQueue& queue, const QString& path, RelaxedAtomic<uint64_t>& progress, uint64_t first)
{
    PosixFile file;
    ASSERT_EQ(file.open(path, PosixFile::Access::WriteOnly), 0);
    CWriteQueue::Lane writes(queue, file, progress);
    for (int i = 0; i < kPieces; ++i) {
        EXPECT_EQ(queue.Settle(writes), 0);
        const uint64_t offset = first + uint64_t(i) * kPiece;
        queue.Put(writes, piece(offset), kPiece, offset);
    }
    EXPECT_EQ(queue.Settle(writes), 0);
}

// Lanes put their pieces from threads of their own while a watcher checks that
// no lane's progress ever claims a byte that is not in the file.
TEST(WriteQueueTest, ProgressNeverRunsAheadOfTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("part"));
    PosixFile reader;
    ASSERT_EQ(reader.open(path, PosixFile::Access::CreateNew), 0);
    CWriteQueue queue;
    RelaxedAtomic<uint64_t> progress[kLanes];
    std::atomic<int> lanesDone{0};
    std::atomic<bool> claimedMissing{false};
    std::vector<std::thread> lanes;
    for (int lane = 0; lane < kLanes; ++lane) {
        const uint64_t first = uint64_t(lane) * kPiece * kPieces;
        progress[lane] = first;
        lanes.emplace_back([&, lane, first] {
            writeLane(queue, path, progress[lane], first);
            ++lanesDone; // even after a failure, or the watcher below waits for ever
        });
    }
    std::vector<char> seen(kPiece);
    while (lanesDone < kLanes) {
        for (int lane = 0; lane < kLanes; ++lane) {
            const uint64_t claimed = progress[lane];
            if (claimed == uint64_t(lane) * kPiece * kPieces)
                continue;
            size_t done = 0;
            if (reader.readAt(seen.data(), kPiece, claimed - kPiece, &done) != 0 || done != kPiece
                || seen != piece(claimed - kPiece))
                claimedMissing = true;
        }
    }
    for (std::thread& lane : lanes)
        lane.join();
    EXPECT_FALSE(claimedMissing);
    for (int lane = 0; lane < kLanes; ++lane)
        EXPECT_EQ(progress[lane], uint64_t(lane + 1) * kPiece * kPieces);
    std::vector<char> whole(kPiece);
    for (uint64_t offset = 0; offset < uint64_t(kLanes) * kPiece * kPieces; offset += kPiece) {
        size_t done = 0;
        ASSERT_EQ(reader.readAt(whole.data(), kPiece, offset, &done), 0);
        ASSERT_EQ(whole, piece(offset)) << offset;
    }
}

// A failed write stops its lane where the file stands, with the system's
// reason, and drops the lane's later buffers, which could be written; another
// lane goes on.
TEST(WriteQueueTest, AFailedWriteDropsTheLanesLaterBuffers)
{
    QTemporaryDir dir;
    PosixFile file;
    ASSERT_EQ(file.open(dir.filePath(QStringLiteral("part")), PosixFile::Access::CreateNew), 0);
    CWriteQueue queue;
    constexpr uint64_t kPastTheLargestFile = uint64_t(INT64_MAX) - kPiece;
    RelaxedAtomic<uint64_t> failing{kPastTheLargestFile};
    RelaxedAtomic<uint64_t> going{kPiece * 4};
    CWriteQueue::Lane failingLane(queue, file, failing);
    CWriteQueue::Lane goingLane(queue, file, going);

    queue.Put(failingLane, piece(0), kPiece, kPastTheLargestFile);
    const int error = queue.Settle(failingLane);
    EXPECT_EQ(error, EFBIG);
    queue.Put(failingLane, piece(0), kPiece, 0);
    EXPECT_EQ(queue.Settle(failingLane), error);
    EXPECT_EQ(failing, kPastTheLargestFile);
    EXPECT_FALSE(failingLane.spare.empty()); // the dropped buffer is handed back

    queue.Put(goingLane, piece(kPiece * 4), kPiece, kPiece * 4);
    EXPECT_EQ(queue.Settle(goingLane), 0);
    EXPECT_EQ(going, kPiece * 5);
    std::vector<char> first(kPiece, 1);
    size_t done = 0;
    ASSERT_EQ(file.readAt(first.data(), kPiece, 0, &done), 0);
    EXPECT_EQ(first, std::vector<char>(kPiece, 0)); // a hole: the dropped buffer is not there
}

} // namespace
