#include "mainframe/MainFrame.h"

#include "app/SettingsTypes.h"
#include "app/VandrelCore.h"
#include "app/gui/ClipboardText.h"
#include "app/gui/Prompts.h"
#include "app/gui/UiServices.h"
#include "engine/OwnFiles.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/SpeedMeterWnd.h"
#include "mainframe/ToolBarCtrlEx.h"
#include "mainframe/core/QueueTerms.h"
#include "platform/ParseUrl.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QToolBar>
#include <QUrl>

namespace {

// By command, from ID_ALLDONE_SHUTDOWN.
constexpr int32_t kAllDoneActions[] = {FinishShutDown, FinishSleep, FinishHibernate, FinishExit};

bool IsCompletedItem(const CDownloadItem& item)
{
    return item.m_pDownloader && item.m_pDownloader->m_nState == Completed;
}

bool IsResettable(const CDownloadItem& item)
{
    return !item.IsQueued() && !IsRunningItem(item);
}

// The check mark on the command of a range whose offset from the first one is
// the setting's value.
CCommandTable::RangeRule CheckedAtSetting(const int32_t& field, int first)
{
    return [&field, first](int id, CmdUI& ui) { ui.check = SettingLoad(field) == id - first ? 1 : 0; };
}

void OpenFolder(const QString& folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); // a failure is not reported
}

} // namespace

void CMainFrame::RegisterDownloadCommands()
{
    CCommandTable& commands = *m_commands;
    const auto deletable = [this](CmdUI& ui) { ui.enabled = SelectedCount() > 0 && !AnySelected(IsRunningItem); };
    commands.Add(ID_DOWNLOAD_DELETE, [this] { OnDelete(false); }, deletable);
    commands.Add(ID_DOWNLOAD_DELETE_WITH_FILES, [this] { OnDelete(true); }, deletable);
    commands.Add(ID_DOWNLOAD_RESET, [this] { OnReset(); }, [this](CmdUI& ui) {
        ui.enabled = SelectedCount() > 0
                     && !AnySelected([](const CDownloadItem& item) { return !IsResettable(item); });
    });
    commands.AddRange(ID_SCHEDULE_ADD, ID_SCHEDULE_TOGGLE, [this](int id) { OnSchedule(id); },
                      [this](int, CmdUI& ui) {
                          ui.enabled = AnySelected([](const CDownloadItem& item) { return !IsCompletedItem(item); });
                      });

    const auto oneSelected = [this](CmdUI& ui) { ui.enabled = SelectedCount() == 1; };
    commands.Add(ID_DOWNLOAD_COPY_URL, [this] { SetClipboardText(FirstSelectedItem()->m_pDownloader->m_strUrl); },
                 oneSelected);
    commands.Add(ID_DOWNLOAD_OPEN_IN_BROWSER, [this] { OnOpenInBrowser(); }, oneSelected);
    commands.Add(ID_DOWNLOAD_OPEN_LOCATION, [this] { OnOpenLocation(); }, oneSelected);
    commands.Add(ID_DOWNLOAD_OPEN_FILE, [this] { OnOpenFile(); }, [this](CmdUI& ui) {
        ui.enabled = SelectedCount() == 1 && IsCompletedItem(*FirstSelectedItem());
    });

    commands.AddRange(ID_MOVE_UP, ID_MOVE_TO_BOTTOM,
                      [this](int id) { m_wndView->MoveSelectedItems(CListCtrlEx::MoveUp + (id - ID_MOVE_UP), 0); },
                      [this](int, CmdUI& ui) {
                          const int selected = SelectedCount();
                          const int rows = m_wndView ? m_wndView->GetItemCount() : 0;
                          ui.enabled = rows > 1 && selected > 0 && selected < rows;
                      });
    commands.Add(ID_REMOVE_COMPLETED, [this] { OnRemoveCompleted(); },
                 [this](CmdUI& ui) { ui.enabled = m_wndView && m_wndView->TallyRows().completed > 0; });
    commands.Add(ID_SELECT_ALL, [this] { m_wndView->selectAll(); });
    RegisterPropertiesCommands();
    RegisterViewCommands();
}

void CMainFrame::RegisterViewCommands()
{
    CCommandTable& commands = *m_commands;
    CAppSettings& settings = AppCore().m_settings;
    commands.AddRange(ID_SPEED_UNLIMITED, ID_SPEED_LOW, [this](int id) { OnSpeed(id); },
                      CheckedAtSetting(settings.DownloadSpeed, ID_SPEED_UNLIMITED));
    commands.Add(ID_VIEW_SPEED_METER, [this, &settings] {
        const bool show = SettingLoad(settings.ShowSpeedMeter) == 0;
        SettingStore(settings.ShowSpeedMeter, show ? 1 : 0);
        m_wndSpeedMeterBar->setVisible(show);
    }, [this](CmdUI& ui) { ui.check = m_wndSpeedMeterBar && !m_wndSpeedMeterBar->isHidden() ? 1 : 0; });
    commands.AddRange(ID_SPEED_METER_DARK, ID_SPEED_METER_LIGHT, [this, &settings](int id) {
        SettingStore(settings.SpeedMeterTheme, id - ID_SPEED_METER_DARK);
        m_wndSpeedMeter->SetTheme(id - ID_SPEED_METER_DARK);
    }, CheckedAtSetting(settings.SpeedMeterTheme, ID_SPEED_METER_DARK));
    commands.AddRange(ID_SPEED_METER_BAR, ID_SPEED_METER_ANALOG, [this, &settings](int id) {
        SettingStore(settings.SpeedMeterStyle, id - ID_SPEED_METER_BAR);
        m_wndSpeedMeter->SetStyle(id - ID_SPEED_METER_BAR);
    }, CheckedAtSetting(settings.SpeedMeterStyle, ID_SPEED_METER_BAR));
    commands.AddRange(ID_ALLDONE_SHUTDOWN, ID_ALLDONE_EXIT, [&settings](int id) {
        // A second choice of the checked item turns the action off.
        const int32_t action = kAllDoneActions[id - ID_ALLDONE_SHUTDOWN];
        SettingStore(settings.AllDoneAction, SettingLoad(settings.AllDoneAction) == action ? FinishNothing : action);
    }, [&settings](int id, CmdUI& ui) {
        ui.check = SettingLoad(settings.AllDoneAction) == kAllDoneActions[id - ID_ALLDONE_SHUTDOWN] ? 1 : 0;
    });
}

CDownloadItem* CMainFrame::FirstSelectedItem() const
{
    if (!m_wndView)
        return nullptr;
    const std::vector<std::pair<int, int>> runs = m_wndView->GetSelectedRuns();
    return runs.empty() ? nullptr : m_wndView->GetItem(runs.front().first);
}

void CMainFrame::OnDelete(bool deleteFiles)
{
    const TextId question = deleteFiles ? TextId::ConfirmDeleteWithFiles : TextId::ConfirmDelete;
    if (AppMessageBox(this, question, MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    // The rows as they are now: the box's loop may have changed the selection or started rows.
    std::vector<int> rows = m_wndView->GetSelectedRows();
    std::erase_if(rows, [this](int row) { return IsRunningItem(*m_wndView->GetItem(row)); });
    m_wndView->setUpdatesEnabled(false);
    m_wndView->RemoveItems(rows, deleteFiles);
    m_wndView->setUpdatesEnabled(true);
    if (!rows.empty()) {
        SaveDownloadList();
        ProcessQueue();
    }
}

void CMainFrame::OnReset()
{
    if (AppMessageBox(this, TextId::ConfirmReset, MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    bool reset = false;
    for (CDownloadItem* item : SelectedItems()) {
        if (!IsResettable(*item))
            continue;
        item->DestroyDialog();
        item->m_pDownloader->Reset();
        reset = true;
    }
    if (reset)
        SaveDownloadList();
}

void CMainFrame::OnSchedule(int command)
{
    for (CDownloadItem* item : SelectedItems()) {
        if (command == ID_SCHEDULE_REMOVE)
            item->SetScheduled(false);
        else if (!IsCompletedItem(*item))
            item->SetScheduled(command == ID_SCHEDULE_ADD || !item->IsScheduled());
    }
    m_wndView->viewport()->repaint();
}

void CMainFrame::OnOpenInBrowser()
{
    const QString url = FirstSelectedItem()->m_pDownloader->m_strUrl;
    uint32_t service = 0;
    QString server;
    QString object;
    uint16_t port = 0;
    // Only web addresses: a file: URL from an imported list could start a
    // program or a desktop launcher.
    if (ParseUrl(url, service, server, object, port)
        && (service == AFX_INET_SERVICE_HTTP || service == AFX_INET_SERVICE_HTTPS))
        QDesktopServices::openUrl(QUrl(url));
}

void CMainFrame::OnOpenLocation()
{
    const CHttpDownloader& download = *FirstSelectedItem()->m_pDownloader;
    const QString path = download.GetLocalFileName();
    const QString folder = download.GetDownloadLocation();
    if (path.isEmpty() || !QFileInfo(path).isFile() || !Ui().showItemInFolder) {
        OpenFolder(folder);
        return;
    }
    Ui().showItemInFolder(path, [folder] { OpenFolder(folder); });
}

void CMainFrame::OnOpenFile()
{
    const CDownloadItem& item = *FirstSelectedItem();
    if (!IsCompletedItem(item))
        return;
    const CHttpDownloader& download = *item.m_pDownloader;
    // Only the download's own file, as for deleting: a crafted list could name
    // a program or a launcher.
    const QString file = OwnFilePath(download.GetLocalFileName(), download.GetDownloadLocation(),
                                     download.GetFileTitle());
    if (!file.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void CMainFrame::OnRemoveCompleted()
{
    std::vector<int> rows;
    for (int row = 0; row < m_wndView->GetItemCount(); ++row) {
        const CDownloadItem& item = *m_wndView->GetItem(row);
        // A run that has just settled Completed may not have cleared its flag yet.
        if (IsCompletedItem(item) && !IsRunningItem(item))
            rows.push_back(row);
    }
    m_wndView->setUpdatesEnabled(false);
    m_wndView->RemoveItems(rows, false);
    m_wndView->setUpdatesEnabled(true);
    if (!rows.empty())
        SaveDownloadList();
}

void CMainFrame::OnSpeed(int command)
{
    const int32_t speed = command - ID_SPEED_UNLIMITED;
    SettingStore(AppCore().m_settings.DownloadSpeed, speed);
    m_wndToolBar->SetButtonImage(m_wndToolBar->CommandToIndex(ID_SPEED_DROPDOWN), kSpeedImageBase + speed);
}
