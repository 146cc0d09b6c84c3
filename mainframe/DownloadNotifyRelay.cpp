#include "mainframe/DownloadNotifyRelay.h"

#include "mainframe/DownloadNotifyEvent.h"
#include "mainframe/MainFrame.h"
#include "platform/SanitizerHandOff.h"

#include <QCoreApplication>

CDownloadNotifyRelay& CDownloadNotifyRelay::Instance()
{
    // Never destroyed: workers that outlive the windows still post to it.
    static CDownloadNotifyRelay* relay = [] {
        auto* created = new CDownloadNotifyRelay;
        CDownloadNotifySink::Register(created);
        return created;
    }();
    return *relay;
}

void CDownloadNotifyRelay::OnDownloadNotify(uint64_t itemId, int32_t state)
{
    auto* event = new DownloadNotifyEvent(itemId, state);
    HandOffPosted(this);
    QCoreApplication::postEvent(this, event);
}

void CDownloadNotifyRelay::customEvent(QEvent* event)
{
    HandOffReceived(this);
    if (event->type() != WM_DOWNLOAD_NOTIFY)
        return;
    const auto* notice = static_cast<const DownloadNotifyEvent*>(event);
    if (m_frame)
        m_frame->OnDownloadNotify(notice->m_nItemId, notice->m_nState);
}
