#pragma once

#include <functional>

// Waits of the user-interface thread that keep its windows painted: the window
// system's exposes and the repaints they ask for are handled, while user input,
// timers and sockets wait until the event loop runs again, so that nothing a
// user or a timer would start runs meanwhile (events already posted are delivered).

// Until `done` holds or `ms` have passed; true when it holds.
bool WaitPaintingUntil(const std::function<bool()>& done, int ms);
// For `ms`.
void WaitPainting(int ms);
