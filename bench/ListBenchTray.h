#pragma once

#include "app/gui/TrayIcon.h"

// A tray icon that shows nothing, so that the list benchmark never reaches the desktop.
class CListBenchTray : public ITrayIcon
{
    Q_OBJECT

public:
    bool IsTrayAvailable() const override { return false; }
    void Show(int, const QString&) override { m_bShown = true; }
    void Hide() override { m_bShown = false; }
    bool IsShown() const override { return m_bShown; }
    void SetToolTip(const QString&) override {}
    void SetIcon(int) override {}

private:
    bool m_bShown = false;
};
