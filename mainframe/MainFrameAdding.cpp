#include "mainframe/MainFrame.h"

#include "app/TextFormat.h"
#include "app/VandrelCore.h"
#include "app/gui/ClipboardText.h"
#include "app/gui/Prompts.h"
#include "dialogs/AddDownloadDialog.h"
#include "dialogs/AddDownloadGeneralPage.h"
#include "dialogs/DownloadAuthorizationPage.h"
#include "dialogs/DownloadConnectionPage.h"
#include "dialogs/DownloadMorePage.h"
#include "dialogs/RememberedAddSettings.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/core/DownloadQueue.h"
#include "platform/MessageFormat.h"
#include "platform/ParseUrl.h"
#include "platform/StringTable.h"

#include <QApplication>
#include <QScreen>

#include <cstdlib>
#include <memory>

namespace {

// Each add dialog opened while others are open sits one frame width to the
// right and one caption height lower than its own place.
constexpr int kCascadeX = 3;
constexpr int kCascadeY = 23;
constexpr int kAlertMs = 500;

bool IsWebAddress(const QString& text)
{
    return text.startsWith(u"http://", Qt::CaseInsensitive) || text.startsWith(u"https://", Qt::CaseInsensitive);
}

} // namespace

void CMainFrame::RegisterAddingCommands()
{
    m_commands->Add(ID_DOWNLOAD_ADD, [this] { OnDownloadAdd(); });
}

void CMainFrame::OnDownloadAdd()
{
    QString url;
    if (SettingLoad(AppCore().m_settings.AutoFillDownloadAddress) && GetClipboardText(&url)) {
        url = url.trimmed();
        if (!IsWebAddress(url))
            url.clear();
    }
    ShowAddDownloadDialog(url, false);
}

void CMainFrame::ShowAddDownloadDialog(const QString& url, bool fromOutside)
{
    auto* dialog = new CAddDownloadDialog(this);
    dialog->m_pAddGeneralPage->m_strUrl = url;
    dialog->Create();
    connect(dialog, &CDownloadDialog::DownloadDialogClosed, this, &CMainFrame::OnDownloadDialogClosed);
    const bool keepOnTop = fromOutside && SettingLoad(AppCore().m_settings.URLMonitorKeepOnTop);
    if (keepOnTop)
        dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog->adjustSize();
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    QRect place = dialog->frameGeometry();
    place.moveCenter(screen->availableGeometry().center());
    dialog->move(place.topLeft() + QPoint(kCascadeX, kCascadeY) * m_nOpenAddDialogs);
    // A copy in another program must not take its keyboard: the user's next keys
    // would replace the address. The dialog takes the focus when clicked.
    dialog->setAttribute(Qt::WA_ShowWithoutActivating, fromOutside);
    dialog->show();
    dialog->raise();
    if (!fromOutside)
        dialog->activateWindow();
    if (fromOutside && !keepOnTop)
        QApplication::alert(dialog, kAlertMs);
    ++m_nOpenAddDialogs;
}

void CMainFrame::OnDownloadDialogClosed(CDownloadDialog* dialog)
{
    // A modal dialog belongs to the code that runs it.
    if (!dialog || dialog->m_bModal)
        return;
    if (dialog->m_nType == DialogTypeAdd) {
        AddDownloadsFromDialog(*dialog);
        if (m_nOpenAddDialogs > 0)
            --m_nOpenAddDialogs;
    } else if (dialog->m_nType == DialogTypeFixed && dialog->m_pItem && dialog->m_pItem->Dialog() == dialog) {
        dialog->m_pItem->SetDialog(nullptr);
    }
    dialog->deleteLater();
}

void CMainFrame::AddDownloadsFromDialog(const CDownloadDialog& dialog)
{
    if (dialog.m_nResult != ResultStart && dialog.m_nResult != ResultLater)
        return;
    const CAddDownloadGeneralPage& general = *dialog.m_pAddGeneralPage;
    const CDownloadAuthorizationPage& authorization = *dialog.m_pAuthorizationPage;
    // 64 bits: the counter may step past the largest 32-bit value and end there.
    int64_t from = 0;
    int64_t to = 0;
    int64_t step = 1;
    if (general.m_bGroup) {
        from = std::abs(int64_t(general.m_nFrom));
        to = std::abs(int64_t(general.m_nTo));
        step = std::max<int64_t>(std::abs(int64_t(general.m_nStep)), 1);
        if (from > to)
            step = -step;
    }
    const NewDownload values{general.m_strLocation,
                             general.m_strDescription,
                             authorization.m_bUseAuthorization,
                             authorization.m_strUserName,
                             authorization.m_strPassword,
                             dialog.m_pConnectionPage->m_nAccessType,
                             dialog.m_pMorePage->m_strReferer};
    AddCounts counts;
    for (int64_t counter = from; step > 0 ? counter <= to : counter >= to; counter += step) {
        const QString url = general.m_bGroup ? ExpandCounterPattern(general.m_strUrl, uint32_t(counter))
                                             : general.m_strUrl;
        if (CDownloadItem* item = AddDownload(url, values, counts)) {
            if (dialog.m_nResult == ResultStart)
                StartOrQueue(item);
            else if (general.m_bGetInfo)
                item->m_pDownloader->Start(true);
        }
        if (counts.cancelAll)
            break;
    }
    if (counts.added > 0) {
        SaveDownloadList();
        AppCore().m_downloadLocationsHistory.Add(values.folder, true);
    }
    if (counts.existing > 0)
        AppMessageBox(this, TextId::AlreadyExists, MB_OK);
}

bool CMainFrame::AskDownloadAgain(const QString& url, bool& cancelAll)
{
    const CHistory& history = AppCore().m_urlsHistory;
    for (int slot = 0; const CHistory::CHistoryItem* entry = history.GetItem(slot); ++slot) {
        if (entry->GetText().compare(url, Qt::CaseInsensitive) != 0)
            continue;
        const SYSTEMTIME& time = entry->GetTime();
        const QString question = FormatString(LoadResString(TextId::DownloadedBefore), uint32_t(time.wMonth),
                                              uint32_t(time.wDay), uint32_t(time.wYear));
        const int answer = AppMessageBox(this, question, MB_YESNOCANCEL | MB_ICONQUESTION);
        cancelAll = answer == IDCANCEL;
        return answer == IDYES;
    }
    return true;
}

CDownloadItem* CMainFrame::AddDownload(const QString& url, const NewDownload& values, AddCounts& counts)
{
    if (m_wndView->FindItem(url, {}, {})) {
        ++counts.existing;
        return nullptr;
    }
    if (SettingLoad(AppCore().m_settings.CheckHistory) && !AskDownloadAgain(url, counts.cancelAll))
        return nullptr;
    auto item = std::make_unique<CDownloadItem>();
    try {
        item->m_pDownloader = new CHttpDownloader(url, values.folder, item.get());
    } catch (const std::exception&) {
        return nullptr; // a folder the download does not take
    }
    CHttpDownloader& download = *item->m_pDownloader;
    download.m_strDescription = values.description;
    download.SetAuthorization(values.useAuthorization, values.userName, values.password);
    download.SetAccessType(values.accessType);
    download.SetReferer(values.referer);
    m_wndView->AddItem(item.get());
    ++counts.added;
    AppCore().m_urlsHistory.Add(url, false);
    return item.release();
}

void CMainFrame::AddDroppedUrl(const QString& dropped)
{
    const QString text = dropped.trimmed();
    uint32_t service = 0;
    QString server;
    QString object;
    uint16_t port = 0;
    if (!ParseUrl(text, service, server, object, port)) {
        AppMessageBox(this, TextId::ParseUrlFailed, MB_OK);
        return;
    }
    if (service != AFX_INET_SERVICE_HTTP && service != AFX_INET_SERVICE_HTTPS) {
        AppMessageBox(this, TextId::UnsupportedSchemeEnterHttp, MB_OK);
        return;
    }
    // A list could not keep it.
    if (text.size() > CHttpDownloader::kMaxStoredTextLength) {
        AppMessageBox(this, TextId::UrlTooLong, MB_OK);
        return;
    }
    const RememberedAddSettings& remembered = g_rememberedAddSettings;
    if (!remembered.m_bRemember) {
        ShowAddDownloadDialog(text, false);
        return;
    }
    // The quick add: not started, and saved with the list's next save.
    AddCounts counts;
    const NewDownload values{remembered.m_strLocation,       remembered.m_strDescription,
                             remembered.m_bUseAuthorization, remembered.m_strUserName,
                             remembered.m_strPassword,       remembered.m_nAccessType,
                             remembered.m_strReferer};
    if (CDownloadItem* item = AddDownload(text, values, counts)) {
        if (remembered.m_bGetInfo)
            item->m_pDownloader->Start(true);
    } else if (counts.existing > 0) {
        AppMessageBox(this, TextId::AlreadyExists, MB_OK);
    }
}

void CMainFrame::PauseItem(CDownloadItem* item)
{
    CDownloadQueue::Pause(*item);
    ProcessQueue();
}

void CMainFrame::RefreshItemDialogs(const std::vector<CDownloadItem*>& withDialog)
{
    for (CDownloadItem* item : withDialog) {
        if (auto* dialog = qobject_cast<CDownloadDialog*>(item->Dialog()))
            dialog->RefreshFromItem();
    }
}
