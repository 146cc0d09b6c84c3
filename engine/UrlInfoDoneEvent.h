#pragma once

#include <QEvent>
#include <QString>

#include <cstdint>

class CUrlInfo;

inline constexpr QEvent::Type WM_URLINFO_DONE = static_cast<QEvent::Type>(QEvent::User + 101);

// Posted by the size probe to its notify target when the probe has ended. It
// carries a copy of the result and the URL it was made for: the page compares that
// URL with its current one, and never needs to read the shared record, which a
// newer probe may already be writing.
class UrlInfoDoneEvent : public QEvent
{
public:
    explicit UrlInfoDoneEvent(const CUrlInfo& info);

    const QString m_strUrl;
    const bool m_bSucceeded;
    const bool m_bGotSize;
    const uint64_t m_nSize;
};
