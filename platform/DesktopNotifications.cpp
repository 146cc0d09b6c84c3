#include "platform/DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

bool SendDesktopNotification(const QString& title, const QString& text, const QString& iconName, int timeoutMs)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("/org/freedesktop/Notifications"),
                                                       QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("Notify"));
    // app name, id to replace, icon, summary, body, actions, hints, expiry
    call << QStringLiteral("Vandrel") << 0u << iconName << title << text << QStringList() << QVariantMap()
         << timeoutMs;
    return QDBusConnection::sessionBus().send(call);
}
