#include "UiFixture.h"

#include "app/VandrelCore.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/MainFrame.h"
#include "support/NginxServer.h"
#include "support/TestEnvironment.h"

#include <QDir>

#include <algorithm>

namespace {

constexpr int kFileSize = 512 * 1024;

// The queue against the real engine and a throttled nginx: what the server
// sees is what the queue asked for.
class QueueEngineTest : public UiFixture
{
protected:
    QueueEngineTest()
    {
        nginx.addLocation(QStringLiteral("location /slow/ { limit_rate 64k; }"));
        started = nginx.start();
        frame = new CMainFrame;
        frame->Create();
        SettingStore(AppCore().m_settings.MaxSectionCountPerDownload, 1);
    }

    ~QueueEngineTest() override
    {
        frame->Commands().Dispatch(ID_PAUSE_ALL);
        EXPECT_TRUE(WaitFor([this] { return !AnyRunning(); }));
        delete frame;
    }

    CHttpDownloader* AddDownload(const QString& name)
    {
        nginx.putFile(QStringLiteral("slow/") + name, QByteArray(kFileSize, 'v'));
        const QString folder = TestEnvironment::root() + QStringLiteral("/dl");
        QDir().mkpath(folder);
        auto* item = new CDownloadItem;
        item->m_pDownloader = new CHttpDownloader(nginx.url(QStringLiteral("/slow/") + name), folder, item);
        frame->View()->AddItem(item);
        return item->m_pDownloader;
    }

    bool AnyRunning() const
    {
        for (int row = 0; row < frame->View()->GetItemCount(); ++row) {
            if (frame->View()->GetItem(row)->m_pDownloader->m_bIsRunning)
                return true;
        }
        return false;
    }

    QStringList Ranges(const QString& name, int atLeast)
    {
        QStringList ranges;
        for (const NginxServer::LogEntry& entry : nginx.accessLogFor(QStringLiteral("/slow/") + name, atLeast))
            ranges.append(entry.range);
        return ranges;
    }

    NginxServer nginx;
    bool started = false;
    CMainFrame* frame;
};

TEST_F(QueueEngineTest, QueuedRowsSendNothingAndARowPushedBackResumesWithARange)
{
    ASSERT_TRUE(started) << nginx.errorText().toStdString();
    SettingStore(AppCore().m_settings.ConcurrentDownloads, 2);
    CHttpDownloader* first = AddDownload(QStringLiteral("a.bin"));
    CHttpDownloader* second = AddDownload(QStringLiteral("b.bin"));
    AddDownload(QStringLiteral("c.bin"));
    ASSERT_TRUE(frame->Commands().Dispatch(ID_START_ALL));
    ASSERT_TRUE(WaitFor([&] { return second->m_nState == Transferring && second->GetDownloadedSize() > 0; }));

    ASSERT_TRUE(frame->Commands().Dispatch(ID_CONCURRENCY_FIRST)); // limit 1
    ASSERT_TRUE(WaitFor([&] { return !second->m_bIsRunning; }));
    EXPECT_EQ(int32_t(second->m_nState), Paused);
    EXPECT_TRUE(first->m_bIsRunning);
    EXPECT_TRUE(frame->View()->GetItem(1)->IsQueued());
    const uint64_t stoppedAt = second->GetDownloadedSize();
    ASSERT_GT(stoppedAt, 0u);
    EXPECT_EQ(Ranges(QStringLiteral("b.bin"), 2), (QStringList{QString(), QStringLiteral("bytes=0-524287")}));
    EXPECT_TRUE(Ranges(QStringLiteral("c.bin"), 0).isEmpty());

    ASSERT_TRUE(frame->Commands().Dispatch(ID_CONCURRENCY_FIRST + 2)); // limit 3
    EXPECT_TRUE(second->m_bIsRunning);
    EXPECT_FALSE(frame->View()->GetItem(2)->IsQueued());
    ASSERT_TRUE(WaitFor([&] { return second->GetDownloadedSize() > stoppedAt; }));
    frame->Commands().Dispatch(ID_PAUSE_ALL); // ends the requests, so that nginx logs them
    // From where it stopped, and up to 64 KiB before, asked again to compare.
    EXPECT_EQ(Ranges(QStringLiteral("b.bin"), 3).value(2),
              QStringLiteral("bytes=%1-524287").arg(stoppedAt - std::min<uint64_t>(stoppedAt, 64 * 1024)));
}

} // namespace
