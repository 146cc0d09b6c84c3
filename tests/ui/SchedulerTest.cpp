#include "UiFixture.h"

#include "app/SettingsTypes.h"
#include "app/VandrelCore.h"
#include "app/gui/Notifier.h"
#include "app/gui/PowerOffAtExit.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "platform/StringTable.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QPointer>

#include <vector>

namespace {

// A download whose runs start no worker; the test ends them or lets them hang.
class ScriptedRunDownload : public CHttpDownloader
{
public:
    ScriptedRunDownload(const QString& url, CDownloadItem* item)
        : CHttpDownloader(url, TestEnvironment::root(), item)
    {
    }

    int launches = 0;

protected:
    void LaunchWorker(bool) override { ++launches; }
};

class SchedulerTest : public UiFixture
{
protected:
    SchedulerTest()
    {
        CAppSettings& settings = AppCore().m_settings;
        settings.SchedulerStartTime = At(9, 0);
        settings.SchedulerStopTime = At(17, 0);
        SettingStore(settings.ScheduleAllItems, 0);
        SettingStore(settings.NotifyScheduler, 1);
        SettingStore(settings.ConcurrentDownloads, 1);
        SettingStore(settings.SchedulerStopAction, FinishPauseAll);
        SettingStore(settings.SchedulerOn, 1);
        now = At(12, 0);
        frame = new CMainFrame;
        frame->Create();
    }

    ~SchedulerTest() override
    {
        for (ScriptedRunDownload* download : downloads)
            download->m_bIsRunning = 0;
        delete frame;
    }

    static SYSTEMTIME At(int hour, int minute)
    {
        return SystemTimeFromDateTime(QDateTime(QDate(2024, 3, 5), QTime(hour, minute)));
    }

    void AddRows(int count)
    {
        for (int i = 0; i < count; ++i) {
            auto* item = new CDownloadItem;
            auto* download = new ScriptedRunDownload(QStringLiteral("http://127.0.0.1:9/%1").arg(i), item);
            item->m_pDownloader = download;
            frame->View()->AddItem(item);
            downloads.push_back(download);
        }
    }

    std::vector<int> Launches() const
    {
        std::vector<int> launches;
        for (const ScriptedRunDownload* download : downloads)
            launches.push_back(download->launches);
        return launches;
    }

    QString Status(int row) const
    {
        QString text;
        frame->View()->GetItem(row)->GetStatusText(text);
        return text;
    }

    static int32_t SchedulerOn() { return SettingLoad(AppCore().m_settings.SchedulerOn); }

    static QString Balloon(TextId id) { return QStringLiteral("Vandrel|") + LoadResString(id); }

    QPointer<CMainFrame> frame;
    std::vector<ScriptedRunDownload*> downloads; // by row
};

TEST_F(SchedulerTest, TheStartTimeStartsTheScheduledRowsUnderTheLimitWithOneBalloon)
{
    AddRows(5);
    frame->View()->GetItem(1)->SetScheduled(true);
    frame->View()->GetItem(3)->SetScheduled(true);
    ASSERT_TRUE(frame->SchedulerTimer().isActive());
    frame->SchedulerTick();
    EXPECT_EQ(notifier.balloons, QStringList{Balloon(TextId::SchedulerStarted)});
    EXPECT_EQ(notifier.infoFlags, QList<uint32_t>{NIIF_INFO});
    EXPECT_EQ(notifier.timeouts, QList<uint32_t>{3000});
    EXPECT_EQ(Launches(), (std::vector<int>{0, 1, 0, 0, 0}));
    EXPECT_EQ(Status(3), QStringLiteral("新建 (排队, 计划任务)"));
    EXPECT_TRUE(frame->m_bSchedulerRunning);

    frame->SchedulerTick();
    EXPECT_EQ(notifier.balloons.size(), 1) << "started once";
    EXPECT_EQ(Launches(), (std::vector<int>{0, 1, 0, 0, 0}));
}

TEST_F(SchedulerTest, AStartWithNothingScheduledStillSetsTheFlagAndTheStartTimeWaits)
{
    AddRows(2);
    now = At(8, 59);
    frame->SchedulerTick();
    EXPECT_TRUE(notifier.balloons.isEmpty());
    EXPECT_FALSE(frame->m_bSchedulerRunning);
    now = At(9, 0); // equal to the start, to the millisecond
    frame->SchedulerTick();
    EXPECT_EQ(notifier.balloons, QStringList{Balloon(TextId::SchedulerStarted)});
    EXPECT_TRUE(frame->m_bSchedulerRunning);
    EXPECT_EQ(Launches(), (std::vector<int>{0, 0}));
}

TEST_F(SchedulerTest, BothTimesReachedStartAndStopInOnePassAndPauseAllEndsTheRun)
{
    SettingStore(AppCore().m_settings.ScheduleAllItems, 1);
    AddRows(3);
    onSleep = [this] { downloads[0]->m_bIsRunning = 0; }; // the paused run ends
    now = At(18, 0);
    frame->SchedulerTick();
    EXPECT_EQ(notifier.balloons, (QStringList{Balloon(TextId::SchedulerStarted), Balloon(TextId::SchedulerStopped)}));
    EXPECT_EQ(Launches(), (std::vector<int>{1, 0, 0}));
    EXPECT_EQ(int32_t(downloads[0]->m_nState), Pausing);
    for (int row = 0; row < 3; ++row)
        EXPECT_FALSE(frame->View()->GetItem(row)->IsQueued()) << "queued rows must not start after the stop";
    EXPECT_FALSE(frame->m_bSchedulerRunning);
    EXPECT_EQ(SchedulerOn(), 0);
    EXPECT_FALSE(frame->SchedulerTimer().isActive());
    EXPECT_TRUE(frame && !frame->m_bExiting);
    EXPECT_TRUE(power.calls.isEmpty());
    EXPECT_EQ(sleeps, QList<int>{200}) << "the run ended after one pass";
}

TEST_F(SchedulerTest, AStopWithoutAnActionEndsTheRunAndPausesNothing)
{
    SettingStore(AppCore().m_settings.ScheduleAllItems, 1);
    SettingStore(AppCore().m_settings.SchedulerStopAction, FinishNothing);
    AddRows(2);
    now = At(18, 0);
    frame->SchedulerTick();
    EXPECT_EQ(notifier.balloons, (QStringList{Balloon(TextId::SchedulerStarted), Balloon(TextId::SchedulerStopped)}));
    EXPECT_EQ(int32_t(downloads[0]->m_nState), NeedToPrepare) << "still running, not paused";
    EXPECT_TRUE(frame->View()->GetItem(1)->IsQueued());
    EXPECT_EQ(SchedulerOn(), 0);
    EXPECT_FALSE(frame->SchedulerTimer().isActive());
    frame->SchedulerTick();
    EXPECT_EQ(notifier.balloons.size(), 2) << "no second start";
    EXPECT_TRUE(sleeps.isEmpty());
}

TEST_F(SchedulerTest, SleepAndHibernateRunOnceAndTheProgramStays)
{
    struct Case
    {
        int32_t action;
        const char* call;
    };
    for (const Case& c : {Case{FinishSleep, "Suspend"}, Case{FinishHibernate, "Hibernate"}}) {
        power.calls.clear();
        SettingStore(AppCore().m_settings.SchedulerStopAction, c.action);
        SettingStore(AppCore().m_settings.SchedulerOn, 1);
        frame->ApplySettings();
        now = At(18, 0);
        frame->SchedulerTick();
        EXPECT_EQ(power.calls, QStringList{QString::fromLatin1(c.call)});
        EXPECT_TRUE(frame && !frame->m_bExiting);
        EXPECT_EQ(SchedulerOn(), 0);
    }
}

TEST_F(SchedulerTest, TheExitActionLeavesWithoutAQuestion)
{
    SettingStore(AppCore().m_settings.SchedulerStopAction, FinishExit);
    now = At(18, 0);
    const int code = RunEventLoop([this] { frame->SchedulerTick(); });
    RunDeferredDeletes();
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(frame);
    EXPECT_TRUE(prompts.boxes.isEmpty());
    EXPECT_TRUE(power.calls.isEmpty());
}

TEST_F(SchedulerTest, ShutDownWaitsAtMostSixtySecondsThenLeavesAndPowersOffAfterTheSaves)
{
    SettingStore(AppCore().m_settings.SchedulerStopAction, FinishShutDown);
    SettingStore(AppCore().m_settings.ConfirmExit, 1);
    UiFixture::AddRow(*frame, true); // ignores the pause
    UiFixture::AddRow(*frame, true);
    now = At(18, 0);
    const int code = RunEventLoop([this] { frame->SchedulerTick(); });
    RunDeferredDeletes();
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(frame) << "left although downloads still run";
    EXPECT_TRUE(prompts.boxes.isEmpty());
    QList<int> expected(300, 200);
    expected += QList<int>(5, 2000);
    EXPECT_EQ(sleeps, expected);
    EXPECT_TRUE(power.calls.isEmpty()) << "not before the saves";
    CPowerOffAtExit::RunIfRequested();
    CPowerOffAtExit::RunIfRequested();
    EXPECT_EQ(power.calls, QStringList{QStringLiteral("PowerOff")});
}

TEST_F(SchedulerTest, SwitchingTheSchedulerOffForgetsThatItHadStarted)
{
    AddRows(1);
    frame->SchedulerTick();
    ASSERT_TRUE(frame->m_bSchedulerRunning);
    SettingStore(AppCore().m_settings.SchedulerOn, 0);
    frame->ApplySettings();
    EXPECT_FALSE(frame->m_bSchedulerRunning);
    EXPECT_FALSE(frame->SchedulerTimer().isActive());

    SettingStore(AppCore().m_settings.SchedulerOn, 1);
    frame->ApplySettings();
    frame->SchedulerTick();
    EXPECT_EQ(notifier.balloons, (QStringList{Balloon(TextId::SchedulerStarted), Balloon(TextId::SchedulerStarted)}))
        << "a new start, not only a stop";
}

} // namespace
