#pragma once

#include "platform/inet/CertificatePolicy.h"
#include "platform/inet/Connection.h"
#include "platform/inet/Transfer.h"
#include "platform/inet/WireUrl.h"

#include <QList>

#include <functional>
#include <memory>

class ManualResetEvent;

namespace inet {

// An HttpOpenRequestW handle: one request with its own libcurl multi handle and,
// per redirect hop, its own easy handle (Transfer). Sending drives the transfer
// until the final header block is known; reads pull the body from the
// transfer's bounded buffer, driving it only when the buffer is short.
class Request final : public Handle
{
public:
    static constexpr Kind kKind = Kind::Request;

    struct Setup
    {
        QByteArray verb;
        QByteArray object;
        QByteArray version;
        std::optional<QByteArray> referer;
        QList<QByteArray> acceptTypes;
        DWORD flags = 0;
    };

    // Empty with *error set when the request is refused.
    static std::shared_ptr<Request> open(std::shared_ptr<Connection> connection, Setup setup, DWORD* error);
    ~Request() override;

    // "Name: value" lines separated by CR LF; 0 or the error code.
    DWORD addHeaders(const QString& text, DWORD modifiers);
    DWORD send();
    DWORD read(char* buffer, DWORD size, DWORD* bytesRead);
    // From now on reads keep their bytes in the transfer's buffer (Transfer::keepReads);
    // null before the answer is known.
    Transfer* keepReads();
    // As read, kept; ERROR_INSUFFICIENT_BUFFER while the kept buffer is exhausted.
    DWORD readKept(DWORD size, DWORD* bytesRead);
    DWORD query(DWORD level, void* buffer, DWORD* length) const;
    void setCancelEvent(ManualResetEvent* event);

    DWORD setOption(DWORD option, const void* buffer, DWORD length) override;
    DWORD queryOption(DWORD option, void* buffer, DWORD* length) const override;

private:
    Request(std::shared_ptr<Connection> connection, Setup setup, WireUrl url);

    DWORD startHop(const WireUrl& url);
    void configure(CURL* easy, const WireUrl& url, const QByteArray& proxy, bool credentials);
    DWORD drive(const std::function<bool()>& ready);
    DWORD fill(qsizetype wanted);
    void collectFinished();
    DWORD settleEnded();
    DWORD failure() const;
    std::optional<WireUrl> redirectTarget(int hopsFollowed) const;
    bool cancelled() const;
    DWORD querySystemTime(void* buffer, DWORD* length) const;

    std::shared_ptr<Connection> m_connection;
    Setup m_setup;
    WireUrl m_url;     // as opened; its origin keeps the server credentials
    WireUrl m_current; // the hop now under way
    bool m_viaProxy = false;
    QList<QByteArray> m_headerLines;
    curl_slist* m_headerList = nullptr;
    DWORD m_securityFlags = 0;
    CertificatePolicy m_certificates;

    CURLM* m_multi = nullptr;
    std::unique_ptr<Transfer> m_transfer;
    bool m_sent = false;
    bool m_ready = false;     // the final answer's headers are known
    DWORD m_brokenWith = 0;   // an idle limit ended the transfer

    ManualResetEvent* m_cancelEvent = nullptr;
    int m_wakerId = 0;
};

} // namespace inet
