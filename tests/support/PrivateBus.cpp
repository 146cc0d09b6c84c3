#include "support/PrivateBus.h"

#include "support/TestEnvironment.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

PrivateBus::PrivateBus()
{
    const QString folder = TestEnvironment::root();
    const QString config = folder + QStringLiteral("/private-bus.conf");
    m_addressFile = folder + QStringLiteral("/private-bus.address");
    QFile::remove(m_addressFile); // an address left by an earlier bus must not be taken
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\""
                              " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                              "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                              "<auth>EXTERNAL</auth><policy context=\"default\">"
                              "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
                              "</policy></busconfig>\n")
                   .arg(folder)
                   .toUtf8());
    file.close();
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--nofork"), QStringLiteral("--config-file=") + config,
                    QStringLiteral("--print-address")},
                   m_addressFile);
}

PrivateBus::~PrivateBus()
{
    m_daemon.stop(2000);
}

QString PrivateBus::Address() const
{
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        QFile file(m_addressFile);
        for (const QByteArray& line : file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QByteArrayList()) {
            if (line.startsWith("unix:"))
                return QString::fromUtf8(line.trimmed());
        }
        QThread::msleep(20);
    }
    return {};
}
