#pragma once

#include "app/gui/TrayIcon.h"

#include <QSystemTrayIcon>

// The tray icon on QSystemTrayIcon.
class CSystemTrayIcon : public ITrayIcon
{
    Q_OBJECT

public:
    explicit CSystemTrayIcon(QObject* parent = nullptr);

    bool IsTrayAvailable() const override;
    void Show(int iconId, const QString& toolTip) override;
    void Hide() override;
    bool IsShown() const override;
    void SetToolTip(const QString& toolTip) override;
    void SetIcon(int iconId) override;

    // A balloon at the icon; false when the icon is not shown.
    bool ShowMessage(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon, int timeoutMs);

private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon m_icon;
};
