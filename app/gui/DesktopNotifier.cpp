#include "app/gui/DesktopNotifier.h"

#include "app/gui/SystemTrayIcon.h"
#include "platform/DesktopNotifications.h"

bool CDesktopNotifier::ShowBalloon(const QString& title, const QString& text, uint32_t infoFlags, uint32_t timeoutMs)
{
    const bool error = infoFlags == NIIF_ERROR;
    if (m_tray.IsTrayAvailable()) {
        const auto icon = error ? QSystemTrayIcon::Critical
                                : infoFlags == NIIF_WARNING ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information;
        return m_tray.ShowMessage(title, text, icon, int(timeoutMs));
    }
    const QString iconName = error ? QStringLiteral("dialog-error") : QStringLiteral("dialog-information");
    return SendDesktopNotification(title, text, iconName, int(timeoutMs));
}
