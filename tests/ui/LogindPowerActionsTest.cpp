#include "platform/LogindPowerActions.h"

#include "support/ChildProcess.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QThread>

namespace {

// logind's manager as far as the power calls go: it records each call with its
// argument. It lives on a thread of its own, since the calls under test block.
class FakeLogindManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    QStringList Calls() const
    {
        const QMutexLocker lock(&m_lock);
        return m_calls;
    }

public slots:
    void Suspend(bool interactive) { Record("Suspend", interactive); }
    void Hibernate(bool interactive) { Record("Hibernate", interactive); }
    void PowerOff(bool interactive) { Record("PowerOff", interactive); }

private:
    void Record(const char* method, bool interactive)
    {
        const QMutexLocker lock(&m_lock);
        m_calls << QString::fromLatin1(method) + (interactive ? QStringLiteral("(true)") : QStringLiteral("(false)"));
    }

    mutable QMutex m_lock;
    QStringList m_calls;
};

// A bus of the test's own: a dbus-daemon on a socket in the test's temporary
// folder, never the machine's system or session bus.
class PrivateBus
{
public:
    PrivateBus()
    {
        const QString folder = TestEnvironment::root();
        const QString config = folder + QStringLiteral("/private-bus.conf");
        m_addressFile = folder + QStringLiteral("/private-bus.address");
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
    ~PrivateBus() { m_daemon.stop(2000); }

    // The daemon's address once it has printed it, or empty.
    QString Address() const
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

private:
    QString m_addressFile;
    ChildProcess m_daemon;
};

TEST(LogindPowerActionsTest, EachActionIsOneNonInteractiveCallOnTheBusItWasGiven)
{
    PrivateBus privateBus;
    const QString address = privateBus.Address();
    ASSERT_FALSE(address.isEmpty()) << "dbus-daemon did not start";

    FakeLogindManager manager;
    QThread serviceThread;
    manager.moveToThread(&serviceThread);
    serviceThread.start();
    {
        QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("fake-login1"));
        ASSERT_TRUE(service.isConnected());
        ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/login1"), &manager,
                                           QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.login1")));

        const QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("vandrel-client"));
        CLogindPowerActions power(client);
        EXPECT_TRUE(power.Hibernate());
        EXPECT_EQ(manager.Calls(), QStringList{QStringLiteral("Hibernate(false)")});
        EXPECT_TRUE(power.Suspend());
        EXPECT_TRUE(power.PowerOff());
        EXPECT_EQ(manager.Calls(), (QStringList{QStringLiteral("Hibernate(false)"), QStringLiteral("Suspend(false)"),
                                                QStringLiteral("PowerOff(false)")}));
        service.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("vandrel-client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-login1"));
    serviceThread.quit();
    serviceThread.wait();
}

TEST(LogindPowerActionsTest, WithoutABusNothingHappensAndTheCallFails)
{
    const QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent"),
                                                               QStringLiteral("no-bus"));
    CLogindPowerActions power(none);
    EXPECT_FALSE(power.Suspend());
    EXPECT_FALSE(power.PowerOff());
    QDBusConnection::disconnectFromBus(QStringLiteral("no-bus"));
}

} // namespace

#include "LogindPowerActionsTest.moc"
