#include "RowsFixture.h"
#include "ScriptedDownloads.h"

#include "app/VandrelCore.h"
#include "engine/DownloadItem.h"
#include "mainframe/core/DownloadQueue.h"

#include <vector>

namespace {

class DownloadQueueTest : public RowsFixture
{
protected:
    ~DownloadQueueTest() override { scripted.EndAllRuns(); }

    void AddRows(int count, int32_t state = NeedToPrepare) { scripted.Add(rows, count, state); }
    static void SetLimit(int32_t limit) { SettingStore(AppCore().m_settings.ConcurrentDownloads, limit); }
    CDownloadItem* Item(int row) const { return rows.GetItem(row); }
    std::vector<int> Launches() const { return scripted.Launches(); }
    std::vector<int> Queued() const { return scripted.Queued(); }
    std::vector<int> States() const { return scripted.States(); }

    QString Status(int row) const
    {
        QString text;
        Item(row)->GetStatusText(text);
        return text;
    }

    CDownloadQueue queue{rows};
    ScriptedDownloads scripted;
    std::vector<ScriptedRunDownload*>& downloads = scripted.downloads;
};

TEST_F(DownloadQueueTest, StartAllFillsTheLimitFromTheTopAndEachEndStartsTheTopmostQueuedRow)
{
    SetLimit(3);
    AddRows(10);
    queue.StartAll();
    EXPECT_EQ(Launches(), (std::vector<int>{1, 1, 1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 0, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(Status(3), QStringLiteral("新建 (排队)"));

    downloads[1]->EndRun(Completed);
    queue.Process();
    EXPECT_EQ(Launches(), (std::vector<int>{1, 1, 1, 1, 0, 0, 0, 0, 0, 0}));
    downloads[0]->EndRun(TransferringFailed);
    queue.Process();
    EXPECT_EQ(Launches(), (std::vector<int>{1, 1, 1, 1, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 0, 0, 0, 1, 1, 1, 1, 1}));

    // A failed run is not retried by the queue.
    downloads[2]->EndRun(Completed);
    queue.Process();
    EXPECT_EQ(Launches(), (std::vector<int>{1, 1, 1, 1, 1, 1, 0, 0, 0, 0}));
}

// A start whose worker cannot be created leaves its row idle and takes no
// place: the next queued row starts in its stead.
TEST_F(DownloadQueueTest, AStartWithoutAWorkerTakesNoPlace)
{
    SetLimit(1);
    AddRows(4);
    downloads[0]->threadsExhausted = true;
    queue.StartAll();
    EXPECT_EQ(Launches(), (std::vector<int>{0, 1, 0, 0}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 1, 1}));
    EXPECT_FALSE(downloads[0]->m_bIsRunning);

    downloads[2]->threadsExhausted = true;
    downloads[1]->EndRun(Completed);
    queue.Process();
    EXPECT_EQ(Launches(), (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(DownloadQueueTest, StartAllNeverQueuesCompletedRows)
{
    SetLimit(1);
    AddRows(1);
    AddRows(2, Completed);
    queue.StartAll();
    EXPECT_EQ(Launches(), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(Status(1), QStringLiteral("已完成"));
}

TEST_F(DownloadQueueTest, LimitOutsideOneToEightIsClamped)
{
    const struct
    {
        int32_t stored;
        int started;
    } cases[] = {{0, 1}, {-4, 1}, {99, 8}};
    AddRows(10);
    for (const auto& c : cases) {
        SetLimit(c.stored);
        EXPECT_EQ(CDownloadQueue::Limit(), c.started) << "stored " << c.stored;
        queue.StartAll();
        EXPECT_EQ(queue.CountRunning(), c.started) << "stored " << c.stored;
        for (size_t row = 0; row < downloads.size(); ++row) {
            downloads[row]->EndRun(NeedToPrepare);
            Item(int(row))->SetQueued(false);
        }
    }
}

TEST_F(DownloadQueueTest, LoweringTheLimitPausesTheLowestRunningRowsAndRaisingItRestartsThem)
{
    SetLimit(5);
    AddRows(6);
    queue.StartAll();
    downloads[4]->RequestPause(); // the user is pausing this one already

    SetLimit(2);
    queue.Process();
    EXPECT_EQ(States(), (std::vector<int>{NeedToPrepare, NeedToPrepare, Pausing, Pausing, Pausing, NeedToPrepare}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 1, 1, 0, 1}));

    for (int row : {2, 3, 4})
        downloads[row]->EndRun(Paused);
    EXPECT_EQ(Status(2), QStringLiteral("已暂停 (排队)"));
    SetLimit(5);
    queue.Process();
    EXPECT_EQ(Launches(), (std::vector<int>{1, 1, 2, 2, 1, 1}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 0, 0, 0, 0}));
}

TEST_F(DownloadQueueTest, PausesStopBusyRowsAndOnlyPauseAllAndPauseEmptyTheQueue)
{
    SetLimit(1);
    AddRows(3);
    queue.StartAll();
    queue.PauseAllRunning(); // the exit's: the queue stays as it is
    EXPECT_EQ(States(), (std::vector<int>{Pausing, NeedToPrepare, NeedToPrepare}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 1, 1}));

    CDownloadQueue::Pause(*Item(1)); // queued, not running: only out of the queue
    EXPECT_EQ(States(), (std::vector<int>{Pausing, NeedToPrepare, NeedToPrepare}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 1}));

    queue.PauseAll();
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 0}));
    downloads[0]->EndRun(Paused);
    queue.Process();
    EXPECT_EQ(Launches(), (std::vector<int>{1, 0, 0}));
}

TEST_F(DownloadQueueTest, GetInformationStartsBeyondTheLimitOnlyRowsThatNeedIt)
{
    SetLimit(1);
    AddRows(3);
    AddRows(1, Paused);
    queue.StartAll();
    Item(1)->SetQueued(false);
    CDownloadQueue::GetInformation({Item(0), Item(1), Item(3)});
    EXPECT_EQ(Launches(), (std::vector<int>{1, 1, 0, 0}));
    EXPECT_EQ(downloads[0]->m_bJustGetInfo, 0) << "a row already running is left alone";
    EXPECT_EQ(downloads[1]->m_bJustGetInfo, 1);
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 1, 1}));
}

} // namespace
