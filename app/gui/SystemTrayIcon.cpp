#include "app/gui/SystemTrayIcon.h"

#include "app/gui/AppIcons.h"

#include <QCursor>

CSystemTrayIcon::CSystemTrayIcon(QObject* parent)
    : ITrayIcon(parent)
{
    connect(&m_icon, &QSystemTrayIcon::activated, this, &CSystemTrayIcon::OnActivated);
}

bool CSystemTrayIcon::IsTrayAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CSystemTrayIcon::Show(int iconId, const QString& toolTip)
{
    m_icon.setIcon(AppIcon(iconId));
    m_icon.setToolTip(toolTip);
    m_icon.show();
}

void CSystemTrayIcon::Hide()
{
    m_icon.hide();
}

bool CSystemTrayIcon::IsShown() const
{
    return m_icon.isVisible();
}

void CSystemTrayIcon::SetToolTip(const QString& toolTip)
{
    // Unchanged values are not sent again: each change is a bus signal on some desktops.
    if (m_icon.toolTip() != toolTip)
        m_icon.setToolTip(toolTip);
}

void CSystemTrayIcon::SetIcon(int iconId)
{
    m_icon.setIcon(AppIcon(iconId));
}

bool CSystemTrayIcon::ShowMessage(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon icon,
                                  int timeoutMs)
{
    if (!m_icon.isVisible())
        return false;
    m_icon.showMessage(title, text, icon, timeoutMs);
    return true;
}

void CSystemTrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Context: emit Activated(TrayEvent::ContextMenu, QCursor::pos()); break;
    case QSystemTrayIcon::DoubleClick: emit Activated(TrayEvent::DoubleClick, QCursor::pos()); break;
    case QSystemTrayIcon::Trigger: emit Activated(TrayEvent::Select, QCursor::pos()); break;
    default: break;
    }
}
