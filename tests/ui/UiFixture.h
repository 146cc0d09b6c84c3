#pragma once

#include "FakeDevices.h"
#include "ScriptedPrompts.h"

#include "platform/SystemTime.h"

#include <gtest/gtest.h>

#include <QList>
#include <QString>

#include <functional>

// A window test's world: fake tray, balloons and power, scripted prompts, a
// recording sleep, a fixed clock, a fresh settings file and an empty data
// folder, with the live settings back at their stored defaults.
class CDownloadItem;
class QEventLoop;
class QWidget;
class CMainFrame;

class UiFixture : public testing::Test
{
protected:
    UiFixture();
    ~UiFixture() override;

    static QString IniPath();
    static QString DataFolder();
    // Runs the deletions that deleteLater() scheduled.
    static void RunDeferredDeletes();
    // Runs the event loop from `start` until something ends it and gives its
    // code; a loop that never ends fails the test after a while (code -1).
    int RunEventLoop(const std::function<void()>& start);
    // Lets the event loop run until the condition holds, for at most a few seconds.
    static bool WaitFor(const std::function<bool()>& condition);
    // A row whose download "runs" with no worker behind it, until the test
    // clears its running flag: a download that hangs.
    static CDownloadItem* AddRow(CMainFrame& frame, bool running, bool queued = false);
    // The top-level window of that object name, or none.
    static QWidget* TopLevel(const QString& name);

    FakeTrayIcon tray;
    FakeNotifier notifier;
    FakePowerActions power;
    ScriptedPrompts prompts;
    QList<int> sleeps;            // every wait of the exit and the scheduler's stop, in ms
    std::function<void()> onSleep; // runs at each sleep
    SYSTEMTIME now;               // what the clock says
    bool foregroundIsOurs = true; // no copy reaches the URL monitor unless a test says so
    Qt::KeyboardModifiers modifiers; // the keys held

private:
    QEventLoop* m_loop = nullptr; // the loop RunEventLoop runs
};
