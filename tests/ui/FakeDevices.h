#pragma once

#include "app/gui/Notifier.h"
#include "app/gui/TrayIcon.h"
#include "platform/PowerActions.h"

#include <QList>
#include <QStringList>

// Recording stand-ins for the tray, the balloons and the power actions. The
// tray says a tray exists unless a test says otherwise.
class FakeTrayIcon : public ITrayIcon
{
    Q_OBJECT

public:
    bool IsTrayAvailable() const override { return available; }
    void Show(int iconId, const QString& toolTip) override;
    void Hide() override { shown = false; }
    bool IsShown() const override { return shown; }
    void SetToolTip(const QString& toolTip) override { this->toolTip = toolTip; }
    void SetIcon(int iconId) override { icons.append(iconId); }

    bool available = true;
    bool shown = false;
    QString toolTip;
    QList<int> icons; // every icon set, the first Show's included
};

class FakeNotifier : public INotifier
{
public:
    bool ShowBalloon(const QString& title, const QString& text, uint32_t flags, uint32_t timeoutMs) override;

    QStringList balloons; // "title|text"
    QList<uint32_t> infoFlags; // of each balloon, in order
    QList<uint32_t> timeouts;
};

class FakePowerActions : public IPowerActions
{
public:
    bool Suspend() override { return record("Suspend"); }
    bool Hibernate() override { return record("Hibernate"); }
    bool PowerOff() override { return record("PowerOff"); }

    QStringList calls;

private:
    bool record(const char* call);
};
