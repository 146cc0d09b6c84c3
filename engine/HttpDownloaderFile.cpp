#include "engine/HttpDownloader.h"

#include "engine/DownloadStub.h"
#include "engine/OwnFiles.h"
#include "engine/Setting.h"
#include "platform/PosixFile.h"
#include "platform/RemoveFile.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <limits>

namespace {

constexpr uint64_t kAllocationBlock = 100 * 1024 * 1024;
// Beyond this the data and the stub pass the largest file offset.
constexpr uint64_t kMaxFileSize = uint64_t(std::numeric_limits<int64_t>::max()) - DownloadStub::kSize;
constexpr uint32_t kMaxCounter = std::numeric_limits<uint32_t>::max();

// Creates the first partial-file name that nothing has, a dangling symbolic link
// counting as taken; the exclusive create makes the test and the creation one step.
// The stub holds the URL, and with it any password or token the URL carries, so
// the partial file is the user's alone from its first moment.
int CreateFreePartialFile(PosixFile& file, const QString& folder, const QString& title, QString* path)
{
    for (uint32_t counter = 0;; ++counter) {
        *path = PartialFilePath(folder, title, counter);
        const int error = file.open(*path, PosixFile::Access::CreateNew, PosixFile::NewFileMode::Private);
        if (error != EEXIST || counter == kMaxCounter)
            return error;
    }
}

// Grows a resumable download's partial file to its data and stub block by block,
// so that the list can show m_nAllocated rising and a pause is seen after each
// block. Each block's disk space is reserved, so that a full disk shows here
// and not in the middle of the transfer. A file that cannot fit is refused
// before the first block: reserving up to the failure would fill the disk and
// make every other writer on it fail meanwhile.
int GrowInBlocks(CHttpDownloader& download, PosixFile& file, bool* stopped)
{
    if (download.m_nFileSize > kMaxFileSize)
        return EFBIG;
    const uint64_t end = download.m_nFileSize + DownloadStub::kSize;
    download.m_nAllocated = 0;
    // The file was just made or emptied, so all of it is still to reserve.
    uint64_t available = 0;
    if (file.availableSpace(&available) == 0 && end > available)
        return ENOSPC;
    const QByteArray zeros(DownloadStub::kSize, '\0');
    while (download.m_nAllocated < end) {
        const uint64_t from = download.m_nAllocated;
        const uint64_t to = end - from > kAllocationBlock ? from + kAllocationBlock : end;
        download.m_nAllocated = to;
        if (const int error = file.reserve(from, to - from))
            return error;
        if (const int error = file.writeAt(zeros.constData(), size_t(zeros.size()), to - DownloadStub::kSize))
            return error;
        if (download.m_pTerminateEvent->isSet()) {
            *stopped = true;
            return 0;
        }
    }
    return 0;
}

// Renames to the first final name that nothing has; *path is the name tried last.
int MoveToFreeName(const QString& from, const QString& folder, const QString& title, QString* path)
{
    for (uint32_t counter = 0;; ++counter) {
        *path = FinalFilePath(folder, title, counter);
        const int error = RenameNoReplace(from, *path);
        if (error != EEXIST || counter == kMaxCounter)
            return error;
    }
}

void StampLastModified(const CHttpDownloader& download, PosixFile& file)
{
    FILETIME time = 0;
    if (Setting(&CAppSettingsBase::GetFileDateTimeFromServer)
        && SystemTimeToFileTime(download.GetLastModified(), &time))
        file.setTimes(time);
}

} // namespace

StepResult CHttpDownloader::AllocateFile()
{
    const QString folder = GetDownloadLocation();
    const QString title = GetFileTitle();
    if (!IsUsableFolder(folder) || title.isEmpty()) {
        m_pError->SetSystemError(TextId::CreateFileFailed, EINVAL);
        return StepFailed;
    }
    PosixFile file;
    // Only the download's own partial file is reused; any other name a record
    // may carry gets a fresh partial file instead of being truncated.
    QString path = OwnPartialFilePath(GetLocalFileName(), folder);
    int error = 0;
    if (path.isEmpty()) {
        QDir().mkpath(folder);
        error = CreateFreePartialFile(file, folder, title, &path);
    } else {
        error = file.open(path, PosixFile::Access::CreateTruncate, PosixFile::NewFileMode::Private);
        // One kept from an older run may have been made readable to others.
        if (!error)
            file.makePrivate();
    }
    SetLocalFileName(path);
    if (error) {
        m_pError->SetSystemError(TextId::CreateFileFailed, error);
        return StepFailed;
    }

    bool stopped = false;
    if (IsResumable()) {
        error = GrowInBlocks(*this, file, &stopped);
        if (!error && !stopped) {
            error = WriteDownloadStub(file);
            if (!error)
                error = file.truncate(m_nFileSize + DownloadStub::kSize);
        }
    } else {
        error = file.truncate(0);
    }
    if (!error && !stopped)
        return StepOk;
    if (error)
        m_pError->SetSystemError(TextId::AllocateFileFailed, error);
    RemoveFile(path);
    SetLocalFileName({});
    return stopped ? StepStopped : StepFailed;
}

// Runs on the run's own workers, which need no lock to read the sections.
int CHttpDownloader::WriteDownloadStub(PosixFile& file) const
{
    DownloadStub stub;
    stub.m_strUrl = GetDownloadUrl();
    stub.m_nFileSize = m_nFileSize;
    stub.m_nSectionCount = uint32_t(std::min<size_t>(m_sections.size(), DownloadStub::kMaxSections));
    for (uint32_t i = 0; i < stub.m_nSectionCount; ++i) {
        const CSection& section = *m_sections[i];
        stub.m_sections[i] = {section.m_bIsReachedZero, section.m_nRangeStartInitial, section.m_nRangeStart,
                              section.m_nRangeEnd};
    }
    const QByteArray bytes = stub.Encode();
    return file.writeAt(bytes.constData(), size_t(bytes.size()), stub.m_nFileSize);
}

StepResult CHttpDownloader::Finish()
{
    m_pError->Clear();
    const QString folder = GetDownloadLocation();
    const QString title = GetFileTitle();
    const QString partial = GetLocalFileName();
    if (!IsUsableFolder(folder) || title.isEmpty() || partial.isEmpty()) {
        m_pError->SetSystemError(TextId::CreateFileFailed, EINVAL);
        return StepFailed;
    }
    PosixFile file;
    if (const int error = file.open(partial, PosixFile::Access::ReadWrite)) {
        m_pError->SetSystemError(TextId::CreateFileFailed, error);
        return StepFailed;
    }
    if (IsResumable()) {
        if (const int error = file.truncate(m_nFileSize)) {
            m_pError->SetSystemError(TextId::AllocateFileFailed, error);
            return StepFailed;
        }
    }
    StampLastModified(*this, file);

    QString finalPath;
    if (const int error = MoveToFreeName(partial, folder, title, &finalPath)) {
        m_pError->SetSystemError(TextId::RenameFileFailed, error);
        return StepFailed;
    }
    // Now an ordinary file of the user's, without the stub: the mode any new file
    // would get. A file system without modes keeps its own.
    file.makeOrdinary();
    SetLocalFileName(finalPath);
    return StepOk;
}
