#pragma once

#include "app/gui/Notifier.h"

class CSystemTrayIcon;

// Balloons at the tray icon where the desktop has a tray, else through the
// desktop's notification service.
class CDesktopNotifier : public INotifier
{
public:
    explicit CDesktopNotifier(CSystemTrayIcon& tray) : m_tray(tray) {}

    bool ShowBalloon(const QString& title, const QString& text, uint32_t infoFlags, uint32_t timeoutMs) override;

private:
    CSystemTrayIcon& m_tray;
};
