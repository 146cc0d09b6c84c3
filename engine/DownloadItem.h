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
    // Hears, on the user-interface thread, that a row may no longer rest: it
    // was queued, scheduled, given a dialog, started or reset. The list counts
    // its resting rows once and then looks only at the rows it heard of.
    class Watch
    {
    public:
        virtual void OnItemWoken(CDownloadItem& item) = 0;

    protected:
        ~Watch() = default;
    };

    CDownloadItem();
    ~CDownloadItem();
    CDownloadItem(const CDownloadItem&) = delete;
    CDownloadItem& operator=(const CDownloadItem&) = delete;

    // Replaces the text by the download's state name (a state outside the known
    // ones, or no download, leaves it), then appends the queued and scheduled marks.
    void GetStatusText(QString& text) const;

    // Closes the open properties dialog, if any, by deleting it.
    void DestroyDialog();

    bool IsQueued() const { return m_bQueued != 0; }
    bool IsScheduled() const { return m_bScheduled != 0; }
    QObject* Dialog() const { return m_pDialog; }
    // A mark set, or a dialog given, wakes the row.
    void SetQueued(bool queued);
    void SetScheduled(bool scheduled);
    void SetDialog(QObject* dialog);
    // Tells the watch, if any, that the row may no longer rest.
    void Wake();
    void SetWatch(Watch* watch) { m_pWatch = watch; }

    // Names the row in notices from worker threads, which must never carry a
    // pointer that the row's deletion could leave dangling. Unique per process.
    const uint64_t m_nId;
    std::list<CDownloadItem*>::iterator m_pos; // its node in the view's item list
    CHttpDownloader* m_pDownloader = nullptr;
    // The watch's own: the row's place among the woken rows (-1: resting), and
    // whether it rests counted as Completed.
    int32_t m_nAwakeSlot = -1;
    bool m_bRestsCompleted = false;

private:
    int32_t m_bQueued = 0;
    int32_t m_bScheduled = 0;
    QObject* m_pDialog = nullptr;
    Watch* m_pWatch = nullptr;
};
