#include "UiFixture.h"

#include "app/VandrelCore.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "mainframe/ToolBarCtrlEx.h"
#include "support/TestEnvironment.h"

#include <QItemSelectionModel>

#include <system_error>
#include <vector>

namespace {

// A download whose runs start no worker: the test ends each run itself, so
// the queue can be watched one start at a time.
class ScriptedRunDownload : public CHttpDownloader
{
public:
    ScriptedRunDownload(const QString& url, CDownloadItem* item)
        : CHttpDownloader(url, TestEnvironment::root(), item)
    {
    }

    void EndRun(int32_t state)
    {
        m_nState = state;
        m_bIsRunning = 0;
    }

    int launches = 0;
    bool threadsExhausted = false; // no worker can be created

protected:
    void LaunchWorker(bool) override
    {
        if (threadsExhausted)
            throw std::system_error(EAGAIN, std::generic_category());
        ++launches;
    }
};

class QueueTest : public UiFixture
{
protected:
    QueueTest()
    {
        frame = new CMainFrame;
        frame->Create();
    }

    ~QueueTest() override
    {
        for (ScriptedRunDownload* download : downloads)
            download->m_bIsRunning = 0;
        delete frame;
    }

    void AddRows(int count, int32_t state = NeedToPrepare)
    {
        for (int i = 0; i < count; ++i) {
            auto* item = new CDownloadItem;
            const QString url = QStringLiteral("http://127.0.0.1:9/%1").arg(downloads.size());
            auto* download = new ScriptedRunDownload(url, item);
            download->m_nState = state;
            item->m_pDownloader = download;
            frame->View()->AddItem(item);
            downloads.push_back(download);
        }
    }

    static void SetLimit(int32_t limit) { SettingStore(AppCore().m_settings.ConcurrentDownloads, limit); }

    void Select(std::initializer_list<int> rows)
    {
        QItemSelectionModel* selection = frame->View()->selectionModel();
        selection->clearSelection();
        for (int row : rows)
            selection->select(frame->View()->model()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    bool Dispatch(int id) { return frame->Commands().Dispatch(id); }
    CDownloadItem* Item(int row) const { return frame->View()->GetItem(row); }

    std::vector<int> Launches() const
    {
        std::vector<int> launches;
        for (const ScriptedRunDownload* download : downloads)
            launches.push_back(download->launches);
        return launches;
    }

    std::vector<int> Queued() const
    {
        std::vector<int> queued;
        for (int row = 0; row < frame->View()->GetItemCount(); ++row)
            queued.push_back(Item(row)->IsQueued());
        return queued;
    }

    QString Status(int row) const
    {
        QString text;
        Item(row)->GetStatusText(text);
        return text;
    }

    CMainFrame* frame;
    std::vector<ScriptedRunDownload*> downloads; // by row
};

TEST_F(QueueTest, StartAllFillsTheLimitFromTheTopAndEachEndStartsTheTopmostQueuedRow)
{
    SetLimit(3);
    AddRows(10);
    ASSERT_TRUE(Dispatch(ID_START_ALL));
    EXPECT_EQ(Launches(), (std::vector<int>{1, 1, 1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 0, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(Status(3), QStringLiteral("新建 (排队)"));

    downloads[1]->EndRun(Completed);
    frame->ProcessQueue();
    EXPECT_EQ(Launches(), (std::vector<int>{1, 1, 1, 1, 0, 0, 0, 0, 0, 0}));
    downloads[0]->EndRun(TransferringFailed);
    frame->ProcessQueue();
    EXPECT_EQ(Launches(), (std::vector<int>{1, 1, 1, 1, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 0, 0, 0, 1, 1, 1, 1, 1}));

    // A failed run is not retried by the queue, and nothing starts while exiting.
    downloads[2]->EndRun(Completed);
    frame->m_bExiting = true;
    frame->ProcessQueue();
    EXPECT_EQ(downloads[5]->launches, 0);
}

// A start whose worker cannot be created leaves its row idle and takes no
// place: the next queued row starts in its stead.
TEST_F(QueueTest, AStartWithoutAWorkerTakesNoPlace)
{
    SetLimit(1);
    AddRows(4);
    downloads[0]->threadsExhausted = true;
    ASSERT_TRUE(Dispatch(ID_START_ALL));
    EXPECT_EQ(Launches(), (std::vector<int>{0, 1, 0, 0}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 1, 1}));
    EXPECT_FALSE(downloads[0]->m_bIsRunning);

    downloads[2]->threadsExhausted = true;
    downloads[1]->EndRun(Completed);
    frame->ProcessQueue();
    EXPECT_EQ(Launches(), (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(QueueTest, StartAllNeverQueuesCompletedRows)
{
    SetLimit(1);
    AddRows(1);
    AddRows(2, Completed);
    ASSERT_TRUE(Dispatch(ID_START_ALL));
    EXPECT_EQ(Launches(), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(Status(1), QStringLiteral("已完成"));
}

// The tally reads only the rows that may have changed since they rested: a
// start, a queue mark, a run's end and a reset must each show at the next tally.
TEST_F(QueueTest, TheTallySeesRowsThatRestedStartQueueEndAndReset)
{
    SetLimit(1);
    AddRows(2);
    AddRows(1, Completed);
    const auto tally = [this] {
        const RowTally t = frame->View()->TallyRows();
        return std::vector<int>{t.running, t.queued, t.idle, t.completed};
    };
    EXPECT_EQ(tally(), (std::vector<int>{0, 0, 2, 1})) << "at rest";
    ASSERT_TRUE(Dispatch(ID_START_ALL));
    EXPECT_EQ(tally(), (std::vector<int>{1, 1, 1, 1})) << "one started, one queued";
    downloads[0]->EndRun(Completed);
    EXPECT_EQ(tally(), (std::vector<int>{0, 1, 1, 2})) << "the run ended";
    Select({1});
    ASSERT_TRUE(Dispatch(ID_DOWNLOAD_PAUSE));
    EXPECT_EQ(tally(), (std::vector<int>{0, 0, 1, 2})) << "the queued row paused";
    downloads[2]->Reset();
    downloads[0]->Reset();
    EXPECT_EQ(tally(), (std::vector<int>{0, 0, 3, 0})) << "both completed rows reset";
    frame->View()->RemoveItem(0, false);
    downloads.erase(downloads.begin());
    EXPECT_EQ(tally(), (std::vector<int>{0, 0, 2, 0})) << "a resting row removed";
}

TEST_F(QueueTest, LimitOutsideOneToEightIsClamped)
{
    const struct
    {
        int32_t stored;
        int started;
    } cases[] = {{0, 1}, {-4, 1}, {99, 8}};
    AddRows(10);
    for (const auto& c : cases) {
        SetLimit(c.stored);
        Dispatch(ID_START_ALL);
        int running = 0;
        for (size_t row = 0; row < downloads.size(); ++row) {
            running += downloads[row]->m_bIsRunning ? 1 : 0;
            downloads[row]->EndRun(NeedToPrepare);
            Item(int(row))->SetQueued(false);
        }
        EXPECT_EQ(running, c.started) << "stored " << c.stored;
    }
}

TEST_F(QueueTest, LoweringTheLimitPausesTheLowestRunningRowsAndRaisingItRestartsThem)
{
    SetLimit(5);
    AddRows(6);
    Dispatch(ID_START_ALL);
    downloads[4]->RequestPause(); // the user is pausing this one already

    ASSERT_TRUE(Dispatch(ID_CONCURRENCY_FIRST + 1));
    EXPECT_EQ(SettingLoad(AppCore().m_settings.ConcurrentDownloads), 2);
    const CToolBarCtrlEx& bar = *frame->ToolBar();
    EXPECT_EQ(bar.Buttons()[bar.CommandToIndex(ID_CONCURRENCY_DROPDOWN)].iBitmap, 12);
    EXPECT_EQ(frame->Commands().Query(ID_CONCURRENCY_FIRST + 1).check, 1);
    EXPECT_EQ(frame->Commands().Query(ID_CONCURRENCY_FIRST).check, 0);
    for (int row : {2, 3, 4})
        EXPECT_EQ(int32_t(downloads[row]->m_nState), Pausing) << row;
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 1, 1, 0, 1}));

    for (int row : {2, 3, 4})
        downloads[row]->EndRun(Paused);
    EXPECT_EQ(Status(2), QStringLiteral("已暂停 (排队)"));
    ASSERT_TRUE(Dispatch(ID_CONCURRENCY_FIRST + 4));
    EXPECT_EQ(Launches(), (std::vector<int>{1, 1, 2, 2, 1, 1}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 0, 0, 0, 0}));
}

TEST_F(QueueTest, PauseClearsTheQueueFlagsFirstAndRunsTheQueueOnce)
{
    SetLimit(1);
    AddRows(3);
    Dispatch(ID_START_ALL);
    downloads[0]->EndRun(Paused); // a place is free, but row 2 is still marked queued
    Select({0, 1});
    ASSERT_TRUE(Dispatch(ID_DOWNLOAD_PAUSE));
    // Row 1 was selected: it must not have been started by a pass over the queue
    // that ran before its own flag was cleared.
    EXPECT_EQ(Launches(), (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 0}));

    Select({2});
    ASSERT_TRUE(Dispatch(ID_DOWNLOAD_PAUSE));
    EXPECT_EQ(int32_t(downloads[2]->m_nState), Pausing);
}

TEST_F(QueueTest, GetInformationStartsBeyondTheLimitAndStartsNoQueuedRow)
{
    SetLimit(1);
    AddRows(3);
    Dispatch(ID_START_ALL);
    Item(1)->SetQueued(false);
    Select({1});
    ASSERT_TRUE(Dispatch(ID_DOWNLOAD_GET_INFO));
    EXPECT_EQ(Launches(), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(downloads[1]->m_bJustGetInfo, 1);
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 1}));
}

TEST_F(QueueTest, CommandsOnRowsTheyCannotActOnAreDisabled)
{
    EXPECT_FALSE(Dispatch(ID_START_ALL));
    EXPECT_FALSE(Dispatch(ID_PAUSE_ALL));
    AddRows(2, Completed);
    Select({0, 1});
    EXPECT_FALSE(Dispatch(ID_DOWNLOAD_START));
    EXPECT_FALSE(Dispatch(ID_DOWNLOAD_PAUSE));
    EXPECT_FALSE(Dispatch(ID_DOWNLOAD_GET_INFO));
    EXPECT_EQ(Launches(), (std::vector<int>{0, 0}));
    EXPECT_EQ(int32_t(downloads[0]->m_nState), Completed);
    EXPECT_TRUE(frame->Commands().Query(ID_START_ALL).enabled);
}

} // namespace
