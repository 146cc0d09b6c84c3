#include "app/gui/PowerOffAtExit.h"

#include "app/gui/UiServices.h"
#include "platform/PowerActions.h"

#include <utility>

namespace {

bool g_bPowerOffRequested = false; // user-interface thread only

} // namespace

void CPowerOffAtExit::Request()
{
    g_bPowerOffRequested = true;
}

void CPowerOffAtExit::RunIfRequested()
{
    if (std::exchange(g_bPowerOffRequested, false))
        Ui().power->PowerOff(); // a refusal is not reported: the program ends either way
}
