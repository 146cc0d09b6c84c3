#pragma once

#include "StringIds.h"

#include <QString>
#include <QStringView>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

// The reason of a download's latest failure. Any worker of the download sets it
// while the user interface reads its text. Texts are loaded and looked up before
// the lock is taken, so the lock is held only for the copies.
class CDownloadError
{
public:
    void Clear();

    // Both forms raise the counter and keep the error id of an earlier system
    // or internet setter. A null detail text, or detail TextId::None, means no detail.
    void SetError(TextId messageId, QStringView detail);
    void SetError(TextId messageId, TextId detailId);
    // code is an errno value; the detail is the system's text for it.
    void SetSystemError(TextId messageId, int code);
    // code is one of the HTTP layer's error codes. Call it on the thread whose
    // request failed: the detail of 12003 is that thread's last response text.
    void SetInternetError(TextId messageId, uint32_t code);
    // Takes over the other record's error, its counter included. A record that
    // holds no error (cleared meanwhile by another thread) leaves this one as it is.
    void CopyFrom(const CDownloadError& other);

    // Message, then " " and the detail if any, then " (id)" if the id is not 0.
    QString GetText() const;
    uint32_t GetErrorId() const;

    // Errors set since the last Clear; 0 = none. Readable without the lock.
    std::atomic<int> m_nErrorCounter{0};

private:
    // Without a code the id stays as it is.
    void Set(std::optional<uint32_t> code, QString message, QString detail);

    mutable std::mutex m_cs;
    // Guarded by m_cs.
    uint32_t m_nErrorId = 0;
    QString m_strMessage;
    QString m_strDetail;
};
