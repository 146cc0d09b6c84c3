#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

class QMenu;

// What the user did with the tray icon.
enum class TrayEvent
{
    ContextMenu, // right click or the menu key
    DoubleClick,
    Select,      // a single click
};

// The notification-area icon. Production uses QSystemTrayIcon; tests use a
// recording fake. Icons are named by their resource ids (128 the application
// icon, 448 to 460 the animation frames).
class ITrayIcon : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Whether the desktop has a tray at all; without one the window must never
    // be hidden away where nothing can bring it back.
    virtual bool IsTrayAvailable() const = 0;

    virtual void Show(int iconId, const QString& toolTip) = 0; // adds the icon
    virtual void Hide() = 0;                                  // removes it
    virtual bool IsShown() const = 0;
    virtual void SetToolTip(const QString& toolTip) = 0;
    virtual void SetIcon(int iconId) = 0;

signals:
    void Activated(TrayEvent event, QPoint anchor);
};
