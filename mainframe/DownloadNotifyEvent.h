#pragma once

#include <QEvent>

#include <cstdint>

inline constexpr QEvent::Type WM_DOWNLOAD_NOTIFY = static_cast<QEvent::Type>(QEvent::User + 100);

// A download's notice on its way from a worker thread to the user-interface thread.
class DownloadNotifyEvent : public QEvent
{
public:
    DownloadNotifyEvent(uint64_t itemId, int32_t state)
        : QEvent(WM_DOWNLOAD_NOTIFY), m_nItemId(itemId), m_nState(state) {}

    const uint64_t m_nItemId;
    const int32_t m_nState; // DownloadState
};
