#include "support/FaultServer.h"

#include "support/LoopbackSocket.h"

#include <QCryptographicHash>
#include <QHash>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

constexpr int kPollMs = 10;
constexpr int kRequestLimitMs = 10000;
constexpr QByteArrayView kEndOfHeaders = "\r\n\r\n";
constexpr QByteArrayView kRealm = "vandrel";
constexpr QByteArrayView kNonce = "5f1c0a7e93b24d68";

using Clock = std::chrono::steady_clock;

int elapsedMs(Clock::time_point since)
{
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

bool readable(int socket, int ms)
{
    pollfd entry{socket, POLLIN, 0};
    return ::poll(&entry, 1, ms) > 0;
}

bool sendAll(int socket, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const ssize_t sent = ::send(socket, bytes.data(), size_t(bytes.size()), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes = bytes.sliced(sent);
    }
    return true;
}

QByteArray md5Hex(const QByteArray& text)
{
    return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
}

// key=value and key="value" pairs after the scheme name.
QHash<QByteArray, QByteArray> authParameters(const QByteArray& value)
{
    QHash<QByteArray, QByteArray> result;
    qsizetype at = value.indexOf(' ');
    while (at >= 0 && at < value.size()) {
        while (at < value.size() && (value[at] == ' ' || value[at] == ','))
            ++at;
        const qsizetype equals = value.indexOf('=', at);
        if (equals < 0)
            break;
        const QByteArray key = value.mid(at, equals - at).trimmed().toLower();
        qsizetype end;
        QByteArray text;
        if (equals + 1 < value.size() && value[equals + 1] == '"') {
            end = value.indexOf('"', equals + 2);
            if (end < 0)
                break;
            text = value.mid(equals + 2, end - equals - 2);
            ++end;
        } else {
            end = value.indexOf(',', equals + 1);
            if (end < 0)
                end = value.size();
            text = value.mid(equals + 1, end - equals - 1).trimmed();
        }
        result.insert(key, text);
        at = end;
    }
    return result;
}

bool validDigest(const FaultServer::Request& request, const QByteArray& value, const QByteArray& user,
                 const QByteArray& password)
{
    if (!value.startsWith("Digest "))
        return false;
    const QHash<QByteArray, QByteArray> p = authParameters(value);
    if (p.value("username") != user || p.value("realm") != kRealm || p.value("nonce") != kNonce)
        return false;
    const QByteArray ha1 = md5Hex(user + ':' + kRealm.toByteArray() + ':' + password);
    const QByteArray ha2 = md5Hex(request.method + ':' + p.value("uri"));
    const QByteArray expected = p.contains("qop")
        ? md5Hex(ha1 + ':' + p.value("nonce") + ':' + p.value("nc") + ':' + p.value("cnonce") + ':'
                 + p.value("qop") + ':' + ha2)
        : md5Hex(ha1 + ':' + p.value("nonce") + ':' + ha2);
    return p.value("response") == expected;
}

} // namespace

QByteArray FaultServer::Request::header(QByteArrayView name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool FaultServer::Request::hasHeader(QByteArrayView name) const
{
    for (const auto& entry : headers) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

FaultServer::FaultServer(Responder responder, Loopback loopback)
    : m_responder(std::move(responder)), m_host(loopback == Loopback::V6 ? "[::1]" : "127.0.0.1")
{
    sockaddr_storage address{};
    socklen_t length = 0;
    if (loopback == Loopback::V6) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
        v6->sin6_family = AF_INET6;
        v6->sin6_addr = in6addr_loopback;
        length = sizeof *v6;
    } else {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
        v4->sin_family = AF_INET;
        v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof *v4;
    }
    m_listener = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0
        || ::listen(m_listener, 16) != 0
        || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    m_port = ntohs(loopback == Loopback::V6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                            : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    m_acceptThread = std::thread(&FaultServer::acceptLoop, this);
}

FaultServer::~FaultServer()
{
    m_stopping = true;
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    for (std::thread& connection : m_connections)
        connection.join();
    ::close(m_listener);
}

QString FaultServer::url(const QString& path) const
{
    return QStringLiteral("http://%1:%2%3").arg(QLatin1String(m_host)).arg(m_port).arg(path);
}

QList<FaultServer::Request> FaultServer::requests() const
{
    std::lock_guard lock(m_requestsMutex);
    // Detached under the lock: Qt checks whether a list is shared without any
    // ordering, so a caller's later detach would race with the next append.
    QList<Request> copy = m_requests;
    copy.detach();
    return copy;
}

FaultServer::Action FaultServer::send(QByteArray bytes) { return {Action::Kind::Send, std::move(bytes), 0}; }
FaultServer::Action FaultServer::wait(int ms) { return {Action::Kind::Wait, {}, ms}; }
FaultServer::Action FaultServer::stall() { return {Action::Kind::Stall, {}, kStallLimitMs}; }
FaultServer::Action FaultServer::close() { return {Action::Kind::Close, {}, 0}; }
FaultServer::Action FaultServer::reset() { return {Action::Kind::Reset, {}, 0}; }
FaultServer::Action FaultServer::tunnel(quint16 to) { return {Action::Kind::Tunnel, {}, to}; }

QByteArray FaultServer::response(int status, const QByteArray& extraHeaders, const QByteArray& body)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " Answer\r\nContent-Length: "
         + QByteArray::number(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

FaultServer::Script FaultServer::answer(int status, const QByteArray& extraHeaders, const QByteArray& body)
{
    return {send(response(status, extraHeaders, body))};
}

FaultServer::Responder FaultServer::requireAuth(AuthScheme scheme, bool proxy, QByteArray user,
                                                QByteArray password, Responder next)
{
    return [=](const Request& request) {
        const QByteArray given = request.header(proxy ? "Proxy-Authorization" : "Authorization");
        const bool valid = scheme == AuthScheme::Basic
                               ? given == "Basic " + (user + ':' + password).toBase64()
                               : validDigest(request, given, user, password);
        if (valid)
            return next(request);
        const QByteArray challenge = scheme == AuthScheme::Basic
            ? "Basic realm=\"" + kRealm.toByteArray() + '"'
            : "Digest realm=\"" + kRealm.toByteArray() + "\", nonce=\"" + kNonce.toByteArray()
                  + "\", qop=\"auth\", algorithm=MD5";
        const QByteArray name = proxy ? "Proxy-Authenticate: " : "WWW-Authenticate: ";
        return answer(proxy ? 407 : 401, name + challenge + "\r\n", "denied");
    };
}

void FaultServer::acceptLoop()
{
    int count = 0;
    while (!m_stopping) {
        if (!readable(m_listener, kPollMs))
            continue;
        const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        std::lock_guard lock(m_mutex);
        m_connections.emplace_back(&FaultServer::serve, this, socket, ++count);
    }
}

void FaultServer::serve(int socket, int connection)
{
    QByteArray pending;
    for (;;) {
        Request request;
        if (!readRequest(socket, pending, request))
            break;
        request.connection = connection;
        {
            std::lock_guard lock(m_requestsMutex);
            m_requests.append(request);
        }
        if (!run(socket, m_responder(request)))
            return;
    }
    ::close(socket);
}

bool FaultServer::readRequest(int socket, QByteArray& pending, Request& request)
{
    const Clock::time_point start = Clock::now();
    while (!pending.contains(kEndOfHeaders)) {
        if (m_stopping || elapsedMs(start) > kRequestLimitMs)
            return false;
        if (!readable(socket, kPollMs))
            continue;
        char chunk[4096];
        const ssize_t got = ::recv(socket, chunk, sizeof chunk, 0);
        if (got <= 0)
            return false;
        pending.append(chunk, got);
    }
    const qsizetype end = pending.indexOf(kEndOfHeaders);
    const QList<QByteArray> lines = pending.left(end).split('\n');
    pending.remove(0, end + kEndOfHeaders.size());
    request.requestLine = lines.first().trimmed();
    const QList<QByteArray> parts = request.requestLine.split(' ');
    request.method = parts.value(0);
    request.target = parts.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.append({lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
    }
    return true;
}

bool FaultServer::run(int socket, const Script& script)
{
    for (const Action& action : script) {
        switch (action.kind) {
        case Action::Kind::Send:
            if (sendAll(socket, action.bytes))
                continue;
            break;
        case Action::Kind::Wait:
            if (pause(action.value))
                continue;
            break;
        case Action::Kind::Stall:
            pause(action.value);
            break;
        case Action::Kind::Close:
            break;
        case Action::Kind::Reset: {
            const linger abort{1, 0};
            ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            break;
        }
        case Action::Kind::Tunnel:
            relay(socket, quint16(action.value));
            break;
        }
        ::close(socket);
        return false;
    }
    return true;
}

void FaultServer::relay(int socket, quint16 port)
{
    const int target = ConnectLoopback(port);
    if (target < 0)
        return;
    if (sendAll(socket, "HTTP/1.1 200 Connection established\r\n\r\n")) {
        Clock::time_point lastByte = Clock::now();
        while (!m_stopping && elapsedMs(lastByte) < kStallLimitMs) {
            pollfd entries[] = {{socket, POLLIN, 0}, {target, POLLIN, 0}};
            if (::poll(entries, 2, kPollMs) <= 0)
                continue;
            bool open = true;
            for (int i = 0; i < 2 && open; ++i) {
                if (!entries[i].revents)
                    continue;
                char chunk[16384];
                const ssize_t got = ::recv(entries[i].fd, chunk, sizeof chunk, 0);
                open = got > 0 && sendAll(entries[1 - i].fd, QByteArrayView(chunk, got));
            }
            if (!open)
                break;
            lastByte = Clock::now();
        }
    }
    ::close(target);
}

bool FaultServer::pause(int ms) const
{
    const Clock::time_point start = Clock::now();
    while (!m_stopping && elapsedMs(start) < ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    return !m_stopping;
}
