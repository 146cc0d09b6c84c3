#pragma once

#include "support/ChildProcess.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QTemporaryDir;

// A real caddy serving a temporary root over HTTPS on a free loopback port,
// with a self-signed certificate the openssl command makes for it. It is
// configured by file, with no admin endpoint, no automatic HTTPS, no HTTP/3 and
// nothing stored outside its own folder. Start one per test suite.
class CaddyServer
{
public:
    CaddyServer();
    ~CaddyServer();
    CaddyServer(const CaddyServer&) = delete;
    CaddyServer& operator=(const CaddyServer&) = delete;

    // False with the reason in errorText() when caddy did not come up.
    bool start();
    QString errorText() const { return m_errorText; }

    void putFile(const QString& name, const QByteArray& content) const;
    QString url(const QString& path) const;
    // The certificate to trust: it signs itself.
    QString certificateFile() const;

private:
    bool startOnce();
    bool writeConfig() const;
    bool waitUntilServing();
    QString path(const QString& name) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    ChildProcess m_process;
    quint16 m_port = 0;
    QString m_errorText;
};
