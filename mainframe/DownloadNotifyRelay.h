#pragma once

#include "engine/DownloadNotifySink.h"

#include <QObject>
#include <QPointer>

class CMainFrame;

// Carries the engine's notices to the main window. It lives on the
// user-interface thread for the whole process (workers may post after the
// window is gone), turns each notice into a DownloadNotifyEvent posted to itself,
// and hands it to the frame only while one is registered; a notice for no frame
// is dropped, as a message to a destroyed window is.
class CDownloadNotifyRelay : public QObject, public CDownloadNotifySink
{
    Q_OBJECT

public:
    // The process's relay, registered with the engine at its first use, which
    // must be on the user-interface thread.
    static CDownloadNotifyRelay& Instance();

    void OnDownloadNotify(uint64_t itemId, int32_t state) override;

    void RegisterFrame(CMainFrame* frame) { m_frame = frame; }
    void UnregisterFrame() { m_frame = nullptr; }

protected:
    void customEvent(QEvent* event) override;

private:
    CDownloadNotifyRelay() = default;

    QPointer<CMainFrame> m_frame; // user-interface thread only
};
