#include "app/gui/UiServices.h"

#include "app/gui/DesktopNotifier.h"
#include "app/gui/SystemTrayIcon.h"
#include "platform/FileManagerItems.h"
#include "platform/LogindPowerActions.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QThread>

UiServices& Ui()
{
    static UiServices services;
    return services;
}

void InstallProductionUiServices()
{
    // Never destroyed: the frame may still reach them while the process ends.
    auto* tray = new CSystemTrayIcon;
    UiServices& services = Ui();
    services.tray = tray;
    services.notifier = new CDesktopNotifier(*tray);
    services.power = new CLogindPowerActions;
    services.sleepMs = [](int ms) { QThread::msleep(ms); };
    services.nowLocal = [] { return GetLocalTime(); };
    // Not quit(): it would send close events to the windows first.
    services.endEventLoop = [](int code) { QCoreApplication::exit(code); };
    services.ownProcessIsForeground = [] { return QGuiApplication::applicationState() == Qt::ApplicationActive; };
    services.currentModifiers = [] { return QGuiApplication::queryKeyboardModifiers(); };
    services.showItemInFolder = [](const QString& filePath, std::function<void()> onFailure) {
        ShowItemInFileManager(QDBusConnection::sessionBus(), filePath, std::move(onFailure));
    };
}
