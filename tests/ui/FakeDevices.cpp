#include "FakeDevices.h"

void FakeTrayIcon::Show(int iconId, const QString& toolTip)
{
    shown = true;
    this->toolTip = toolTip;
    icons.append(iconId);
}

bool FakeNotifier::ShowBalloon(const QString& title, const QString& text, uint32_t flags, uint32_t timeoutMs)
{
    balloons << title + u'|' + text;
    infoFlags << flags;
    timeouts << timeoutMs;
    return true;
}

bool FakePowerActions::record(const char* call)
{
    calls << QString::fromLatin1(call);
    return true;
}
