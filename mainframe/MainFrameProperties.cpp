#include "mainframe/MainFrame.h"

#include "app/VandrelCore.h"
#include "dialogs/DownloadAuthorizationPage.h"
#include "dialogs/DownloadConnectionPage.h"
#include "dialogs/DownloadMorePage.h"
#include "dialogs/FixedDownloadDialog.h"
#include "dialogs/GroupDownloadDialog.h"
#include "dialogs/GroupDownloadGeneralPage.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"

void CMainFrame::RegisterPropertiesCommands()
{
    m_commands->Add(ID_DOWNLOAD_PROPERTIES, [this] { OnProperties(); },
                    [this](CmdUI& ui) { ui.enabled = SelectedCount() > 0; });
}

void CMainFrame::OnProperties()
{
    const std::vector<CDownloadItem*> items = SelectedItems();
    if (items.size() == 1)
        ShowPropertiesDialog(*items.front());
    else if (items.size() > 1)
        RunGroupProperties();
}

void CMainFrame::ShowPropertiesDialog(CDownloadItem& item)
{
    // One dialog per row: a second Properties brings it forward.
    auto* dialog = qobject_cast<CDownloadDialog*>(item.Dialog());
    if (!dialog) {
        dialog = new CFixedDownloadDialog(&item, this);
        item.SetDialog(dialog);
        connect(dialog, &CDownloadDialog::DownloadDialogClosed, this, &CMainFrame::OnDownloadDialogClosed);
        dialog->Create();
    }
    dialog->showNormal();
    dialog->raise();
    dialog->activateWindow();
}

void CMainFrame::RunGroupProperties()
{
    // Their own dialogs close unasked, as Cancel: the group's values would
    // otherwise be overwritten by an OK there later.
    for (CDownloadItem* item : SelectedItems()) {
        if (auto* open = qobject_cast<QWidget*>(item->Dialog()))
            open->close();
    }
    CGroupDownloadDialog dialog(this);
    if (dialog.DoModal() != QDialog::Accepted || dialog.m_nResult != ResultOk)
        return;
    const CGroupDownloadGeneralPage& general = *dialog.m_pGroupGeneralPage;
    const CDownloadAuthorizationPage& authorization = *dialog.m_pAuthorizationPage;
    const CDownloadConnectionPage& connection = *dialog.m_pConnectionPage;
    const CDownloadMorePage& more = *dialog.m_pMorePage;
    for (CDownloadItem* item : SelectedItems()) {
        CHttpDownloader& download = *item->m_pDownloader;
        // Only a download that nothing has been prepared from, and that a run
        // has not just taken up, may move.
        if (general.m_bLocationChanged && download.m_nState == NeedToPrepare && !download.m_bIsRunning)
            download.SetDownloadLocation(general.m_strLocation);
        if (general.m_bDescriptionChanged)
            download.m_strDescription = general.m_strDescription;
        if (authorization.m_bChanged)
            download.SetAuthorization(authorization.m_bUseAuthorization, authorization.m_strUserName,
                                      authorization.m_strPassword);
        if (connection.m_bChanged)
            download.SetAccessType(connection.m_nAccessType);
        if (more.m_bChanged)
            download.SetReferer(more.m_strReferer);
    }
    AppCore().m_downloadLocationsHistory.Add(general.m_strLocation, true);
    SaveDownloadList();
}
