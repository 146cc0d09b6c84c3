#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class QObject;

// The size probe: one HEAD request on a thread of its own, which tells how large
// the file behind a URL is. The record is shared by the page that asks and the
// probe thread (always hold it in a std::shared_ptr), so a page that goes away
// while a probe runs leaves the thread a live record to write into.
//
// The page writes the record only through Start and reads its result fields only
// while no probe runs, or takes the copy in the UrlInfoDoneEvent.
class CUrlInfo : public std::enable_shared_from_this<CUrlInfo>
{
public:
    // Starts a probe of url unless one runs (then, or when no thread can be made,
    // false). userAgent is copied, so the thread never reads the settings. When the
    // probe ends, the running mark is cleared first and a UrlInfoDoneEvent is then
    // posted to notifyTarget (when not null).
    bool Start(const QString& url, QObject* notifyTarget, const QString& userAgent);
    bool IsRunning() const;
    // For the page's destructor: once this returns, nothing is posted to it.
    void ClearNotifyTarget();

    QString m_strUrl;
    bool m_bGotSize = false; // the last 200 or 206 answer carried a valid Content-Length
    uint64_t m_nSize = 0;
    bool m_bDone = false;
    bool m_bSucceeded = false; // the server answered 200 or 206

private:
    static void UrlInfoThreadProc(std::shared_ptr<CUrlInfo> info, QString userAgent);
    void SetNotifyTarget(QObject* target);
    void EndProbe();

    std::mutex m_notifyMutex;
    QObject* m_pNotifyWnd = nullptr; // guarded by m_notifyMutex
    std::atomic<bool> m_bRunning{false};
};
