#include "UiFixture.h"

#include "app/SettingsTypes.h"
#include "app/VandrelCore.h"
#include "app/gui/ModalLoops.h"
#include "app/gui/PowerOffAtExit.h"
#include "engine/DownloadItem.h"
#include "engine/DownloadState.h"
#include "engine/HttpDownloader.h"
#include "mainframe/DownloadsView.h"
#include "platform/BinaryReader.h"
#include "mainframe/MainFrame.h"
#include "mainframe/core/DownloadListFile.h"

#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QTimer>

#include <optional>

namespace {

const QString kUrl = QStringLiteral("http://127.0.0.1:9/file.bin");
const QString kAllDone = QStringLiteral("已完成所有下载|没有剩余的正在运行的下载");

class DownloadNoticeTest : public UiFixture
{
protected:
    DownloadNoticeTest()
    {
        frame = new CMainFrame;
        frame->Create();
        CAppSettings& settings = AppCore().m_settings;
        SettingStore(settings.NotifyFail, 1);
        SettingStore(settings.NotifyComplete, 1);
        SettingStore(settings.NotifyAllComplete, 1);
    }
    ~DownloadNoticeTest() override
    {
        delete frame;
        CPowerOffAtExit::RunIfRequested(); // into the fake: no request outlives its test
    }

    CDownloadItem* AddRow(bool running, const QString& fileTitle = {})
    {
        CDownloadItem* item = UiFixture::AddRow(*frame, running);
        item->m_pDownloader->SetFileTitle(fileTitle);
        return item;
    }
    static void SetAllDone(FinishAction action) { SettingStore(AppCore().m_settings.AllDoneAction, int32_t(action)); }

    // The run ends in `state` and its final notice is handled, as the engine
    // orders it: the running flag is cleared before the notice.
    void End(CDownloadItem* item, int32_t state)
    {
        item->m_pDownloader->m_nState = state;
        item->m_pDownloader->m_bIsRunning = 0;
        frame->OnDownloadNotify(item->m_nId, state);
    }

    // The records of the autosaved list, each read to its end; none when the
    // file is missing or does not parse whole.
    static std::optional<uint32_t> AutosavedRecords()
    {
        QFile file(DataFolder() + QStringLiteral("/DefaultDownloadList.vrl"));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        const std::optional<uint32_t> count = CDownloadListFile::ReadHeader(file);
        BinaryReader archive(&file);
        for (uint32_t record = 0; count && record < *count; ++record)
            CDownloadListFile::ReadRecord(archive);
        return count && file.atEnd() ? count : std::nullopt;
    }

    QPointer<CMainFrame> frame;
};

TEST_F(DownloadNoticeTest, TheBalloonFollowsTheStateTheSettingsAndWhatElseIsAtWork)
{
    const struct
    {
        int32_t state;
        const char* fileTitle;
        int notifyFail, notifyComplete, notifyAllComplete;
        bool otherRunning;
        QString balloon; // empty: none
        uint32_t flags;
    } cases[] = {
        {TransferringFailed, "a.zip", 1, 0, 0, false, QStringLiteral("下载失败|a.zip"), NIIF_ERROR},
        {PrepairingFailed, "", 1, 0, 0, true, QStringLiteral("下载失败|") + kUrl, NIIF_ERROR},
        {FinishingFailed, "a.zip", 0, 1, 1, false, {}, 0},
        {Completed, "a.zip", 0, 1, 1, false, kAllDone, NIIF_INFO},
        {Completed, "a.zip", 0, 1, 0, false, QStringLiteral("下载已完成|a.zip"), NIIF_INFO},
        {Completed, "a.zip", 0, 0, 1, true, {}, 0},
        {Completed, "a.zip", 0, 1, 1, true, QStringLiteral("下载已完成|a.zip"), NIIF_INFO},
        {Completed, "", 0, 1, 0, false, QStringLiteral("下载已完成|"), NIIF_INFO}, // no URL in its place
        {Paused, "a.zip", 1, 1, 1, false, {}, 0},
    };
    CAppSettings& settings = AppCore().m_settings;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << c.state << ", title \"" << c.fileTitle << "\"");
        SettingStore(settings.NotifyFail, c.notifyFail);
        SettingStore(settings.NotifyComplete, c.notifyComplete);
        SettingStore(settings.NotifyAllComplete, c.notifyAllComplete);
        notifier = FakeNotifier();
        CDownloadItem* other = c.otherRunning ? AddRow(true) : nullptr;
        End(AddRow(true, QString::fromUtf8(c.fileTitle)), c.state);
        if (other)
            other->m_pDownloader->m_bIsRunning = 0;
        if (c.balloon.isEmpty()) {
            EXPECT_TRUE(notifier.balloons.isEmpty()) << notifier.balloons.join(u',').toStdString();
            continue;
        }
        EXPECT_EQ(notifier.balloons, QStringList{c.balloon});
        EXPECT_EQ(notifier.infoFlags, QList<uint32_t>{c.flags});
        EXPECT_EQ(notifier.timeouts, QList<uint32_t>{10000});
    }
}

TEST_F(DownloadNoticeTest, BalloonTextsAreCutWithoutSplittingASurrogatePair)
{
    const QString emoji = QString::fromUtf8("\xF0\x9F\x93\xA6"); // two UTF-16 units
    const struct
    {
        QString in;
        qsizetype titleUnits, textUnits;
    } cases[] = {
        {QString(100, u'a'), 63, 100},
        {QString(300, u'b'), 63, 255},
        {QString(63, u'c'), 63, 63},
        {QString(62, u'd') + emoji + QString(200, u'e'), 62, 255}, // the title's cut would fall inside the pair
        {QString(253, u'f') + emoji + u'g', 63, 255},              // the pair fits the text whole
        {QString(254, u'h') + emoji, 63, 254},
    };
    for (const auto& c : cases) {
        notifier = FakeNotifier();
        frame->ShowBalloon(c.in, c.in, NIIF_INFO, 3000);
        ASSERT_EQ(notifier.balloons.size(), 1);
        EXPECT_EQ(notifier.balloons[0], c.in.left(c.titleUnits) + u'|' + c.in.left(c.textUnits));
        EXPECT_EQ(notifier.timeouts, QList<uint32_t>{3000});
    }
}

TEST_F(DownloadNoticeTest, ACompletedDownloadLosesItsQueuedAndScheduledFlags)
{
    CDownloadItem* item = AddRow(true, QStringLiteral("a.zip"));
    item->SetQueued(true);
    item->SetScheduled(true);
    End(item, Completed);
    EXPECT_FALSE(item->IsQueued());
    EXPECT_FALSE(item->IsScheduled());
    EXPECT_EQ(notifier.balloons, QStringList{kAllDone}) << "its own flag no longer counts it as waiting";
}

TEST_F(DownloadNoticeTest, AFileAllocatedNoticeOfAFinishedRunLeavesTheRestToItsFinalNotice)
{
    SetAllDone(FinishSleep);
    CDownloadItem* item = AddRow(true, QStringLiteral("a.zip"));
    item->SetScheduled(true);
    // The run was fast: already final when its first notice is handled.
    item->m_pDownloader->m_nState = Completed;
    item->m_pDownloader->m_bIsRunning = 0;
    frame->OnDownloadNotify(item->m_nId, FileAllocated);
    EXPECT_EQ(AutosavedRecords(), 1u);
    EXPECT_TRUE(notifier.balloons.isEmpty());
    EXPECT_TRUE(power.calls.isEmpty());
    EXPECT_TRUE(item->IsScheduled());

    frame->OnDownloadNotify(item->m_nId, Completed);
    EXPECT_EQ(notifier.balloons, QStringList{kAllDone});
    EXPECT_EQ(power.calls, QStringList{QStringLiteral("Suspend")});
    EXPECT_FALSE(item->IsScheduled());
}

TEST_F(DownloadNoticeTest, NoticesForRowsThatAreGoneAreDropped)
{
    SetAllDone(FinishSleep);
    CDownloadItem* item = AddRow(false);
    const uint64_t id = item->m_nId;
    item->m_pDownloader->m_nState = Completed;
    frame->View()->RemoveItem(0, false);
    frame->OnDownloadNotify(id, Completed);
    EXPECT_TRUE(notifier.balloons.isEmpty());
    EXPECT_TRUE(power.calls.isEmpty());
}

TEST_F(DownloadNoticeTest, TheAllDoneActionRunsOnceNothingRunsOrWaitsAndAgainAtEachLaterNotice)
{
    const struct
    {
        FinishAction action;
        const char* powerCall; // null: none
        bool exits;
    } cases[] = {
        {FinishNothing, nullptr, false}, {FinishPauseAll, nullptr, false},
        {FinishSleep, "Suspend", false}, {FinishHibernate, "Hibernate", false},
        {FinishExit, nullptr, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "action " << c.action);
        if (!frame) {
            frame = new CMainFrame;
            frame->Create();
        }
        power.calls.clear();
        SetAllDone(c.action);
        CDownloadItem* first = AddRow(true);
        CDownloadItem* second = AddRow(true);
        End(first, Paused);
        EXPECT_TRUE(power.calls.isEmpty()) << "another one still runs";
        End(second, Completed);
        const QStringList once = c.powerCall ? QStringList{QString::fromLatin1(c.powerCall)} : QStringList{};
        EXPECT_EQ(power.calls, once);
        RunDeferredDeletes();
        EXPECT_EQ(!frame, c.exits);
        if (!frame)
            continue;
        // Carrying the action out does not reset it: the next idle notice repeats it.
        second->m_pDownloader->m_bIsRunning = 1;
        End(second, Paused);
        EXPECT_EQ(power.calls, once + once);
        frame->View()->RemoveItem(1, false);
        frame->View()->RemoveItem(0, false);
    }
    CPowerOffAtExit::RunIfRequested();
    EXPECT_TRUE(power.calls.isEmpty());
}

TEST_F(DownloadNoticeTest, ShutDownRunsTheExitFirstAndPowersOffAtTheProcesssEnd)
{
    SetAllDone(FinishShutDown);
    frame->LoadDownloadList(); // a first start: nothing stored yet
    AddRow(false);
    End(AddRow(true), Completed);
    RunDeferredDeletes();
    EXPECT_FALSE(frame) << "the exit ran, without a question";
    EXPECT_TRUE(prompts.boxes.isEmpty());
    EXPECT_EQ(AutosavedRecords(), 2u) << "the list is written whole";
    EXPECT_TRUE(power.calls.isEmpty()) << "nothing is switched off before the saves after the exit";
    CPowerOffAtExit::RunIfRequested();
    CPowerOffAtExit::RunIfRequested();
    EXPECT_EQ(power.calls, QStringList{QStringLiteral("PowerOff")});
}

TEST_F(DownloadNoticeTest, AnAllDoneExitDuringAModalDialogRunsAtTheNextTickWithNoneOpen)
{
    SetAllDone(FinishExit);
    frame->show();
    CDownloadItem* item = AddRow(true);
    bool frameAliveAfterDialog = false;
    const int code = RunEventLoop([&] {
        QDialog dialog(frame);
        QTimer::singleShot(0, [&] { End(item, Completed); });
        dialog.exec();
        frameAliveAfterDialog = frame && !frame->m_bExiting;
    });
    RunDeferredDeletes();
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(frameAliveAfterDialog) << "not destroyed under the dialog's loop";
    EXPECT_FALSE(frame);
}

TEST_F(DownloadNoticeTest, ADeferredShutDownThatNoLongerAppliesTakesThePowerOffWithIt)
{
    SetAllDone(FinishShutDown);
    CDownloadItem* item = AddRow(true);
    {
        const CModalLoops::Scope modal;
        End(item, Completed);
        ASSERT_TRUE(frame->IsExitPending());
        AddRow(true); // something starts before the loop closes
    }
    ASSERT_TRUE(WaitFor([this] { return !frame->IsExitPending(); }));
    RunDeferredDeletes(); // an exit carried out after all would have freed the frame
    ASSERT_TRUE(frame);
    CPowerOffAtExit::RunIfRequested();
    EXPECT_TRUE(power.calls.isEmpty()) << "the dropped exit dropped its power-off";

    frame->View()->GetItem(1)->m_pDownloader->m_bIsRunning = 0;
    {
        const CModalLoops::Scope modal;
        End(frame->View()->GetItem(1), Paused);
    }
    ASSERT_TRUE(WaitFor([this] { return !frame; }));
    EXPECT_TRUE(power.calls.isEmpty());
    CPowerOffAtExit::RunIfRequested();
    EXPECT_EQ(power.calls, QStringList{QStringLiteral("PowerOff")});
}

} // namespace
