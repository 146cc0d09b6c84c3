#include "support/BusyboxHttpd.h"

#include "support/LoopbackSocket.h"
#include "support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

namespace {

constexpr auto kBusybox = "/bin/busybox";
constexpr int kStartAttempts = 3;
constexpr int kStartLimitMs = 5000;
constexpr int kPollMs = 20;

} // namespace

BusyboxHttpd::BusyboxHttpd() = default;

BusyboxHttpd::~BusyboxHttpd()
{
    m_process.stop(kStartLimitMs);
}

bool BusyboxHttpd::start()
{
    if (!QFileInfo::exists(QString::fromLatin1(kBusybox))) {
        m_errorText = u"busybox is not installed (Debian package \"busybox\")"_qs;
        return false;
    }
    m_dir = std::make_unique<QTemporaryDir>(TestEnvironment::root() + u"/busybox-XXXXXX"_qs);
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        if (startOnce())
            return true;
        m_process.stop(kStartLimitMs);
    }
    m_errorText = u"busybox httpd did not start"_qs;
    return false;
}

// A port lost to a race makes busybox end at once, so one that accepts while
// busybox still runs a moment later is its own.
bool BusyboxHttpd::startOnce()
{
    m_port = FreeLoopbackPorts(1).first();
    if (!m_process.start(QString::fromLatin1(kBusybox),
                         {u"httpd"_qs, u"-f"_qs, u"-p"_qs, u"127.0.0.1:%1"_qs.arg(m_port), u"-h"_qs, m_dir->path()}))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kStartLimitMs && m_process.isRunning()) {
        const bool accepts = LoopbackAccepts(m_port);
        QThread::msleep(kPollMs);
        if (accepts)
            return m_process.isRunning();
    }
    return false;
}

void BusyboxHttpd::putFile(const QString& name, const QByteArray& content) const
{
    QFile file(m_dir->path() + u'/' + name);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
}

QString BusyboxHttpd::url(const QString& path) const
{
    return u"http://127.0.0.1:%1%2"_qs.arg(m_port).arg(path);
}
