#pragma once

#include "platform/inet/Session.h"

namespace inet {

// An InternetConnectW handle: where requests go and with which server
// credentials. Makes no connection itself; each request makes its own.
class Connection final : public Handle
{
public:
    static constexpr Kind kKind = Kind::Connection;

    Connection(std::shared_ptr<Session> session, QByteArray host, INTERNET_PORT port,
               QByteArray userName, QByteArray password)
        : Handle(kKind, session->options())
        , m_session(std::move(session))
        , m_host(std::move(host))
        , m_port(port)
        , m_userName(std::move(userName))
        , m_password(std::move(password))
    {
    }

    const Session& session() const { return *m_session; }
    const QByteArray& host() const { return m_host; }
    INTERNET_PORT port() const { return m_port; } // 0 = the scheme's default
    const QByteArray& userName() const { return m_userName; }
    const QByteArray& password() const { return m_password; }
    bool hasCredentials() const { return !m_userName.isEmpty() || !m_password.isEmpty(); }

private:
    // Keeps the session's share alive while a request of ours still uses it.
    std::shared_ptr<Session> m_session;
    QByteArray m_host;
    INTERNET_PORT m_port;
    QByteArray m_userName;
    QByteArray m_password;
};

} // namespace inet
