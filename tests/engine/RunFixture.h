#pragma once

#include "DownloadFixture.h"
#include "engine/DownloadItem.h"
#include "engine/DownloadNotifySink.h"
#include "engine/LiveWorkers.h"
#include "engine/SteadyClock.h"
#include "support/FaultServer.h"
#include "support/QStringPrinter.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// Records every notice of the engine, in order, with whether the download it
// names still ran when its final notice came.
class RecordingSink : public CDownloadNotifySink
{
public:
    struct Notice
    {
        uint64_t itemId;
        int32_t state;
        bool running;
    };

    void OnDownloadNotify(uint64_t itemId, int32_t state) override
    {
        std::lock_guard lock(m_mutex);
        const CHttpDownloader* watched = m_watched;
        m_notices.push_back({itemId, state, watched && watched->m_bIsRunning});
        m_changed.notify_all();
    }

    void clear(const CHttpDownloader* watched = nullptr)
    {
        std::lock_guard lock(m_mutex);
        m_notices.clear();
        m_watched = watched;
    }

    std::vector<Notice> notices() const
    {
        std::lock_guard lock(m_mutex);
        return m_notices;
    }

    std::vector<int32_t> statesOf(uint64_t itemId) const
    {
        std::vector<int32_t> states;
        for (const Notice& notice : notices()) {
            if (notice.itemId == itemId)
                states.push_back(notice.state);
        }
        return states;
    }

    // The final notice of that item (any but FileAllocated), or -1 when none came in time.
    int32_t waitForFinal(uint64_t itemId, int milliseconds)
    {
        std::unique_lock lock(m_mutex);
        int32_t state = -1;
        m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] {
            for (const Notice& notice : m_notices) {
                if (notice.itemId == itemId && notice.state != FileAllocated)
                    state = notice.state;
            }
            return state >= 0;
        });
        return state;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Notice> m_notices;
    const CHttpDownloader* m_watched = nullptr;
};

// A download run end to end: notices go to a recording sink, and no worker may
// outlive the test that started it.
class RunFixture : public DownloadFixture
{
protected:
    static constexpr int kRunWaitMs = 60000;

    void SetUp() override
    {
        DownloadFixture::SetUp();
        QDir(folder()).removeRecursively();
        sink().clear();
        CDownloadNotifySink::Register(&sink());
    }
    void TearDown() override
    {
        EXPECT_TRUE(CLiveWorkers::WaitUntilNone(kRunWaitMs));
        CSteadyClock::SetSourceForTest(nullptr);
        DownloadFixture::TearDown();
    }

    // Lives for the whole process, since a worker may post until its very end.
    static RecordingSink& sink()
    {
        static RecordingSink* recording = new RecordingSink;
        return *recording;
    }
    static QString folder() { return TestEnvironment::root() + u"/dl"_qs; }

    // A test that fails half-way must not free a download under its workers.
    struct StopAndDelete
    {
        void operator()(CDownloadItem* item) const
        {
            if (CHttpDownloader* download = item->m_pDownloader) {
                download->RequestPause();
                EXPECT_TRUE(waitFor([download] { return !download->m_bIsRunning; }));
            }
            delete item;
        }
    };
    using ItemPtr = std::unique_ptr<CDownloadItem, StopAndDelete>;

    // A row of the list with its download of url.
    static ItemPtr makeItem(const QString& url)
    {
        ItemPtr item(new CDownloadItem);
        item->m_pDownloader = new CHttpDownloader(url, folder(), item.get());
        return item;
    }

    // Starts a full run and gives its final state, or -1 when it did not end.
    static int32_t runToEnd(CDownloadItem& item)
    {
        sink().clear(item.m_pDownloader);
        item.m_pDownloader->Start(false);
        return sink().waitForFinal(item.m_nId, kRunWaitMs);
    }

    // Polls until done() holds; false when it did not within the time.
    template <class Predicate>
    static bool waitFor(Predicate done, int milliseconds = kRunWaitMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }
    // For a run that posts nothing.
    static bool waitUntilIdle(const CHttpDownloader& download)
    {
        return waitFor([&] { return !download.m_bIsRunning; }) && CLiveWorkers::WaitUntilNone(kRunWaitMs);
    }

    static uint64_t dataUsage()
    {
        std::lock_guard lock(AppCore().m_csDataUsage);
        return AppCore().m_settings.DataUsage;
    }

    // Bytes that differ from offset to offset, so that a byte at a wrong place shows.
    static QByteArray pattern(qsizetype size)
    {
        QByteArray bytes(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = char((i * 7 + i / 251) & 0xff);
        return bytes;
    }
    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QStringList folderEntries() { return QDir(folder()).entryList(QDir::Files | QDir::System); }

    // "bytes=a-b" of the request, or false.
    static bool requestedRange(const FaultServer::Request& request, qsizetype& first, qsizetype& last)
    {
        const QByteArray range = request.header("Range");
        if (!range.startsWith("bytes="))
            return false;
        const QList<QByteArray> ends = range.mid(6).split('-');
        first = ends.value(0).toLongLong();
        last = ends.value(1).toLongLong();
        return ends.size() == 2;
    }
    // The headers of a 206 for that part of body.
    static QByteArray partialHeaders(qsizetype first, qsizetype last, qsizetype total)
    {
        return "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + QByteArray::number(first) + '-'
            + QByteArray::number(last) + '/' + QByteArray::number(total)
            + "\r\nContent-Length: " + QByteArray::number(last - first + 1) + "\r\n\r\n";
    }
    // A server that serves body with ranges as nginx would; extraHeaders go on every answer.
    static FaultServer::Script rangedAnswer(const FaultServer::Request& request, const QByteArray& body,
                                            const QByteArray& extraHeaders = {})
    {
        qsizetype first = 0;
        qsizetype last = 0;
        if (!requestedRange(request, first, last))
            return FaultServer::answer(200, "Accept-Ranges: bytes\r\n" + extraHeaders, body);
        QByteArray answer = partialHeaders(first, last, body.size());
        answer.insert(answer.size() - 2, extraHeaders);
        return {FaultServer::send(answer + body.mid(first, last - first + 1))};
    }
};
