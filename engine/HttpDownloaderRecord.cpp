#include "engine/HttpDownloader.h"

#include "engine/DownloadStub.h"
#include "engine/HttpDownloaderException.h"
#include "engine/InvalidArgException.h"
#include "engine/OwnFiles.h"
#include "engine/SafeFileName.h"
#include "platform/ArchiveException.h"
#include "platform/BinaryReader.h"
#include "platform/BinaryWriter.h"
#include "platform/PosixFile.h"

#include <QFileInfo>

namespace {

constexpr qsizetype kMaxErrorDetail = 511;

template <typename T> T Read(BinaryReader& archive, bool (BinaryReader::*read)(T*))
{
    T value{};
    if (!(archive.*read)(&value))
        throw CArchiveException(CArchiveException::EndOfFile);
    return value;
}

// The count is checked before anything is allocated or read.
QString ReadText(BinaryReader& archive)
{
    const int32_t count = Read(archive, &BinaryReader::readInt32);
    if (count < 0 || count > CHttpDownloader::kMaxStoredTextLength)
        throw CArchiveException(CArchiveException::BadTextLength);
    QString text;
    if (!archive.readUnits(count, &text))
        throw CArchiveException(CArchiveException::EndOfFile);
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

void ReadRecord(CHttpDownloader& download, BinaryReader& archive)
{
    download.m_nState = Read(archive, &BinaryReader::readInt32);
    download.m_timeAdded = Read(archive, &BinaryReader::readSystemTime);
    download.SetLastModified(Read(archive, &BinaryReader::readSystemTime));
    download.m_strUrl = ReadText(archive);
    download.SetDownloadUrl(ReadText(archive));
    download.m_strReferer = ReadText(archive);
    download.m_strDescription = ReadText(archive);
    download.SetFileTitle(SafeStoredFileName(ReadText(archive)));
    download.m_strDownloadLocation = ReadText(archive);
    download.SetLocalFileName(ReadText(archive));
    download.m_nAccessType = Read(archive, &BinaryReader::readInt32);
    download.m_bUseAuthorization = Read(archive, &BinaryReader::readInt32);
    download.m_strUserName = ReadText(archive);
    download.m_strPassword = ReadText(archive);
    download.m_bGotFileSize = Read(archive, &BinaryReader::readInt32);
    download.m_nFileSize = Read(archive, &BinaryReader::readUInt64);
    download.m_bAcceptRanges = Read(archive, &BinaryReader::readInt32);
    download.m_nDownloadStartingTime = Read(archive, &BinaryReader::readUInt64);
    download.m_nWholeDownloadTime = Read(archive, &BinaryReader::readUInt64);
}

// The stub's URL, or empty when a list record could not hold it.
QString StoredUrl(const DownloadStub& stub)
{
    return stub.m_strUrl.size() <= CHttpDownloader::kMaxStoredTextLength ? stub.m_strUrl : QString();
}

void AppendSection(CHttpDownloader& download, const DownloadStubSection& range, bool isUnknownLength)
{
    auto section = std::make_unique<CSection>();
    section->m_pDownloader = &download;
    section->m_nIndex = int32_t(download.m_sections.size());
    section->m_bIsUnknownLength = isUnknownLength;
    section->m_bIsReachedZero = range.m_bIsReachedZero;
    section->m_nRangeStartInitial = range.m_nRangeStartInitial;
    section->m_nRangeStart = range.m_nRangeStart;
    section->m_nRangeEnd = range.m_nRangeEnd;
    download.AppendSection(std::move(section));
}

// The size and the sections of the stub. The stub does not keep whether a
// section is open-ended; the one section of an empty file is, so that it
// completes when the body ends instead of asking for a range of nothing.
void RebuildFromStub(CHttpDownloader& download, const DownloadStub& stub)
{
    download.m_bGotFileSize = 1;
    download.m_bAcceptRanges = 1;
    download.m_nFileSize = stub.m_nFileSize;
    download.DeleteSections();
    for (uint32_t i = 0; i < stub.m_nSectionCount; ++i)
        AppendSection(download, stub.m_sections[i], stub.m_nFileSize == 0);
}

// Every section was complete and the stub already cut: only the rename was left.
bool IsAwaitingRename(const CHttpDownloader& download, int32_t storedState, const QString& partial)
{
    const bool complete = storedState == Transferred || storedState == Finishing || storedState == FinishingFailed;
    return complete && uint64_t(QFileInfo(partial).size()) == download.m_nFileSize;
}

// Picks up an unfinished download where its partial file says it stands.
void RestoreProgress(CHttpDownloader& download, int32_t storedState)
{
    const QString stored = download.GetLocalFileName();
    if (stored.isEmpty())
        return;
    if (!PathExists(stored)) {
        download.Reset();
        return;
    }
    // A file the download did not make is never written or renamed; the next
    // allocation makes a fresh partial file.
    const QString partial = OwnPartialFilePath(stored, download.m_strDownloadLocation);
    download.SetLocalFileName(partial);
    if (partial.isEmpty())
        return;
    if (!download.IsResumable()) {
        const uint64_t size = download.m_nFileSize;
        const bool known = download.m_bGotFileSize && size != 0;
        AppendSection(download, {0, 0, 0, known ? size - 1 : 0}, !known);
        download.m_nState = Paused;
        return;
    }
    if (IsAwaitingRename(download, storedState, partial)) {
        download.m_nState = FinishingFailed;
        return;
    }
    try {
        DownloadStub stub;
        ReadDownloadStub(partial, stub);
        const QString url = StoredUrl(stub);
        if (!url.isEmpty())
            download.SetDownloadUrl(url);
        RebuildFromStub(download, stub);
        download.m_nState = Paused;
    } catch (const CException& error) {
        download.m_pError->SetError(TextId::ReadFailed, error.GetErrorMessage().left(kMaxErrorDetail));
    }
}

} // namespace

CHttpDownloader::CHttpDownloader(BinaryReader& archive, CDownloadItem* item)
{
    Init();
    m_pItem = item;
    ReadRecord(*this, archive);
    const int32_t storedState = m_nState;
    if (storedState == Completed)
        return;
    m_nState = NeedToPrepare;
    RestoreProgress(*this, storedState);
}

CHttpDownloader::CHttpDownloader(const QString& partialFile, CDownloadItem* item)
{
    Init();
    m_pItem = item;
    const qsizetype slash = partialFile.lastIndexOf(u'/');
    if (partialFile.isNull() || slash < 0)
        throw CInvalidArgException("partial file path null or without \"/\"");
    m_strLocalFileName = partialFile;
    DownloadStub stub;
    ReadDownloadStub(partialFile, stub);
    // Without its URL the partial file cannot be continued.
    const QString url = StoredUrl(stub);
    if (url.isEmpty())
        throw CHttpDownloaderException();
    m_strUrl = url;
    m_strDownloadUrl = url;
    RebuildFromStub(*this, stub);
    m_strDownloadLocation = partialFile.left(slash);
    m_strFileTitle = SafeStoredFileName(WithoutPartialFileSuffix(partialFile.mid(slash + 1)));
    // A file changed on the server after this one was last written shows in a
    // later Last-Modified, the only hint a partial file alone can give.
    m_timePartialFile = SystemTimeFromDateTime(QFileInfo(partialFile).lastModified().toUTC());
    m_nState = Paused;
}

void CHttpDownloader::Serialize(BinaryWriter& archive) const
{
    const QString downloadUrl = GetDownloadUrl();
    const QString title = GetFileTitle();
    const QString localFile = GetLocalFileName();
    // Never a record that the loader would refuse, with every record behind it.
    for (const QString* text : {&m_strUrl, &downloadUrl, &m_strReferer, &m_strDescription, &title,
                                &m_strDownloadLocation, &localFile, &m_strUserName, &m_strPassword}) {
        if (text->size() > kMaxStoredTextLength)
            throw CArchiveException(CArchiveException::BadTextLength);
    }
    archive.writeInt32(m_nState);
    archive.writeSystemTime(m_timeAdded);
    archive.writeSystemTime(GetLastModified());
    archive.writeString(m_strUrl);
    archive.writeString(downloadUrl);
    archive.writeString(m_strReferer);
    archive.writeString(m_strDescription);
    archive.writeString(title);
    archive.writeString(m_strDownloadLocation);
    archive.writeString(localFile);
    archive.writeInt32(m_nAccessType);
    archive.writeInt32(m_bUseAuthorization);
    archive.writeString(m_strUserName);
    archive.writeString(m_strPassword);
    archive.writeInt32(m_bGotFileSize);
    archive.writeUInt64(m_nFileSize);
    archive.writeInt32(m_bAcceptRanges);
    archive.writeUInt64(m_nDownloadStartingTime);
    archive.writeUInt64(m_nWholeDownloadTime);
}
