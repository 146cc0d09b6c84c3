#include "RowsFixture.h"

#include "app/VandrelCore.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/core/DownloadQueue.h"
#include "support/NginxServer.h"
#include "support/PollUntil.h"
#include "support/TestEnvironment.h"

#include <QDir>

#include <algorithm>

namespace {

constexpr int kFileSize = 512 * 1024;
constexpr int kWaitMs = 5000;

// The queue against the real engine and a throttled nginx: what the server
// sees is what the queue asked for.
class QueueEngineTest : public RowsFixture
{
protected:
    QueueEngineTest()
    {
        nginx.addLocation(QStringLiteral("location /slow/ { limit_rate 64k; }"));
        started = nginx.start();
        SettingStore(AppCore().m_settings.MaxSectionCountPerDownload, 1);
    }

    ~QueueEngineTest() override
    {
        queue.PauseAll();
        EXPECT_TRUE(PollUntil([this] { return queue.CountRunning() == 0; }, kWaitMs));
    }

    CHttpDownloader* AddDownload(const QString& name)
    {
        nginx.putFile(QStringLiteral("slow/") + name, QByteArray(kFileSize, 'v'));
        const QString folder = TestEnvironment::root() + QStringLiteral("/dl");
        QDir().mkpath(folder);
        auto* item = new CDownloadItem;
        item->m_pDownloader = new CHttpDownloader(nginx.url(QStringLiteral("/slow/") + name), folder, item);
        rows.AddItem(item);
        return item->m_pDownloader;
    }

    QStringList Ranges(const QString& name, int atLeast)
    {
        QStringList ranges;
        for (const NginxServer::LogEntry& entry : nginx.accessLogFor(QStringLiteral("/slow/") + name, atLeast))
            ranges.append(entry.range);
        return ranges;
    }

    static void SetLimit(int32_t limit) { SettingStore(AppCore().m_settings.ConcurrentDownloads, limit); }

    NginxServer nginx;
    bool started = false;
    CDownloadQueue queue{rows};
};

TEST_F(QueueEngineTest, QueuedRowsSendNothingAndARowPushedBackResumesWithARange)
{
    ASSERT_TRUE(started) << nginx.errorText().toStdString();
    SetLimit(2);
    CHttpDownloader* first = AddDownload(QStringLiteral("a.bin"));
    CHttpDownloader* second = AddDownload(QStringLiteral("b.bin"));
    AddDownload(QStringLiteral("c.bin"));
    queue.StartAll();
    ASSERT_TRUE(PollUntil([&] { return second->m_nState == Transferring && second->GetDownloadedSize() > 0; },
                          kWaitMs));

    SetLimit(1);
    queue.Process();
    ASSERT_TRUE(PollUntil([&] { return !second->m_bIsRunning; }, kWaitMs));
    EXPECT_EQ(int32_t(second->m_nState), Paused);
    EXPECT_TRUE(first->m_bIsRunning);
    EXPECT_TRUE(rows.GetItem(1)->IsQueued());
    const uint64_t stoppedAt = second->GetDownloadedSize();
    ASSERT_GT(stoppedAt, 0u);
    EXPECT_EQ(Ranges(QStringLiteral("b.bin"), 2), (QStringList{QString(), QStringLiteral("bytes=0-524287")}));
    EXPECT_TRUE(Ranges(QStringLiteral("c.bin"), 0).isEmpty());

    SetLimit(3);
    queue.Process();
    EXPECT_TRUE(second->m_bIsRunning);
    EXPECT_FALSE(rows.GetItem(2)->IsQueued());
    ASSERT_TRUE(PollUntil([&] { return second->GetDownloadedSize() > stoppedAt; }, kWaitMs));
    queue.PauseAll(); // ends the requests, so that nginx logs them
    // From where it stopped, and up to 64 KiB before, asked again to compare.
    EXPECT_EQ(Ranges(QStringLiteral("b.bin"), 3).value(2),
              QStringLiteral("bytes=%1-524287").arg(stoppedAt - std::min<uint64_t>(stoppedAt, 64 * 1024)));
}

} // namespace
