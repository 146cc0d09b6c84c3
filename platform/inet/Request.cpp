#include "platform/inet/Request.h"

#include "platform/ManualResetEvent.h"
#include "platform/SystemTime.h"
#include "platform/inet/CurlError.h"
#include "platform/inet/ResponseInfo.h"

#include <QFile>
#include <QTimeZone>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace inet {

namespace {

constexpr int kMaxRedirects = 10;
constexpr int kMaxPollMs = 1000;
constexpr DWORD kNoLimit = 0xFFFFFFFF;

std::mutex g_testCaMutex;
QByteArray g_testCaFile;

QByteArray testCaFile()
{
    std::lock_guard lock(g_testCaMutex);
    return g_testCaFile;
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool hasLineBreak(const QByteArray& text)
{
    return text.contains('\r') || text.contains('\n');
}

// An https page named to a plain http server: what it shows of the page would
// travel in clear, so it is left out, on a redirect's hop too.
bool downgrades(const QByteArray& referer, const WireUrl& url)
{
    return url.scheme() == "http" && QUrl::fromEncoded(referer).scheme() == u"https";
}

const char* headerName(DWORD level)
{
    switch (level) {
    case HTTP_QUERY_CONTENT_TYPE: return "Content-Type";
    case HTTP_QUERY_CONTENT_LENGTH: return "Content-Length";
    case HTTP_QUERY_LAST_MODIFIED: return "Last-Modified";
    case HTTP_QUERY_LOCATION: return "Location";
    case HTTP_QUERY_RETRY_AFTER: return "Retry-After";
    case HTTP_QUERY_ACCEPT_RANGES: return "Accept-Ranges";
    case HTTP_QUERY_CONTENT_DISPOSITION: return "Content-Disposition";
    case HTTP_QUERY_CONTENT_RANGE: return "Content-Range";
    case HTTP_QUERY_ETAG: return "ETag";
    default: return nullptr;
    }
}

// The WinINet buffer protocol: sizes in bytes, the NUL needed but not counted on success.
DWORD copyText(const QString& text, void* buffer, DWORD* length)
{
    const DWORD needed = DWORD(text.size() + 1) * sizeof(char16_t);
    if (!buffer || *length < needed) {
        *length = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    std::memcpy(buffer, text.utf16(), needed);
    *length = DWORD(text.size()) * sizeof(char16_t);
    return 0;
}

} // namespace

void SetTestCaFile(const QString& path)
{
    std::lock_guard lock(g_testCaMutex);
    g_testCaFile = QFile::encodeName(path);
}

std::shared_ptr<Request> Request::open(std::shared_ptr<Connection> connection, Setup setup, DWORD* error)
{
    // No header injection through the agent, the version or the referer.
    if (hasLineBreak(connection->session().userAgent()) || hasLineBreak(setup.version)
        || (setup.referer && hasLineBreak(*setup.referer))) {
        *error = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    const std::optional<WireUrl> url = WireUrl::compose(setup.flags & INTERNET_FLAG_SECURE, connection->host(),
                                                        connection->port(), setup.object);
    if (!url) {
        *error = ERROR_INTERNET_INVALID_URL;
        return nullptr;
    }
    std::shared_ptr<Request> request(new Request(std::move(connection), std::move(setup), *url));
    if (!request->m_multi) {
        *error = ERROR_INTERNET_INTERNAL_ERROR;
        return nullptr;
    }
    return request;
}

Request::Request(std::shared_ptr<Connection> connection, Setup setup, WireUrl url)
    : Handle(kKind, connection->options())
    , m_connection(std::move(connection))
    , m_setup(std::move(setup))
    , m_url(url)
    , m_current(url)
    , m_multi(curl_multi_init())
{
}

Request::~Request()
{
    // Leave the event's list before the multi handle that its waker names is gone.
    setCancelEvent(nullptr);
    if (m_transfer)
        curl_multi_remove_handle(m_multi, m_transfer->easy());
    m_transfer.reset();
    if (m_multi)
        curl_multi_cleanup(m_multi);
    curl_slist_free_all(m_headerList);
}

DWORD Request::addHeaders(const QString& text, DWORD modifiers)
{
    for (QString line : text.split(u'\n')) {
        line = line.remove(u'\r').trimmed();
        if (line.isEmpty())
            continue;
        const qsizetype colon = line.indexOf(u':');
        if (colon <= 0)
            return ERROR_INVALID_PARAMETER;
        const QByteArray name = line.left(colon).trimmed().toUtf8();
        const auto same = [&name](const QByteArray& existing) {
            return existing.left(existing.indexOf(':')).trimmed().compare(name, Qt::CaseInsensitive) == 0;
        };
        const auto existing = std::find_if(m_headerLines.begin(), m_headerLines.end(), same);
        if ((modifiers & HTTP_ADDREQ_FLAG_REPLACE) && existing != m_headerLines.end())
            *existing = line.toUtf8();
        else
            m_headerLines.append(line.toUtf8());
    }
    return 0;
}

DWORD Request::send()
{
    if (m_sent)
        return ERROR_INTERNET_INCORRECT_HANDLE_STATE;
    m_sent = true;
    m_headerList = curl_slist_append(nullptr, m_setup.acceptTypes.isEmpty()
                                                  ? "Accept:"
                                                  : ("Accept: " + m_setup.acceptTypes.join(", ")).constData());
    for (const QByteArray& line : m_headerLines) {
        if (m_headerList)
            m_headerList = curl_slist_append(m_headerList, line.constData());
    }
    if (!m_headerList)
        return ERROR_NOT_ENOUGH_MEMORY;
    WireUrl url = m_url;
    for (int hops = 0;; ++hops) {
        if (const DWORD error = startHop(url))
            return error;
        if (const DWORD error = drive([this] { return m_transfer->headersDone(); }))
            return error;
        if (!m_transfer->headersDone()) {
            if (const DWORD error = settleEnded())
                return error;
        }
        const std::optional<WireUrl> next = redirectTarget(hops);
        if (!next)
            break;
        url = *next;
    }
    m_ready = true;
    return 0;
}

DWORD Request::startHop(const WireUrl& url)
{
    if (m_transfer)
        curl_multi_remove_handle(m_multi, m_transfer->easy());
    m_transfer.reset();
    const QByteArray proxy = m_connection->session().proxyFor(url);
    m_viaProxy = !proxy.isEmpty();
    // Like libcurl's own rule: server credentials go only to the origin they were given for.
    const bool credentials = m_connection->hasCredentials() && url.sameOrigin(m_url);
    const bool proxyCredentials = m_viaProxy && (options().proxyUserName || options().proxyPassword);
    auto transfer = std::make_unique<Transfer>(credentials, proxyCredentials, m_setup.verb == "HEAD");
    if (!transfer->easy())
        return ERROR_INTERNET_INTERNAL_ERROR;
    m_certificates.setSecurityFlags(m_securityFlags);
    m_certificates.clearRefusal();
    configure(transfer->easy(), url, proxy, credentials);
    if (curl_multi_add_handle(m_multi, transfer->easy()) != CURLM_OK)
        return ERROR_INTERNET_INTERNAL_ERROR;
    m_transfer = std::move(transfer);
    m_current = url;
    return 0;
}

void Request::configure(CURL* easy, const WireUrl& url, const QByteArray& proxy, bool credentials)
{
    // Never set: FOLLOWLOCATION (we follow), ACCEPT_ENCODING (sizes and offsets
    // must stay raw), RANGE (a Range goes as a raw line, so a 200 still reaches
    // the caller), cookies, TIMEOUT (an absolute limit would end long downloads).
    curl_easy_setopt(easy, CURLOPT_URL, url.text().constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (m_setup.verb == "GET")
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    else if (m_setup.verb == "HEAD")
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    else
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, m_setup.verb.constData());
    const bool http10 = m_setup.version == "HTTP/1.0";
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    // Strict servers end the handshake when offered ALPN's name for HTTP/1.0;
    // offered none, a TLS server speaks HTTP/1.1, which answers a 1.0 request.
    curl_easy_setopt(easy, CURLOPT_SSL_ENABLE_ALPN, http10 ? 0L : 1L);
    const QByteArray& agent = m_connection->session().userAgent();
    if (!agent.isEmpty())
        curl_easy_setopt(easy, CURLOPT_USERAGENT, agent.constData());
    if (m_setup.referer && !downgrades(*m_setup.referer, url))
        curl_easy_setopt(easy, CURLOPT_REFERER, m_setup.referer->constData());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, m_headerList);
    const DWORD connectTimeout = options().connectTimeout;
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, connectTimeout == kNoLimit ? 0L : long(connectTimeout));
    curl_easy_setopt(easy, CURLOPT_SHARE, m_connection->session().share());
    // Decided here, so that no environment variable overrides it behind our back
    // and a failed connection is known to be the proxy's.
    curl_easy_setopt(easy, CURLOPT_PROXY, proxy.constData());
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
    if (m_viaProxy && (options().proxyUserName || options().proxyPassword)) {
        // A password alone still answers the challenge, with an empty user name.
        curl_easy_setopt(easy, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
        curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, options().proxyUserName.value_or("").constData());
        curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, options().proxyPassword.value_or("").constData());
    }
    if (credentials) {
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
        curl_easy_setopt(easy, CURLOPT_USERNAME, m_connection->userName().constData());
        curl_easy_setopt(easy, CURLOPT_PASSWORD, m_connection->password().constData());
    }
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, m_certificates.ignoresNameMismatch() ? 0L : 2L);
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &CertificatePolicy::onSslContext);
    curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, &m_certificates);
    const QByteArray caFile = testCaFile();
    if (!caFile.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, caFile.constData());
}

// Drives the transfer until ready() holds or the transfer has ended. Fails only
// when cancelled or when no byte came for the receive time-out.
DWORD Request::drive(const std::function<bool()>& ready)
{
    const Transfer::Clock::time_point start = Transfer::Clock::now();
    const DWORD limit = options().receiveTimeout;
    const bool idleLimit = limit != 0 && limit != kNoLimit;
    for (;;) {
        if (cancelled())
            return ERROR_INTERNET_OPERATION_CANCELLED;
        int running = 0;
        if (curl_multi_perform(m_multi, &running) != CURLM_OK)
            return ERROR_INTERNET_INTERNAL_ERROR;
        collectFinished();
        if (ready() || m_transfer->ended())
            return 0;
        int waitMs = kMaxPollMs;
        if (idleLimit && m_transfer->connected()) {
            const auto since = std::max(start, m_transfer->lastActivity());
            const auto left = std::chrono::milliseconds(limit) - (Transfer::Clock::now() - since);
            if (left <= std::chrono::milliseconds::zero())
                return ERROR_INTERNET_TIMEOUT;
            waitMs = std::min<qint64>(waitMs, std::chrono::ceil<std::chrono::milliseconds>(left).count());
        }
        // The cancel event's waker ends this wait early.
        curl_multi_poll(m_multi, nullptr, 0, waitMs, nullptr);
    }
}

void Request::collectFinished()
{
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_transfer->easy())
            m_transfer->finish(message->data.result);
    }
}

// The transfer ended before a final block was known.
DWORD Request::settleEnded()
{
    if (m_transfer->result() == CURLE_OK)
        return m_transfer->takeLastBlock() ? 0 : ERROR_HTTP_INVALID_SERVER_RESPONSE;
    // A proxy that refuses the tunnel hands its answer to the caller, as WinINet does.
    long connectCode = 0;
    curl_easy_getinfo(m_transfer->easy(), CURLINFO_HTTP_CONNECTCODE, &connectCode);
    if (connectCode >= 300) {
        m_transfer->takeConnectAnswer(int(connectCode));
        return 0;
    }
    return failure();
}

DWORD Request::failure() const
{
    // The server answered in a form HTTP lets it send only to a client that asked for it.
    if (m_transfer->refusedCoding())
        return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    long osErrno = 0;
    curl_easy_getinfo(m_transfer->easy(), CURLINFO_OS_ERRNO, &osErrno);
    const CURLcode code = m_transfer->result();
    const DWORD error = InternetErrorFromCurl({code, osErrno, m_viaProxy, m_certificates.refusedError()});
    if (error == ERROR_INTERNET_EXTENDED_ERROR) {
        const char* text = *m_transfer->errorText() ? m_transfer->errorText() : curl_easy_strerror(code);
        SetResponseInfo(QStringLiteral("libcurl: ") + QString::fromUtf8(text), DWORD(code));
    }
    return error;
}

std::optional<WireUrl> Request::redirectTarget(int hopsFollowed) const
{
    if ((m_setup.flags & INTERNET_FLAG_NO_AUTO_REDIRECT) || hopsFollowed >= kMaxRedirects
        || !isRedirect(m_transfer->headers().status()))
        return std::nullopt;
    const std::optional<QByteArray> location = m_transfer->headers().value("Location");
    if (!location || location->isEmpty())
        return std::nullopt;
    std::optional<WireUrl> next = m_current.resolve(*location);
    if (!next || !next->isHttp())
        return std::nullopt;
    return next;
}

DWORD Request::read(char* buffer, DWORD size, DWORD* bytesRead)
{
    *bytesRead = 0;
    if (const DWORD error = fill(qsizetype(size)))
        return error;
    *bytesRead = DWORD(m_transfer->take(buffer, qsizetype(size)));
    return 0;
}

Transfer* Request::keepReads()
{
    if (!m_ready)
        return nullptr;
    m_transfer->keepReads();
    return m_transfer.get();
}

DWORD Request::readKept(DWORD size, DWORD* bytesRead)
{
    *bytesRead = 0;
    if (const DWORD error = fill(qsizetype(size)))
        return error;
    // Also when the read itself filled the buffer: that is no end of the body.
    if (m_transfer->exhausted())
        return ERROR_INSUFFICIENT_BUFFER;
    *bytesRead = DWORD(m_transfer->keep(qsizetype(size)));
    return 0;
}

// Drives the transfer until a read of that size can be answered; an error only
// when nothing is left to hand out.
DWORD Request::fill(qsizetype wanted)
{
    if (!m_ready)
        return ERROR_INTERNET_INCORRECT_HANDLE_STATE;
    ClearResponseInfo();
    Transfer& transfer = *m_transfer;
    if (!transfer.canServe(wanted) && !transfer.ended() && !m_brokenWith) {
        transfer.resume(wanted);
        const DWORD error = drive([&transfer, wanted] { return transfer.canServe(wanted); });
        if (error == ERROR_INTERNET_TIMEOUT)
            m_brokenWith = error;
        // What came before a cancel or a time-out is handed out first, never lost.
        if (error && transfer.buffered() == 0)
            return error;
    }
    if (transfer.buffered() == 0) {
        if (m_brokenWith)
            return m_brokenWith;
        if (transfer.ended() && transfer.result() != CURLE_OK)
            return failure();
    }
    return 0;
}

DWORD Request::query(DWORD level, void* buffer, DWORD* length) const
{
    if (!m_ready)
        return ERROR_INTERNET_INCORRECT_HANDLE_STATE;
    const DWORD base = level & 0xFFFF;
    const DWORD modifiers = level & ~DWORD(0xFFFF);
    if (modifiers == HTTP_QUERY_FLAG_SYSTEMTIME && base == HTTP_QUERY_LAST_MODIFIED)
        return querySystemTime(buffer, length);
    if (modifiers)
        return ERROR_HTTP_INVALID_QUERY_REQUEST;
    const HeaderBlock& headers = m_transfer->headers();
    if (base == HTTP_QUERY_STATUS_CODE)
        return copyText(QString::number(headers.status()), buffer, length);
    const char* name = headerName(base);
    if (!name)
        return ERROR_HTTP_INVALID_QUERY_REQUEST;
    const std::optional<QString> text = headers.text(name);
    return text ? copyText(*text, buffer, length) : ERROR_HTTP_HEADER_NOT_FOUND;
}

DWORD Request::querySystemTime(void* buffer, DWORD* length) const
{
    const std::optional<QByteArray> value = m_transfer->headers().value("Last-Modified");
    if (!value)
        return ERROR_HTTP_HEADER_NOT_FOUND;
    const time_t seconds = curl_getdate(value->constData(), nullptr);
    if (seconds == -1)
        return ERROR_HTTP_INVALID_HEADER;
    static_assert(sizeof(SYSTEMTIME) == kSystemTimeBytes);
    if (!buffer || *length < sizeof(SYSTEMTIME)) {
        *length = sizeof(SYSTEMTIME);
        return ERROR_INSUFFICIENT_BUFFER;
    }
    const SYSTEMTIME time = SystemTimeFromDateTime(QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc()));
    std::memcpy(buffer, &time, sizeof(SYSTEMTIME));
    *length = sizeof(SYSTEMTIME);
    return 0;
}

void Request::setCancelEvent(ManualResetEvent* event)
{
    if (m_cancelEvent)
        m_cancelEvent->removeWaker(m_wakerId);
    m_cancelEvent = event;
    m_wakerId = 0;
    if (event) {
        CURLM* multi = m_multi;
        m_wakerId = event->addWaker([multi] { curl_multi_wakeup(multi); });
    }
}

bool Request::cancelled() const
{
    return m_cancelEvent && m_cancelEvent->isSet();
}

DWORD Request::setOption(DWORD option, const void* buffer, DWORD length)
{
    if (option != INTERNET_OPTION_SECURITY_FLAGS)
        return Handle::setOption(option, buffer, length);
    if (length != sizeof(DWORD) || !buffer)
        return ERROR_INTERNET_BAD_OPTION_LENGTH;
    std::memcpy(&m_securityFlags, buffer, sizeof(DWORD));
    return 0;
}

DWORD Request::queryOption(DWORD option, void* buffer, DWORD* length) const
{
    if (option == INTERNET_OPTION_SECURITY_FLAGS)
        return queryValue(m_securityFlags, buffer, length);
    if (option == INTERNET_OPTION_URL)
        return copyText(QString::fromLatin1(m_current.text()), buffer, length);
    return Handle::queryOption(option, buffer, length);
}

} // namespace inet
