#include "platform/LogindPowerActions.h"

#include "support/PrivateBus.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QScopeGuard>
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

TEST(LogindPowerActionsTest, EachActionIsOneNonInteractiveCallOnTheBusItWasGiven)
{
    PrivateBus privateBus;
    const QString address = privateBus.Address();
    ASSERT_FALSE(address.isEmpty()) << "dbus-daemon did not start";

    // Freed on its own thread as that ends, after the last call it served there.
    auto* manager = new FakeLogindManager;
    QThread serviceThread;
    manager->moveToThread(&serviceThread);
    QObject::connect(&serviceThread, &QThread::finished, manager, &QObject::deleteLater);
    serviceThread.start();
    // Also when an assertion ends the test early: a running thread may not be destroyed.
    const auto stopService = qScopeGuard([&serviceThread] {
        serviceThread.quit();
        serviceThread.wait();
    });
    {
        QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("fake-login1"));
        ASSERT_TRUE(service.isConnected());
        ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/login1"), manager,
                                           QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.login1")));

        const QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("vandrel-client"));
        CLogindPowerActions power(client);
        EXPECT_TRUE(power.Hibernate());
        EXPECT_EQ(manager->Calls(), QStringList{QStringLiteral("Hibernate(false)")});
        EXPECT_TRUE(power.Suspend());
        EXPECT_TRUE(power.PowerOff());
        EXPECT_EQ(manager->Calls(), (QStringList{QStringLiteral("Hibernate(false)"), QStringLiteral("Suspend(false)"),
                                                 QStringLiteral("PowerOff(false)")}));
        service.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("vandrel-client"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-login1"));
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
