#pragma once

#include "platform/SystemTime.h"

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
    std::function<void(int ms)> sleepMs;   // the blocking waits of the exit
    std::function<SYSTEMTIME()> nowLocal;  // the local clock
    // Ends the main event loop: QCoreApplication::exit(). Tests end their own
    // loop instead, since exit() also makes every later nested loop return at once.
    std::function<void(int code)> endEventLoop;
};

UiServices& Ui();

// The desktop's tray, notifications and logind, the real clock and sleep. Needs
// the QApplication; the objects live until the process ends.
void InstallProductionUiServices();
