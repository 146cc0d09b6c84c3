#pragma once

#include <QString>

// One notification through the desktop's notification service
// (org.freedesktop.Notifications on the session bus), for desktops without a
// tray. Sent without waiting for an answer; false when it could not be queued.
// iconName is a freedesktop icon name ("dialog-information", "dialog-error").
bool SendDesktopNotification(const QString& title, const QString& text, const QString& iconName, int timeoutMs);
