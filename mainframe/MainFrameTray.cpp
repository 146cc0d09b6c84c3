#include "mainframe/MainFrame.h"

#include "app/TextFormat.h"
#include "app/VandrelCore.h"
#include "app/gui/Notifier.h"
#include "app/gui/TrayIcon.h"
#include "app/gui/UiServices.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "platform/StringTable.h"

#include <QMenu>

namespace {

// The shell's balloon fields hold 64 and 256 units with their terminators.
constexpr qsizetype kBalloonTitleUnits = 63;
constexpr qsizetype kBalloonTextUnits = 255;
constexpr uint32_t kDoneBalloonMs = 10000;

constexpr int kSeparator = 0;

} // namespace

void CMainFrame::ConnectTrayIcon()
{
    m_commands->Add(ID_TRAY_OPEN, [this] { OnTrayOpen(); });
    CreateTrayMenu();
    connect(Ui().tray, &ITrayIcon::Activated, this, &CMainFrame::OnTrayNotify);
}

void CMainFrame::CreateTrayMenu()
{
    struct Item
    {
        int id;
        const char* text;
    };
    static constexpr Item kItems[] = {
        {ID_TRAY_OPEN, "打开(&O)"},  {ID_DOWNLOAD_ADD, "添加下载(&A)..."}, {kSeparator, nullptr},
        {ID_START_ALL, "全部开始"},  {ID_PAUSE_ALL, "全部暂停"},           {kSeparator, nullptr},
        {ID_URL_MONITOR, "URL 监控"}, {ID_OPTIONS, "选项(&T)..."},         {kSeparator, nullptr},
        {ID_APP_EXIT, "退出(&X)"},
    };
    m_menuTray = new QMenu(this);
    for (const Item& item : kItems) {
        if (item.id == kSeparator)
            m_menuTray->addSeparator();
        else
            m_menuTray->addAction(m_commands->CreateAction(item.id, QString::fromUtf8(item.text), m_menuTray));
    }
    m_menuTray->setDefaultAction(CCommandTable::FindAction(m_menuTray, ID_TRAY_OPEN));
    m_commands->WatchMenu(m_menuTray);
}

void CMainFrame::OnTrayNotify(TrayEvent event, QPoint anchor)
{
    switch (event) {
    case TrayEvent::ContextMenu: m_menuTray->popup(anchor); break;
    case TrayEvent::DoubleClick: OnTrayOpen(); break;
    case TrayEvent::Select: break; // a single click does nothing
    }
}

void CMainFrame::OnTrayOpen()
{
    showNormal();
    raise();
    activateWindow();
    ShowHiddenOwnedWindows();
}

bool CMainFrame::ShowBalloon(const QString& title, const QString& text, uint32_t infoFlags, uint32_t timeoutMs)
{
    return Ui().notifier->ShowBalloon(CutUtf16(title, kBalloonTitleUnits), CutUtf16(text, kBalloonTextUnits),
                                      infoFlags, timeoutMs);
}

void CMainFrame::NotifyDownloadDone(const CDownloadItem* item)
{
    if (!item || !item->m_pDownloader)
        return;
    const CHttpDownloader& download = *item->m_pDownloader;
    const CAppSettings& settings = AppCore().m_settings;
    const int32_t state = download.m_nState;
    if (IsFailedState(state)) {
        if (SettingLoad(settings.NotifyFail)) {
            const QString name = download.GetFileTitle();
            ShowBalloon(LoadResString(TextId::DownloadFailed), name.isEmpty() ? download.m_strUrl : name, NIIF_ERROR,
                        kDoneBalloonMs);
        }
        return;
    }
    if (state != Completed)
        return;
    if (SettingLoad(settings.NotifyAllComplete) && CountWaiting() == 0)
        ShowBalloon(LoadResString(TextId::AllCompletedTitle), LoadResString(TextId::AllCompletedText), NIIF_INFO,
                    kDoneBalloonMs);
    else if (SettingLoad(settings.NotifyComplete))
        ShowBalloon(LoadResString(TextId::DownloadCompleted), download.GetFileTitle(), NIIF_INFO, kDoneBalloonMs);
}
