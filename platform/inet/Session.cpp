#include "platform/inet/Session.h"

#include "platform/inet/EnvironmentProxy.h"

namespace inet {

std::shared_ptr<Session> Session::open(const QString& agent, DWORD accessType, const QString& proxy,
                                       const QString& bypass, DWORD* error)
{
    std::shared_ptr<Session> session(new Session);
    session->m_userAgent = agent.toUtf8();
    session->m_accessType = accessType;
    if (accessType == INTERNET_OPEN_TYPE_PROXY) {
        const std::optional<QByteArray> url = proxyUrl(proxy);
        if (!url) {
            *error = ERROR_INVALID_PARAMETER;
            return nullptr;
        }
        session->m_proxyUrl = *url;
        // WinINet reads the bypass list only for an explicit proxy.
        session->m_bypass = ProxyBypass(bypass);
    } else if (accessType != INTERNET_OPEN_TYPE_PRECONFIG && accessType != INTERNET_OPEN_TYPE_DIRECT) {
        *error = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    session->m_share = curl_share_init();
    if (!session->m_share) {
        *error = ERROR_INTERNET_INTERNAL_ERROR;
        return nullptr;
    }
    Session* self = session.get();
    if (curl_share_setopt(self->m_share, CURLSHOPT_LOCKFUNC, &Session::lock) != CURLSHE_OK
        || curl_share_setopt(self->m_share, CURLSHOPT_UNLOCKFUNC, &Session::unlock) != CURLSHE_OK
        || curl_share_setopt(self->m_share, CURLSHOPT_USERDATA, self) != CURLSHE_OK
        || curl_share_setopt(self->m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS) != CURLSHE_OK) {
        *error = ERROR_INTERNET_INTERNAL_ERROR;
        return nullptr;
    }
    return session;
}

Session::~Session()
{
    if (m_share)
        curl_share_cleanup(m_share);
}

// "host:port" or "[v6]:port" (port 0 or none = 80) to "http://host:port"; a
// host-less proxy is refused.
std::optional<QByteArray> Session::proxyUrl(const QString& proxy)
{
    QString host = proxy.trimmed();
    QString portText;
    if (host.startsWith(u'[')) {
        const qsizetype close = host.indexOf(u']');
        const QString rest = close < 0 ? QString() : host.mid(close + 1);
        if (close < 0 || (!rest.isEmpty() && !rest.startsWith(u':')))
            return std::nullopt;
        portText = rest.mid(1);
        host = host.mid(1, close - 1);
    } else if (host.count(u':') == 1) {
        const qsizetype colon = host.indexOf(u':');
        portText = host.mid(colon + 1);
        host.truncate(colon);
    }
    int port = 0;
    if (!portText.isEmpty()) {
        bool ok = false;
        port = portText.toInt(&ok);
        if (!ok || port < 0 || port > 65535)
            return std::nullopt;
    }
    if (host.isEmpty())
        return std::nullopt;
    const QByteArray name = host.toUtf8();
    return "http://" + (name.contains(':') ? '[' + name + ']' : name) + ':'
         + QByteArray::number(port ? port : INTERNET_DEFAULT_HTTP_PORT);
}

QByteArray Session::proxyFor(const WireUrl& url) const
{
    switch (m_accessType) {
    case INTERNET_OPEN_TYPE_PROXY:
        return m_bypass.matches(QString::fromUtf8(url.host()), url.port()) ? QByteArray() : m_proxyUrl;
    case INTERNET_OPEN_TYPE_DIRECT:
        return {};
    default:
        return EnvironmentProxy(url.scheme(), url.host());
    }
}

void Session::lock(CURL*, curl_lock_data data, curl_lock_access, void* session)
{
    static_cast<Session*>(session)->m_locks[data].lock();
}

void Session::unlock(CURL*, curl_lock_data data, void* session)
{
    static_cast<Session*>(session)->m_locks[data].unlock();
}

} // namespace inet
