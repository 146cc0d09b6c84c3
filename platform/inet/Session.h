#pragma once

#include "platform/inet/Handle.h"
#include "platform/inet/ProxyBypass.h"
#include "platform/inet/WireUrl.h"

#include <curl/curl.h>

#include <array>
#include <mutex>

namespace inet {

// An InternetOpenW handle: the user agent, how requests reach the network, and
// a libcurl share of the DNS cache only. Connections are not shared (libcurl
// does not support that between concurrent threads), nor are TLS sessions (one
// cached under relaxed certificate checks must not be resumed by a strict request).
// Immutable after opening apart from the locked share, so the workers of one
// download may open requests on it at the same time.
class Session final : public Handle
{
public:
    static constexpr Kind kKind = Kind::Session;

    // Empty with *error set when the arguments are refused or libcurl fails.
    static std::shared_ptr<Session> open(const QString& agent, DWORD accessType, const QString& proxy,
                                         const QString& bypass, DWORD* error);
    ~Session() override;

    const QByteArray& userAgent() const { return m_userAgent; }
    CURLSH* share() const { return m_share; }

    // The CURLOPT_PROXY value for a request to url, "" = direct. Preconfigured
    // access takes the environment's proxy.
    QByteArray proxyFor(const WireUrl& url) const;

private:
    Session() : Handle(kKind, {}) {}

    static std::optional<QByteArray> proxyUrl(const QString& proxy);
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* session);
    static void unlock(CURL*, curl_lock_data data, void* session);

    QByteArray m_userAgent;
    DWORD m_accessType = INTERNET_OPEN_TYPE_PRECONFIG;
    QByteArray m_proxyUrl;
    ProxyBypass m_bypass;
    CURLSH* m_share = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> m_locks;
};

} // namespace inet
