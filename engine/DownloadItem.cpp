#include "engine/DownloadItem.h"

#include "engine/HttpDownloader.h"
#include "platform/StringTable.h"

#include <QObject>

#include <atomic>
#include <utility>

namespace {

// The status text of each DownloadState, by value.
constexpr TextId kStateTextIds[kDownloadStateCount] = {
    TextId::New, TextId::GettingInfo, TextId::Failed, TextId::New, TextId::Allocating, TextId::Failed,
    TextId::Allocated, TextId::Transferring, TextId::Failed, TextId::Transferred, TextId::Pausing, TextId::Paused,
    TextId::Completing, TextId::Failed, TextId::Completed,
};

std::atomic<uint64_t> g_nextItemId{1};

} // namespace

CDownloadItem::CDownloadItem() : m_nId(g_nextItemId.fetch_add(1, std::memory_order_relaxed)) {}

CDownloadItem::~CDownloadItem()
{
    DestroyDialog();
    delete m_pDownloader;
}

void CDownloadItem::DestroyDialog()
{
    // The dialog may clear the pointer itself while it goes.
    delete std::exchange(m_pDialog, nullptr);
}

void CDownloadItem::SetQueued(bool queued)
{
    m_bQueued = queued;
    if (queued)
        Wake();
}

void CDownloadItem::SetScheduled(bool scheduled)
{
    m_bScheduled = scheduled;
    if (scheduled)
        Wake();
}

void CDownloadItem::SetDialog(QObject* dialog)
{
    m_pDialog = dialog;
    if (dialog)
        Wake();
}

void CDownloadItem::Wake()
{
    if (m_pWatch)
        m_pWatch->OnItemWoken(*this);
}

void CDownloadItem::GetStatusText(QString& text) const
{
    if (m_pDownloader) {
        const int32_t state = m_pDownloader->m_nState;
        if (state >= 0 && state < kDownloadStateCount)
            text = LoadResString(kStateTextIds[state]);
    }
    if (!m_bQueued && !m_bScheduled)
        return;
    text += u" (";
    if (m_bQueued)
        text += LoadResString(TextId::Queued);
    if (m_bQueued && m_bScheduled)
        text += u", ";
    if (m_bScheduled)
        text += LoadResString(TextId::Scheduled);
    text += u')';
}
