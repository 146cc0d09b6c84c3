#include "mainframe/core/ListFiles.h"

#include "app/AppDataFile.h"
#include "app/VandrelCore.h"
#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/core/DownloadListFile.h"
#include "mainframe/core/DownloadRows.h"
#include "mainframe/core/TextUrlList.h"
#include "platform/BinaryReader.h"
#include "platform/BinaryWriter.h"
#include "platform/Exception.h"
#include "platform/ParseUrl.h"
#include "platform/PrivatePaths.h"
#include "platform/WarnFailure.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>

#include <mutex>

const QString CListFiles::kInvalidFile = QStringLiteral("Invalid file.");

namespace {

constexpr qint64 kMaxListInMemory = qint64(256) << 20;
// A list is written as its records fill this much: a long one needs no buffer
// of its whole size, and what is written stays in the processor's caches.
constexpr qsizetype kListWriteChunk = qsizetype(1) << 20;

const QString kBadCopySuffix = QStringLiteral(".bad");

// Serialises the autosave.
std::mutex g_csDownloadList;

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

ListFileResult Failed(const QString& reason, uint32_t count = 0)
{
    return {.ok = false, .failure = reason, .count = count};
}

} // namespace

bool CListFiles::LoadAutosave()
{
    QString path;
    if (!GetAppDataFilePath(AppDataDefaultDownloadList, path))
        return false;
    // A missing file is a first start. When no copy of an unreadable one could
    // be made, exit leaves the stored list alone.
    const bool unreadable = QFile::exists(path) && !ImportList(path).ok;
    return !unreadable || SetAsideUnreadableList(path);
}

void CListFiles::SaveAutosave() const
{
    QString path;
    if (!GetAppDataFilePath(AppDataDefaultDownloadList, path))
        return;
    std::lock_guard lock(g_csDownloadList);
    // Written aside and renamed over the old list, which stays whole on any failure.
    QSaveFile file(path);
    QString failure;
    if (file.open(QIODevice::WriteOnly)) {
        file.setPermissions(kOwnerOnlyPermissions);
        uint32_t count = 0;
        failure = WriteList(file, true, count);
        if (failure.isEmpty() && !file.commit())
            failure = file.errorString();
    } else {
        failure = file.errorString();
    }
    if (!failure.isEmpty())
        WarnFailure("save the download list to", path, failure);
}

std::vector<CDownloadItem*> CListFiles::ItemsToExport(bool all) const
{
    std::vector<CDownloadItem*> items;
    if (all) {
        const int rows = m_rows.GetItemCount();
        items.reserve(size_t(rows));
        for (int row = 0; row < rows; ++row)
            items.push_back(m_rows.GetItem(row));
    } else {
        for (int row : m_rows.GetSelectedRows())
            items.push_back(m_rows.GetItem(row));
    }
    // A row without a download has no record to write.
    std::erase_if(items, [](const CDownloadItem* item) { return !item->m_pDownloader; });
    return items;
}

QString CListFiles::WriteList(QFileDevice& file, bool all, uint32_t& count) const
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

ListFileResult CListFiles::ExportList(const QString& path, bool all) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate, kOwnerOnlyPermissions))
        return Failed(file.errorString());
    uint32_t count = 0;
    const QString failure = WriteList(file, all, count);
    if (!failure.isEmpty())
        return Failed(failure, count);
    file.close();
    return {.ok = true, .count = count};
}

bool CListFiles::AppendUnlessDuplicate(std::unique_ptr<CDownloadItem> item)
{
    const CHttpDownloader& download = *item->m_pDownloader;
    if (m_rows.FindItem(download.m_strUrl, download.GetDownloadUrl(), download.GetLocalFileName()))
        return false;
    m_rows.AddItem(item.release());
    return true;
}

ListFileResult CListFiles::ImportList(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failed(file.errorString());
    const std::optional<uint32_t> records = CDownloadListFile::ReadHeader(file);
    if (!records)
        return Failed(kInvalidFile);
    // The records from memory: a file device pays a system call for the size
    // check of every text. A list too large for that is read from the file.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (file.size() <= kMaxListInMemory) {
        bytes = file.readAll();
        buffer.open(QIODevice::ReadOnly);
    }
    ListFileResult result{.ok = true};
    try {
        BinaryReader archive(buffer.isOpen() ? static_cast<QIODevice*>(&buffer) : &file);
        for (uint32_t i = 0; i < *records; ++i)
            ++(AppendUnlessDuplicate(CDownloadListFile::ReadRecord(archive)) ? result.count : result.existing);
    } catch (const CException& error) {
        // The rows read so far stay.
        result.ok = false;
        result.failure = error.GetErrorMessage();
    }
    return result;
}

ListFileResult CListFiles::ImportTextList(const QString& path)
{
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Failed(file.errorString());
    const QString folder = AppCore().m_settings.DefaultDownloadLocation;
    const QStringList lines = CTextUrlList::Decode(bytes, UnicodeLists());
    ListFileResult result{.ok = true};
    result.lines = uint32_t(lines.size());
    for (const QString& line : lines) {
        // A line longer than a list can store would make every later save fail.
        if (!IsUrl(line) || line.size() > CHttpDownloader::kMaxStoredTextLength)
            continue;
        if (m_rows.FindItem(line, {}, {})) {
            ++result.existing;
            continue;
        }
        auto item = std::make_unique<CDownloadItem>();
        try {
            item->m_pDownloader = new CHttpDownloader(line, folder, item.get());
        } catch (const std::exception&) {
            continue; // a folder the download does not take: the line is skipped
        }
        m_rows.AddItem(item.release());
        ++result.count;
    }
    return result;
}

ListFileResult CListFiles::ExportTextList(const QString& path, bool all) const
{
    QStringList urls;
    for (const CDownloadItem* item : ItemsToExport(all))
        urls.append(item->m_pDownloader->m_strUrl);
    QFile file(path);
    const QByteArray bytes = CTextUrlList::Encode(urls, UnicodeLists());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate, kOwnerOnlyPermissions) || file.write(bytes) != bytes.size()
        || !file.flush())
        return Failed(file.errorString());
    return {.ok = true, .count = uint32_t(urls.size())};
}

ListFileResult CListFiles::ImportUnfinished(const QString& path)
{
    auto item = std::make_unique<CDownloadItem>();
    try {
        item->m_pDownloader = new CHttpDownloader(path, item.get());
    } catch (const CException& error) {
        return Failed(error.GetErrorMessage());
    }
    const bool added = AppendUnlessDuplicate(std::move(item));
    return {.ok = true, .count = added ? 1u : 0u, .existing = added ? 0u : 1u};
}
