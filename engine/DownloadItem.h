#pragma once

#include <QString>

#include <cstdint>
#include <list>

class CHttpDownloader;
class QObject;

// One row of the downloads list. It owns its download through a plain pointer,
// because the download's destructor clears that pointer itself, and its open
// properties dialog, which the item only knows as an object.
class CDownloadItem
{
public:
    CDownloadItem();
    ~CDownloadItem();
    CDownloadItem(const CDownloadItem&) = delete;
    CDownloadItem& operator=(const CDownloadItem&) = delete;

    // Replaces the text by the download's state name (a state outside the known
    // ones, or no download, leaves it), then appends the queued and scheduled marks.
    void GetStatusText(QString& text) const;

    // Closes the open properties dialog, if any, by deleting it.
    void DestroyDialog();

    // Names the row in notices from worker threads, which must never carry a
    // pointer that the row's deletion could leave dangling. Unique per process.
    const uint64_t m_nId;
    int32_t m_bQueued = 0;
    int32_t m_bScheduled = 0;
    std::list<CDownloadItem*>::iterator m_pos; // its node in the view's item list
    CHttpDownloader* m_pDownloader = nullptr;
    QObject* m_pDialog = nullptr;
};
