#pragma once

#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/core/DownloadRows.h"
#include "support/TestEnvironment.h"

#include <system_error>
#include <vector>

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

// Rows of scripted downloads in a list, and what the queue made of them, by row.
struct ScriptedDownloads
{
    void Add(CDownloadRows& rows, int count, int32_t state = NeedToPrepare)
    {
        for (int i = 0; i < count; ++i) {
            auto* item = new CDownloadItem;
            const QString url = QStringLiteral("http://127.0.0.1:9/%1").arg(downloads.size());
            auto* download = new ScriptedRunDownload(url, item);
            download->m_nState = state;
            item->m_pDownloader = download;
            rows.AddItem(item);
            downloads.push_back(download);
        }
    }

    // Before the rows go: no download may be destroyed while it runs.
    void EndAllRuns()
    {
        for (ScriptedRunDownload* download : downloads)
            download->m_bIsRunning = 0;
    }

    std::vector<int> Launches() const
    {
        std::vector<int> launches;
        for (const ScriptedRunDownload* download : downloads)
            launches.push_back(download->launches);
        return launches;
    }

    std::vector<int> States() const
    {
        std::vector<int> states;
        for (const ScriptedRunDownload* download : downloads)
            states.push_back(download->m_nState);
        return states;
    }

    std::vector<int> Queued() const
    {
        std::vector<int> queued;
        for (const ScriptedRunDownload* download : downloads)
            queued.push_back(download->m_pItem->IsQueued());
        return queued;
    }

    std::vector<ScriptedRunDownload*> downloads; // by row
};
