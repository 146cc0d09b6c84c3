#pragma once

#include "support/ChildProcess.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

class QTemporaryDir;

// A real nginx on free loopback ports with a temporary configuration, root and
// logs: one plain HTTP port and one HTTPS port per test certificate. Starting
// costs a few hundred milliseconds, so start one per test suite. Locations and
// the redirect style are set before start(); files can be dropped into root() at
// any time. The certificates are made once per process with the openssl command,
// signed by a test CA (caFile()) except the self-signed one.
class NginxServer
{
public:
    enum class Cert { Trusted, SelfSigned, WrongHost, Expired, ClientAuthOnly, Sha1 };

    struct LogEntry
    {
        QString request; // "GET /x HTTP/1.1"
        int status = 0;
        QString range;   // the Range header as received, empty when none
        QString userAgent;
        QString referer;
        QString authorization;
        qint64 bodyBytes = 0;
    };

    NginxServer();
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    // nginx's default sends absolute Location headers; off sends them as given.
    void setAbsoluteRedirect(bool on) { m_absoluteRedirect = on; }
    // A block for every server, e.g. "location = /old { return 301 /new; }".
    void addLocation(const QString& block) { m_locations += block + u'\n'; }
    // A directive of the http block, e.g. "limit_conn_zone $binary_remote_addr zone=perip:1m;".
    void addHttpDirective(const QString& directive) { m_httpDirectives += QStringLiteral("    ") + directive + u'\n'; }

    // False with the reason in errorText() when nginx did not come up.
    bool start();
    void stop();
    QString errorText() const { return m_errorText; }

    QString root() const;
    void putFile(const QString& path, const QByteArray& content) const;

    quint16 port() const { return m_httpPort; }
    quint16 httpsPort(Cert cert) const { return m_httpsPorts.at(cert); }
    QString url(const QString& path) const;
    QString httpsUrl(Cert cert, const QString& path) const;
    static QString caFile();

    // The access log so far; waits up to two seconds for at least that many
    // entries, since nginx writes an entry only after the answer has gone out.
    QList<LogEntry> accessLog(int atLeast = 0) const;
    // The entries for one request target ("/x?y"), waiting likewise.
    QList<LogEntry> accessLogFor(const QString& target, int atLeast = 1) const;

private:
    bool startOnce();
    bool writeConfig() const;
    bool waitUntilListening();
    bool ownsItsPorts() const;
    QString serverBlock(quint16 port, const QString& tls) const;
    QList<LogEntry> readLog(const QString& target) const; // every entry when target is empty
    QList<LogEntry> waitForLog(const QString& target, int atLeast) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    ChildProcess m_process;
    bool m_absoluteRedirect = true;
    QString m_locations;
    QString m_httpDirectives;
    quint16 m_httpPort = 0;
    std::map<Cert, quint16> m_httpsPorts;
    QString m_errorText;
};
