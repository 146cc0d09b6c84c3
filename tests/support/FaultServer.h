#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A small scripted HTTP/1.1 server on a loopback port, for answers a real server
// will not give: slow, stalled, cut short, reset, malformed. Each request it reads
// is recorded and handed to the responder, which returns the actions to take on
// that connection. It can also play a proxy (requests then arrive in absolute
// form, or as CONNECT) and ask for Basic or Digest credentials. Every wait is
// bounded, and the destructor stops everything.
class FaultServer
{
public:
    struct Action
    {
        enum class Kind { Send, Wait, Stall, Close, Reset, Tunnel };
        Kind kind = Kind::Close;
        QByteArray bytes;
        int value = 0; // ms for Wait, port for Tunnel
    };
    using Script = QList<Action>;

    struct Request
    {
        QByteArray method;
        QByteArray target; // as sent: "/x", "http://host:port/x" or "host:port"
        QByteArray requestLine;
        QList<QPair<QByteArray, QByteArray>> headers;
        int connection = 0; // which connection, counted from 1

        // The first header of that name (compared without regard to case), or null.
        QByteArray header(QByteArrayView name) const;
        bool hasHeader(QByteArrayView name) const;
    };
    using Responder = std::function<Script(const Request&)>;

    enum class AuthScheme { Basic, Digest };

    enum class Loopback { V4, V6 }; // listens on 127.0.0.1 or ::1

    explicit FaultServer(Responder responder, Loopback loopback = Loopback::V4);
    ~FaultServer();
    FaultServer(const FaultServer&) = delete;
    FaultServer& operator=(const FaultServer&) = delete;

    quint16 port() const { return m_port; }
    QString url(const QString& path) const;
    QList<Request> requests() const;

    static Action send(QByteArray bytes);
    static Action wait(int ms);
    static Action stall();            // until the server stops (at most kStallLimitMs)
    static Action close();
    static Action reset();            // SO_LINGER 0: the peer sees a reset
    static Action tunnel(quint16 to); // relays the connection to 127.0.0.1:to (a CONNECT proxy)

    // A whole answer with a Content-Length; extraHeaders are "Name: value\r\n" lines.
    static QByteArray response(int status, const QByteArray& extraHeaders = {}, const QByteArray& body = {});
    static Script answer(int status, const QByteArray& extraHeaders = {}, const QByteArray& body = {});

    // Answers 401 (407 as a proxy) with a challenge of that scheme until a request
    // carries these credentials, then hands it to next.
    static Responder requireAuth(AuthScheme scheme, bool proxy, QByteArray user, QByteArray password,
                                 Responder next);

    static constexpr int kStallLimitMs = 20000;

private:
    void acceptLoop();
    void serve(int socket, int connection);
    bool readRequest(int socket, QByteArray& pending, Request& request);
    bool run(int socket, const Script& script); // false when the connection is over
    void relay(int socket, quint16 port);
    bool pause(int ms) const;                    // false when the server stops meanwhile

    Responder m_responder;
    const char* m_host;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;
    std::mutex m_mutex;
    std::vector<std::thread> m_connections;
    QList<Request> m_requests;
    mutable std::mutex m_requestsMutex;
};
