#include "ListBenchRows.h"

#include "engine/DownloadItem.h"
#include "engine/HttpDownloader.h"
#include "mainframe/DownloadsView.h"
#include "mainframe/core/DownloadListFile.h"
#include "platform/BinaryWriter.h"

#include <QFile>

#include <memory>

namespace {

constexpr int kKinds = 10; // of which kCompletedKinds are Completed
constexpr int kCompletedKinds = 5;
constexpr int kLongEvery = 7;
constexpr int kFolders = 20;
constexpr int kSectionsPerRun = 8;
constexpr uint32_t kSectionRate = 512 * 1024;
constexpr uint64_t kSizeStep = 7'919'003;
constexpr uint64_t kSizeRange = 5'000'000'000;
constexpr uint64_t kTicksPerSecond = 10'000'000;

const QString kLongText = QStringLiteral("这是一段很长的说明文字，用来检验列表在长文本下的表现；").repeated(30);

QString Title(int row)
{
    QString title = QStringLiteral("第%1号文件_季度报告与数据备份").arg(row);
    if (row % kLongEvery == 0)
        title += QStringLiteral("_附加的长名称部分").repeated(12);
    return title + QStringLiteral(".zip");
}

QString Url(int row)
{
    return QStringLiteral("https://下载.example.cn/资源/目录/%1/").arg(row % 97)
        + QStringLiteral("子目录/").repeated(row % kLongEvery == 0 ? 30 : 2) + QStringLiteral("文件%1.zip").arg(row);
}

void Fill(CHttpDownloader& download, int row)
{
    const int kind = row % kKinds;
    const QString title = Title(row);
    download.SetDownloadUrl(QStringLiteral("https://mirror%1.example.cn/f/%2.zip").arg(row % 13).arg(row));
    download.SetFileTitle(title);
    download.m_strDescription = row % kLongEvery == 0 ? kLongText : QStringLiteral("备份 %1").arg(row);
    download.m_bGotFileSize = 1;
    download.m_bAcceptRanges = 1;
    download.m_nFileSize = 1 + uint64_t(row) * kSizeStep % kSizeRange;
    download.m_nWholeDownloadTime = uint64_t(row % 5000) * kTicksPerSecond;
    download.m_timeAdded.wMonth = uint16_t(1 + row % 12);
    download.m_timeAdded.wDay = uint16_t(1 + row % 28);
    download.m_timeAdded.wMinute = uint16_t(row % 60);
    if (kind < kCompletedKinds) {
        download.m_nState = Completed;
        download.SetLocalFileName(download.m_strDownloadLocation + u'/' + title);
    }
}

void AddSection(CHttpDownloader& download, uint64_t start, uint64_t end, uint64_t done, bool working)
{
    auto section = std::make_unique<CSection>();
    section->m_pDownloader = &download;
    section->m_nIndex = int32_t(download.m_sections.size());
    section->m_nRangeStartInitial = start;
    section->m_nRangeStart = start + done;
    section->m_nRangeEnd = end;
    section->m_bIsWorking = working;
    section->m_nTransferRate = working ? kSectionRate : 0;
    download.AppendSection(std::move(section));
}

// Sections a third done.
void GiveProgress(CHttpDownloader& download, bool working)
{
    download.DeleteSections();
    const uint64_t part = download.m_nFileSize / kSectionsPerRun;
    for (int k = 0; k < kSectionsPerRun; ++k) {
        const uint64_t start = uint64_t(k) * part;
        const uint64_t end = k + 1 == kSectionsPerRun ? download.m_nFileSize - 1 : start + part - 1;
        AddSection(download, start, end, (end - start) / 3, working);
    }
}

void Vary(CHttpDownloader& download, int row)
{
    switch (row % kKinds) {
    case 7:
        download.m_nState = Paused;
        GiveProgress(download, false);
        break;
    case 8:
        download.m_nState = TransferringFailed;
        download.m_pError->SetError(TextId::Failed, QStringLiteral("连接被服务器重置"));
        break;
    case 9:
        download.m_nState = Prepared;
        download.m_bGotFileSize = 0;
        break;
    default:
        break;
    }
}

} // namespace

bool CListBenchRows::Write(const QString& path, int rows)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    BinaryWriter archive;
    archive.writeBytes(CDownloadListFile::EncodeHeader(uint32_t(rows)));
    for (int row = 0; row < rows; ++row) {
        CDownloadItem item;
        const QString folder = QStringLiteral("/home/用户/下载/分类%1").arg(row % kFolders);
        item.m_pDownloader = new CHttpDownloader(Url(row), folder, &item);
        Fill(*item.m_pDownloader, row);
        CDownloadListFile::WriteRecord(archive, item);
    }
    return file.write(archive.data()) == archive.data().size() && file.flush();
}

void CListBenchRows::MakeLive(CDownloadsView& view)
{
    for (int row = 0; row < view.GetItemCount(); ++row) {
        CDownloadItem& item = *view.GetItem(row);
        CHttpDownloader& download = *item.m_pDownloader;
        // As a run's start would: the list hears of it.
        item.Wake();
        if (row < kRunningRows) {
            download.m_bIsRunning = 1;
            download.m_nState = Transferring;
            GiveProgress(download, true);
        } else if (row < kRunningRows + kPreparingRows) {
            download.m_bIsRunning = 1;
            download.m_nState = Preparing;
            download.m_bGotFileSize = 0;
        } else if (download.m_nState != Completed) {
            Vary(download, row);
        }
    }
}

void CListBenchRows::StopLive(CDownloadsView& view)
{
    for (int row = 0; row < view.GetItemCount(); ++row) {
        CHttpDownloader& download = *view.GetItem(row)->m_pDownloader;
        if (download.m_bIsRunning) {
            download.m_bIsRunning = 0;
            download.m_nState = Paused;
        }
    }
}
