#pragma once

#include "platform/PowerActions.h"

#include <QDBusConnection>

// Power actions through systemd-logind (org.freedesktop.login1 on the system
// bus), without interactive authorisation: logind and polkit decide each call,
// and inhibitors are respected. Each call is a plain request; false when the bus
// or logind refused it.
class CLogindPowerActions : public IPowerActions
{
public:
    explicit CLogindPowerActions(const QDBusConnection& bus = QDBusConnection::systemBus());

    bool Suspend() override;
    bool Hibernate() override;
    bool PowerOff() override;

private:
    bool CallManager(const QString& method);

    QDBusConnection m_bus;
};
