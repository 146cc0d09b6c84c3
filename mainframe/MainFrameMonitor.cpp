#include "mainframe/MainFrame.h"

#include "app/VandrelCore.h"
#include "app/gui/ClipboardText.h"
#include "app/gui/UiServices.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"

#include <QClipboard>
#include <QGuiApplication>

void CMainFrame::RegisterMonitorCommands()
{
    m_commands->Add(ID_URL_MONITOR, [this] {
        CAppSettings& settings = AppCore().m_settings;
        SettingStore(settings.URLMonitor, SettingLoad(settings.URLMonitor) ? 0 : 1);
        UpdateClipboardListener();
    }, [](CmdUI& ui) { ui.check = SettingLoad(AppCore().m_settings.URLMonitor) ? 1 : 0; });
}

void CMainFrame::UpdateClipboardListener()
{
    // Unique: the settings are applied again after every options OK, and one copy
    // must still open one dialog.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (SettingLoad(AppCore().m_settings.URLMonitor))
        connect(clipboard, &QClipboard::dataChanged, this, &CMainFrame::OnClipboardUpdate, Qt::UniqueConnection);
    else
        disconnect(clipboard, &QClipboard::dataChanged, this, &CMainFrame::OnClipboardUpdate);
}

void CMainFrame::OnClipboardUpdate()
{
    // Copies made inside the program, in its list or its dialogs, never count.
    if (Ui().ownProcessIsForeground())
        return;
    const CAppSettings& settings = AppCore().m_settings;
    const Qt::KeyboardModifiers keys = Ui().currentModifiers();
    if (SettingLoad(settings.URLMonitorIgnoreIfCtrlKeyPressed) && keys.testFlag(Qt::ControlModifier))
        return;
    QString text;
    if (!GetClipboardText(&text))
        return;
    const std::optional<QString> taken = CUrlMonitor::TextToTake(settings, text, keys.testFlag(Qt::ShiftModifier));
    if (!taken || m_urlMonitor.IsEcho(*taken))
        return;
    ShowAddDownloadDialog(*taken, true);
}
