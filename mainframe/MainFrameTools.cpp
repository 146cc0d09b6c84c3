#include "mainframe/MainFrame.h"

#include "app/VandrelCore.h"
#include "dialogs/ChecksumDialog.h"
#include "dialogs/DebugDialog.h"
#include "dialogs/HistoryDialog.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"

namespace {

bool IsCompletedItem(const CDownloadItem* item)
{
    return item->m_pDownloader && item->m_pDownloader->m_nState == Completed;
}

} // namespace

void CMainFrame::RegisterToolCommands()
{
    CCommandTable& commands = *m_commands;
    commands.Add(ID_DOWNLOAD_CHECKSUM, [this] { OnDownloadChecksum(); }, [this](CmdUI& ui) {
        ui.enabled = SelectedCount() == 1 && IsCompletedItem(FirstSelectedItem());
    });
    commands.Add(ID_HISTORY, [this] { OnHistory(); });
    commands.Add(ID_DEBUG, [this] { OnDebug(); });
}

void CMainFrame::OnDownloadChecksum()
{
    if (m_dlgChecksum->isVisible())
        return;
    const std::vector<CDownloadItem*> items = SelectedItems();
    if (items.empty() || !IsCompletedItem(items.front()))
        return;
    m_dlgChecksum->Open(items.front()->m_pDownloader->GetLocalFileName());
}

void CMainFrame::OnHistory()
{
    CHistoryDialog dialog(AppCore().m_urlsHistory, this);
    dialog.exec();
}

void CMainFrame::OnDebug()
{
    const std::vector<CDownloadItem*> items = SelectedItems();
    if (items.empty())
        return;
    // It deletes itself when closed.
    (new CDebugDialog(items.front()->m_nId, *m_wndView, this))->show();
}
