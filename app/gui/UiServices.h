#pragma once

#include "platform/SystemTime.h"

#include <QString>

#include <functional>

class INotifier;
class IPowerActions;
class ITrayIcon;

// The devices and probes the windows reach the desktop through. main installs
// the production ones; tests install fakes, so that no test touches the real
// tray, the session or the system bus.
struct UiServices
{
    ITrayIcon* tray = nullptr;
    INotifier* notifier = nullptr;
    IPowerActions* power = nullptr;
    std::function<void(int ms)> sleepMs;   // the blocking waits of the scheduler's stop
    // The waits of the exit: the windows stay painted, nothing else runs.
    std::function<void(int ms)> exitWaitMs;
    std::function<SYSTEMTIME()> nowLocal;  // the local clock
    // Ends the main event loop: QCoreApplication::exit(). Tests end their own
    // loop instead, since exit() also makes every later nested loop return at once.
    std::function<void(int code)> endEventLoop;
    // A window of this program has the keyboard focus now.
    std::function<bool()> ownProcessIsForeground;
    // The modifier keys held at this moment, asked of the window system.
    std::function<Qt::KeyboardModifiers()> currentModifiers;
    // Shows the file selected in the desktop's file manager; onFailure runs
    // later, on this thread, when no file manager took the request.
    std::function<void(const QString& filePath, std::function<void()> onFailure)> showItemInFolder;
};

UiServices& Ui();

// The desktop's tray, notifications and logind, the real clock and sleep. Needs
// the QApplication; the objects live until the process ends.
void InstallProductionUiServices();
