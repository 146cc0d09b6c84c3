#include "InetTestRequest.h"

#include <QUrl>

using namespace inet;

InetTestRequest::InetTestRequest(const QString& url)
    : InetTestRequest(url, Setup())
{
}

InetTestRequest::InetTestRequest(const QString& url, const Setup& setup)
{
    const QUrl parsed(url);
    const bool secure = parsed.scheme() == u"https";
    m_session = InternetOpenW(units(setup.agent), setup.access, units(setup.proxy), units(setup.bypass),
                              INTERNET_FLAG_NO_CACHE_WRITE);
    if (m_session) {
        m_connect = InternetConnectW(m_session, units(parsed.host()), INTERNET_PORT(parsed.port(0)),
                                     units(setup.userName), units(setup.password), INTERNET_SERVICE_HTTP, 0, 1);
    }
    if (m_connect) {
        setOption(m_connect, INTERNET_OPTION_CONNECT_TIMEOUT, setup.connectTimeout);
        setOption(m_connect, INTERNET_OPTION_RECEIVE_TIMEOUT, setup.receiveTimeout);
        setText(m_connect, INTERNET_OPTION_PROXY_USERNAME, setup.proxyUserName);
        setText(m_connect, INTERNET_OPTION_PROXY_PASSWORD, setup.proxyPassword);
        const QString object = setup.object.value_or(
            parsed.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::FullyEncoded));
        const char16_t* accept[] = {u"*/*", nullptr};
        m_request = HttpOpenRequestW(m_connect, units(setup.verb), units(object), units(setup.version),
                                     setup.referer ? units(*setup.referer) : nullptr, accept,
                                     setup.flags | (secure ? INTERNET_FLAG_SECURE : 0), 1);
    }
    if (!m_request) {
        m_openError = GetLastError();
        return;
    }
    setOption(m_request, INTERNET_OPTION_SECURITY_FLAGS, setup.securityFlags);
    for (const QString& line : setup.headers) {
        const QString text = line + QStringLiteral("\r\n");
        HttpAddRequestHeadersW(m_request, units(text), DWORD(-1), HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
    }
}

InetTestRequest::~InetTestRequest()
{
    for (HINTERNET handle : {m_request, m_connect, m_session}) {
        if (handle)
            InternetCloseHandle(handle);
    }
}

void InetTestRequest::setOption(HINTERNET handle, DWORD option, const std::optional<DWORD>& value)
{
    if (value)
        InternetSetOptionW(handle, option, &*value, sizeof(DWORD));
}

void InetTestRequest::setText(HINTERNET handle, DWORD option, const std::optional<QString>& text)
{
    if (text)
        InternetSetOptionW(handle, option, units(*text), DWORD(text->size() + 1));
}

bool InetTestRequest::send()
{
    const bool sent = HttpSendRequestW(m_request, nullptr, 0, nullptr, 0);
    m_error = sent ? 0 : GetLastError();
    return sent;
}

int InetTestRequest::status() const
{
    const std::optional<QString> text = header(HTTP_QUERY_STATUS_CODE);
    return text ? text->toInt() : -1;
}

std::optional<QString> InetTestRequest::header(DWORD level) const
{
    char16_t buffer[1024];
    DWORD length = sizeof buffer;
    if (!HttpQueryInfoW(m_request, level, buffer, &length, nullptr))
        return std::nullopt;
    return QString::fromUtf16(buffer, length / 2);
}

std::optional<QString> InetTestRequest::answeredUrl() const
{
    char16_t buffer[1024];
    DWORD length = sizeof buffer;
    if (!InternetQueryOptionW(m_request, INTERNET_OPTION_URL, buffer, &length))
        return std::nullopt;
    return QString::fromUtf16(buffer, length / 2);
}

bool InetTestRequest::readAll(QByteArray* body, DWORD piece)
{
    QByteArray buffer(qsizetype(piece), Qt::Uninitialized);
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(m_request, buffer.data(), piece, &got)) {
            m_error = GetLastError();
            return false;
        }
        if (got == 0)
            return true;
        body->append(buffer.constData(), got);
    }
}
