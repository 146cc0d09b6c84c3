#include "mainframe/MainFrame.h"

#include "app/gui/Prompts.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/core/ListFiles.h"
#include "platform/MessageFormat.h"
#include "platform/StringTable.h"

#include <QApplication>
#include <QFileInfo>

namespace {

constexpr int kTextFilterIndex = 1;
constexpr int kListFilterIndex = 2;

const QString kListFilter = QStringLiteral("Plain text file (*.txt)|*.txt|Vandrel downloads list (*.vrl)|*.vrl||");
const QString kUnfinishedFilter = QStringLiteral("Vandrel unfinished download (*.vrldownload)|*.vrldownload||");

// The wait cursor and the "working" text for the length of one routine.
class BusyScope
{
public:
    explicit BusyScope(CMainFrame& frame) : m_frame(frame)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        frame.SetMessageText(TextId::Working);
    }
    // The pane shows again what it would without the work.
    ~BusyScope()
    {
        QApplication::restoreOverrideCursor();
        m_frame.OnItemChanged();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    CMainFrame& m_frame;
};

// Rows are appended without a repaint each.
class RedrawOffScope
{
public:
    explicit RedrawOffScope(QWidget* view) : m_view(view) { m_view->setUpdatesEnabled(false); }
    ~RedrawOffScope() { m_view->setUpdatesEnabled(true); }
    RedrawOffScope(const RedrawOffScope&) = delete;
    RedrawOffScope& operator=(const RedrawOffScope&) = delete;

private:
    QWidget* m_view;
};

} // namespace

FileDialogResult CMainFrame::AskListFile(bool save, const QString& filter, const QString& extension)
{
    FileDialogSpec spec;
    spec.owner = this;
    spec.save = save;
    spec.flags = OFN_PATHMUSTEXIST | (save ? OFN_CREATEPROMPT : OFN_FILEMUSTEXIST);
    spec.filter = filter;
    spec.defaultExtension = extension;
    spec.folder = DialogStartFolder(m_strListFolder);
    const FileDialogResult answer = Prompts().FileDialog(spec);
    if (answer.accepted)
        m_strListFolder = QFileInfo(answer.path).absolutePath();
    return answer;
}

void CMainFrame::RegisterListFileCommands()
{
    m_commands->Add(ID_FILE_EXPORT_SELECTED, [this] { OnFileExport(ID_FILE_EXPORT_SELECTED); },
                    [this](CmdUI& ui) { ui.enabled = SelectedCount() > 0; });
    m_commands->Add(ID_FILE_EXPORT_ALL, [this] { OnFileExport(ID_FILE_EXPORT_ALL); });
    m_commands->Add(ID_FILE_IMPORT, [this] { OnFileImport(); });
    m_commands->Add(ID_FILE_IMPORT_UNFINISHED, [this] { OnFileImportUnfinished(); });
}

void CMainFrame::LoadDownloadList()
{
    const BusyScope busy(*this);
    const RedrawOffScope redraw(m_wndView);
    m_bListLoaded = m_listFiles->LoadAutosave();
}

void CMainFrame::SaveDownloadList()
{
    const BusyScope busy(*this);
    m_listFiles->SaveAutosave();
}

void CMainFrame::ShowListError(TextId messageId, const QString& reason)
{
    AppMessageBox(this, FormatString(LoadResString(messageId), reason), MB_ICONERROR);
}

bool CMainFrame::ExportList(const QString& path, bool silent, bool all)
{
    const BusyScope busy(*this);
    const ListFileResult result = m_listFiles->ExportList(path, all);
    if (silent)
        return result.ok;
    if (!result.ok)
        ShowListError(TextId::CannotSaveList, result.failure);
    else
        AppMessageBox(this, FormatString(LoadResString(TextId::Exported), result.count), MB_ICONINFORMATION);
    return result.ok;
}

bool CMainFrame::ImportList(const QString& path, bool silent)
{
    const BusyScope busy(*this);
    ListFileResult result;
    {
        const RedrawOffScope redraw(m_wndView);
        result = m_listFiles->ImportList(path);
    }
    if (silent)
        return result.ok;
    if (!result.ok)
        ShowListError(TextId::CannotReadList, result.failure);
    else
        AppMessageBox(this, FormatString(LoadResString(TextId::Imported), result.count, result.existing),
                      MB_ICONINFORMATION);
    return result.ok;
}

bool CMainFrame::ImportTextList(const QString& path)
{
    const BusyScope busy(*this);
    ListFileResult result;
    {
        const RedrawOffScope redraw(m_wndView);
        result = m_listFiles->ImportTextList(path);
    }
    if (!result.ok)
        ShowListError(TextId::CannotReadList, result.failure);
    // Lines that all went unused are no success: another encoding, or no list at all.
    else if (result.count == 0 && result.existing == 0 && result.lines > 0)
        AppMessageBox(this, FormatString(LoadResString(TextId::NoLineUsable), result.lines), MB_ICONWARNING);
    else
        AppMessageBox(this, FormatString(LoadResString(TextId::Imported), result.count, result.existing),
                      MB_ICONINFORMATION);
    return result.ok;
}

bool CMainFrame::ExportTextList(const QString& path, bool all)
{
    const BusyScope busy(*this);
    const ListFileResult result = m_listFiles->ExportTextList(path, all);
    if (!result.ok)
        ShowListError(TextId::CannotSaveList, result.failure);
    else
        AppMessageBox(this, FormatString(LoadResString(TextId::Exported), result.count), MB_ICONINFORMATION);
    return result.ok;
}

void CMainFrame::OnFileExport(int command)
{
    const FileDialogResult answer = AskListFile(true, kListFilter, QStringLiteral("vrl"));
    if (!answer.accepted)
        return;
    const bool all = command == ID_FILE_EXPORT_ALL;
    if (answer.filterIndex == kTextFilterIndex)
        ExportTextList(answer.path, all);
    else if (answer.filterIndex == kListFilterIndex)
        ExportList(answer.path, false, all);
}

void CMainFrame::OnFileImport()
{
    const FileDialogResult answer = AskListFile(false, kListFilter, QStringLiteral("vrl"));
    if (!answer.accepted)
        return;
    bool imported = false;
    if (answer.filterIndex == kTextFilterIndex)
        imported = ImportTextList(answer.path);
    else if (answer.filterIndex == kListFilterIndex)
        imported = ImportList(answer.path, false);
    if (imported)
        SaveDownloadList();
}

void CMainFrame::OnFileImportUnfinished()
{
    const FileDialogResult answer = AskListFile(false, kUnfinishedFilter, QStringLiteral("vrldownload"));
    if (!answer.accepted)
        return;
    const ListFileResult result = m_listFiles->ImportUnfinished(answer.path);
    if (!result.ok)
        AppMessageBox(this, result.failure, MB_ICONERROR);
    else if (result.existing > 0)
        AppMessageBox(this, TextId::AlreadyExists, MB_OK);
    else
        SaveDownloadList();
}
