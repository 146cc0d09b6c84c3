#include "UiFixture.h"
#include "framecore/ScriptedDownloads.h"

#include "app/VandrelCore.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "mainframe/ToolBarCtrlEx.h"

#include <QItemSelectionModel>

#include <vector>

namespace {

// The queue's commands and the frame's pass over it; the policy itself is
// tested without a window.
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
        scripted.EndAllRuns();
        delete frame;
    }

    void AddRows(int count, int32_t state = NeedToPrepare) { scripted.Add(*frame->View(), count, state); }
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

    std::vector<int> Launches() const { return scripted.Launches(); }
    std::vector<int> Queued() const { return scripted.Queued(); }

    CMainFrame* frame;
    ScriptedDownloads scripted;
    std::vector<ScriptedRunDownload*>& downloads = scripted.downloads;
};

TEST_F(QueueTest, StartAllStartsAndQueuesAndNothingStartsWhileExiting)
{
    SetLimit(1);
    AddRows(2);
    ASSERT_TRUE(Dispatch(ID_START_ALL));
    EXPECT_EQ(Launches(), (std::vector<int>{1, 0}));
    EXPECT_EQ(Queued(), (std::vector<int>{0, 1}));

    downloads[0]->EndRun(Completed);
    frame->m_bExiting = true;
    frame->ProcessQueue();
    EXPECT_EQ(Launches(), (std::vector<int>{1, 0}));
    frame->m_bExiting = false;
    frame->ProcessQueue();
    EXPECT_EQ(Launches(), (std::vector<int>{1, 1}));
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

TEST_F(QueueTest, TheConcurrencyCommandStoresTheLimitShowsItAndRunsTheQueue)
{
    SetLimit(3);
    AddRows(4);
    Dispatch(ID_START_ALL);

    ASSERT_TRUE(Dispatch(ID_CONCURRENCY_FIRST + 1));
    EXPECT_EQ(SettingLoad(AppCore().m_settings.ConcurrentDownloads), 2);
    const CToolBarCtrlEx& bar = *frame->ToolBar();
    EXPECT_EQ(bar.Buttons()[bar.CommandToIndex(ID_CONCURRENCY_DROPDOWN)].iBitmap, 12);
    EXPECT_EQ(frame->Commands().Query(ID_CONCURRENCY_FIRST + 1).check, 1);
    EXPECT_EQ(frame->Commands().Query(ID_CONCURRENCY_FIRST).check, 0);
    EXPECT_EQ(int32_t(downloads[2]->m_nState), Pausing);
    EXPECT_EQ(Queued(), (std::vector<int>{0, 0, 1, 1}));
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
