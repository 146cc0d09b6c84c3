#include "app/gui/UiServices.h"

#include "app/gui/DesktopNotifier.h"
#include "app/gui/PaintingWait.h"
#include "app/gui/SystemTrayIcon.h"
#include "platform/FileManagerItems.h"
#include "platform/LogindPowerActions.h"
#include "platform/X11Focus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QThread>
#include <QWindow>

namespace {

// Asked of the window system at each call: Qt keeps the application active
// after its focused window was hidden and another program took the focus.
bool OwnWindowHasFocus()
{
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        std::vector<std::uint32_t> windows;
        for (QWindow* window : QGuiApplication::topLevelWindows()) {
            if (window->isVisible() && window->handle())
                windows.push_back(std::uint32_t(window->winId()));
        }
        return X11FocusIsIn(x11->connection(), windows);
    }
    const QWindow* focus = QGuiApplication::focusWindow();
    return focus && focus->isVisible() && focus->isActive();
}

} // namespace

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
    services.exitWaitMs = WaitPainting;
    services.nowLocal = [] { return GetLocalTime(); };
    // Not quit(): it would send close events to the windows first.
    services.endEventLoop = [](int code) { QCoreApplication::exit(code); };
    services.ownProcessIsForeground = OwnWindowHasFocus;
    services.currentModifiers = [] { return QGuiApplication::queryKeyboardModifiers(); };
    services.showItemInFolder = [](const QString& filePath, std::function<void()> onFailure) {
        ShowItemInFileManager(QDBusConnection::sessionBus(), filePath, std::move(onFailure));
    };
}
