#pragma once

#include "support/ChildProcess.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QTemporaryDir;

// busybox's small web server, as routers and NAS boxes run it, on a free
// loopback port with a temporary root (Debian package "busybox").
class BusyboxHttpd
{
public:
    BusyboxHttpd();
    ~BusyboxHttpd();
    BusyboxHttpd(const BusyboxHttpd&) = delete;
    BusyboxHttpd& operator=(const BusyboxHttpd&) = delete;

    // False with the reason in errorText() when it is missing or did not come up.
    bool start();
    QString errorText() const { return m_errorText; }

    void putFile(const QString& name, const QByteArray& content) const;
    QString url(const QString& path) const;

private:
    bool startOnce();

    std::unique_ptr<QTemporaryDir> m_dir;
    ChildProcess m_process;
    quint16 m_port = 0;
    QString m_errorText;
};
