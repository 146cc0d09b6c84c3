#include "mainframe/MainFrame.h"

#include "app/AppDataFile.h"
#include "app/VandrelCore.h"
#include "app/gui/Prompts.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/CommandIds.h"
#include "mainframe/CommandTable.h"
#include "mainframe/DownloadListFile.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/TextUrlList.h"
#include "platform/ArchiveException.h"
#include "platform/BinaryReader.h"
#include "platform/BinaryWriter.h"
#include "platform/MessageFormat.h"
#include "platform/ParseUrl.h"
#include "platform/PrivatePaths.h"
#include "platform/StringTable.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QSaveFile>

#include <mutex>

namespace {

constexpr unsigned kIdsWorking = 154;
constexpr unsigned kIdsAlreadyExists = 163;
constexpr unsigned kIdsCannotSave = 188;
constexpr unsigned kIdsCannotRead = 189;
constexpr unsigned kIdsExported = 190;
constexpr unsigned kIdsImported = 191;
constexpr unsigned kIdsNoLineUsable = 295;

constexpr qint64 kMaxListInMemory = qint64(256) << 20;
// A list is written as its records fill this much: a long one needs no buffer
// of its whole size, and what is written stays in the processor's caches.
constexpr qsizetype kListWriteChunk = qsizetype(1) << 20;

constexpr int kTextFilterIndex = 1;
constexpr int kListFilterIndex = 2;

const QString kInvalidFile = QStringLiteral("Invalid file.");
const QString kListFilter = QStringLiteral("Plain text file (*.txt)|*.txt|Vandrel downloads list (*.vrl)|*.vrl||");
const QString kUnfinishedFilter = QStringLiteral("Vandrel unfinished download (*.vrldownload)|*.vrldownload||");
const QString kBadCopySuffix = QStringLiteral(".bad");


// Serialises the autosave.
std::mutex g_csDownloadList;

// The wait cursor and the "working" text for the length of one routine.
class BusyScope
{
public:
    explicit BusyScope(CMainFrame& frame) : m_frame(frame)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        frame.SetMessageText(kIdsWorking);
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

bool IsUrl(const QString& text)
{
    uint32_t serviceType = 0;
    QString server;
    QString object;
    uint16_t port = 0;
    return ParseUrl(text, serviceType, server, object, port);
}

// A copy of an autosave that could not be read, under a name no earlier copy
// has, so that the next autosave cannot destroy the records that were not read.
bool SetAsideUnreadableList(const QString& path)
{
    QString target = path + kBadCopySuffix;
    for (int n = 1; QFile::exists(target); ++n)
        target = path + kBadCopySuffix + u'.' + QString::number(n);
    return QFile::copy(path, target);
}

FileDialogResult AskListFile(QWidget* owner, bool save, const QString& filter, const QString& extension)
{
    FileDialogSpec spec;
    spec.owner = owner;
    spec.save = save;
    spec.flags = OFN_PATHMUSTEXIST | (save ? OFN_CREATEPROMPT : OFN_FILEMUSTEXIST);
    spec.filter = filter;
    spec.defaultExtension = extension;
    return Prompts().FileDialog(spec);
}

bool UnicodeLists()
{
    return SettingLoad(AppCore().m_settings.UnicodeImportExport) != 0;
}

// Writes what the archive holds and empties it.
bool WriteOut(QFileDevice& file, BinaryWriter& archive)
{
    const bool written = file.write(archive.data()) == archive.data().size();
    archive.clear();
    return written;
}

} // namespace

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
    QString path;
    if (!GetAppDataFilePath(AppDataDefaultDownloadList, path))
        return;
    // A missing file is a first start. When no copy of an unreadable one could
    // be made, exit leaves the stored list alone.
    const bool unreadable = QFile::exists(path) && !ImportList(path, true);
    m_bListLoaded = !unreadable || SetAsideUnreadableList(path);
}

void CMainFrame::SaveDownloadList()
{
    QString path;
    if (!GetAppDataFilePath(AppDataDefaultDownloadList, path))
        return;
    std::lock_guard lock(g_csDownloadList);
    const BusyScope busy(*this);
    // Written aside and renamed over the old list, which stays whole on any failure.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.setPermissions(kOwnerOnlyPermissions);
    uint32_t count = 0;
    if (WriteList(file, true, count).isEmpty())
        file.commit();
}

std::vector<CDownloadItem*> CMainFrame::ItemsToExport(bool all) const
{
    std::vector<CDownloadItem*> items;
    if (all) {
        for (int row = 0; row < m_wndView->GetItemCount(); ++row)
            items.push_back(m_wndView->GetItem(row));
    } else {
        items = SelectedItems();
    }
    // A row without a download has no record to write.
    std::erase_if(items, [](const CDownloadItem* item) { return !item->m_pDownloader; });
    return items;
}

QString CMainFrame::WriteList(QFileDevice& file, bool all, uint32_t& count) const
{
    const std::vector<CDownloadItem*> items = ItemsToExport(all);
    count = 0;
    try {
        BinaryWriter archive;
        archive.writeBytes(CDownloadListFile::EncodeHeader(uint32_t(items.size())));
        for (const CDownloadItem* item : items) {
            CDownloadListFile::WriteRecord(archive, *item);
            ++count;
            if (archive.data().size() >= kListWriteChunk && !WriteOut(file, archive))
                return file.errorString();
        }
        if (!WriteOut(file, archive) || !file.flush())
            return file.errorString();
    } catch (const CException& error) {
        return error.GetErrorMessage();
    }
    return {};
}

void CMainFrame::ShowListError(unsigned messageId, const QString& reason)
{
    AppMessageBox(this, FormatString(LoadResString(messageId), reason), MB_ICONERROR);
}

bool CMainFrame::ExportList(const QString& path, bool silent, bool all)
{
    const BusyScope busy(*this);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate, kOwnerOnlyPermissions)) {
        if (!silent)
            ShowListError(kIdsCannotSave, file.errorString());
        return false;
    }
    uint32_t count = 0;
    const QString failure = WriteList(file, all, count);
    if (!failure.isEmpty()) {
        if (!silent)
            ShowListError(kIdsCannotSave, failure);
        return false;
    }
    file.close();
    if (!silent)
        AppMessageBox(this, FormatString(LoadResString(kIdsExported), count), MB_ICONINFORMATION);
    return true;
}

bool CMainFrame::AppendUnlessDuplicate(std::unique_ptr<CDownloadItem> item)
{
    const CHttpDownloader& download = *item->m_pDownloader;
    if (m_wndView->FindItem(download.m_strUrl, download.GetDownloadUrl(), download.GetLocalFileName()))
        return false;
    m_wndView->AddItem(item.release());
    return true;
}

bool CMainFrame::ImportList(const QString& path, bool silent)
{
    const BusyScope busy(*this);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!silent)
            ShowListError(kIdsCannotRead, file.errorString());
        return false;
    }
    const std::optional<uint32_t> count = CDownloadListFile::ReadHeader(file);
    if (!count) {
        if (!silent)
            ShowListError(kIdsCannotRead, kInvalidFile);
        return false;
    }
    // The records from memory: a file device pays a system call for the size
    // check of every text. A list too large for that is read from the file.
    QByteArray records;
    QBuffer buffer(&records);
    if (file.size() <= kMaxListInMemory) {
        records = file.readAll();
        buffer.open(QIODevice::ReadOnly);
    }
    uint32_t imported = 0;
    uint32_t existing = 0;
    try {
        const RedrawOffScope redraw(m_wndView);
        BinaryReader archive(buffer.isOpen() ? static_cast<QIODevice*>(&buffer) : &file);
        for (uint32_t i = 0; i < *count; ++i)
            ++(AppendUnlessDuplicate(CDownloadListFile::ReadRecord(archive)) ? imported : existing);
    } catch (const CException& error) {
        // The rows read so far stay.
        if (!silent)
            ShowListError(kIdsCannotRead, error.GetErrorMessage());
        return false;
    }
    if (!silent)
        AppMessageBox(this, FormatString(LoadResString(kIdsImported), imported, existing), MB_ICONINFORMATION);
    return true;
}

bool CMainFrame::ImportTextList(const QString& path)
{
    const BusyScope busy(*this);
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        ShowListError(kIdsCannotRead, file.errorString());
        return false;
    }
    const QString folder = AppCore().m_settings.DefaultDownloadLocation;
    const QStringList lines = CTextUrlList::Decode(bytes, UnicodeLists());
    uint32_t imported = 0;
    uint32_t existing = 0;
    {
        const RedrawOffScope redraw(m_wndView);
        for (const QString& line : lines) {
            // A line longer than a list can store would make every later save fail.
            if (!IsUrl(line) || line.size() > CHttpDownloader::kMaxStoredTextLength)
                continue;
            if (m_wndView->FindItem(line, {}, {})) {
                ++existing;
                continue;
            }
            auto item = std::make_unique<CDownloadItem>();
            try {
                item->m_pDownloader = new CHttpDownloader(line, folder, item.get());
            } catch (const std::exception&) {
                continue; // a folder the download does not take: the line is skipped
            }
            m_wndView->AddItem(item.release());
            ++imported;
        }
    }
    // Lines that all went unused are no success: another encoding, or no list at all.
    if (imported == 0 && existing == 0 && !lines.isEmpty())
        AppMessageBox(this, FormatString(LoadResString(kIdsNoLineUsable), uint32_t(lines.size())), MB_ICONWARNING);
    else
        AppMessageBox(this, FormatString(LoadResString(kIdsImported), imported, existing), MB_ICONINFORMATION);
    return true;
}

bool CMainFrame::ExportTextList(const QString& path, bool all)
{
    const BusyScope busy(*this);
    QStringList urls;
    for (const CDownloadItem* item : ItemsToExport(all))
        urls.append(item->m_pDownloader->m_strUrl);
    QFile file(path);
    const QByteArray bytes = CTextUrlList::Encode(urls, UnicodeLists());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate, kOwnerOnlyPermissions) || file.write(bytes) != bytes.size()
        || !file.flush()) {
        ShowListError(kIdsCannotSave, file.errorString());
        return false;
    }
    AppMessageBox(this, FormatString(LoadResString(kIdsExported), uint32_t(urls.size())), MB_ICONINFORMATION);
    return true;
}

void CMainFrame::OnFileExport(int command)
{
    const FileDialogResult answer = AskListFile(this, true, kListFilter, QStringLiteral("vrl"));
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
    const FileDialogResult answer = AskListFile(this, false, kListFilter, QStringLiteral("vrl"));
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
    const FileDialogResult answer = AskListFile(this, false, kUnfinishedFilter, QStringLiteral("vrldownload"));
    if (!answer.accepted)
        return;
    auto item = std::make_unique<CDownloadItem>();
    try {
        item->m_pDownloader = new CHttpDownloader(answer.path, item.get());
    } catch (const CException& error) {
        AppMessageBox(this, error.GetErrorMessage(), MB_ICONERROR);
        return;
    }
    if (!AppendUnlessDuplicate(std::move(item))) {
        AppMessageBox(this, kIdsAlreadyExists, MB_OK);
        return;
    }
    SaveDownloadList();
}
