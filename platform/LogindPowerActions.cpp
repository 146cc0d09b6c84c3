#include "platform/LogindPowerActions.h"

#include <QDBusMessage>

CLogindPowerActions::CLogindPowerActions(const QDBusConnection& bus)
    : m_bus(bus)
{
}

bool CLogindPowerActions::Suspend()
{
    return CallManager(QStringLiteral("Suspend"));
}

bool CLogindPowerActions::Hibernate()
{
    return CallManager(QStringLiteral("Hibernate"));
}

bool CLogindPowerActions::PowerOff()
{
    return CallManager(QStringLiteral("PowerOff"));
}

bool CLogindPowerActions::CallManager(const QString& method)
{
    if (!m_bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                                       QStringLiteral("/org/freedesktop/login1"),
                                                       QStringLiteral("org.freedesktop.login1.Manager"), method);
    call << false; // not interactive
    return m_bus.call(call).type() == QDBusMessage::ReplyMessage;
}
