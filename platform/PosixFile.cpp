#include "platform/PosixFile.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

constexpr mode_t kOrdinaryFileMode = 0666;
constexpr mode_t kPrivateFileMode = 0600;
constexpr QByteArrayView kUmaskField = "Umask:";
constexpr uint64_t kMaxOffset = uint64_t(std::numeric_limits<off_t>::max());

int OpenFlags(PosixFile::Access access)
{
    constexpr int always = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    switch (access) {
    case PosixFile::Access::CreateNew:
        return always | O_RDWR | O_CREAT | O_EXCL;
    case PosixFile::Access::CreateTruncate:
        return always | O_RDWR | O_CREAT | O_TRUNC;
    case PosixFile::Access::ReadWrite:
        return always | O_RDWR;
    case PosixFile::Access::WriteOnly:
        return always | O_WRONLY;
    case PosixFile::Access::ReadOnly:
        break;
    }
    return always | O_RDONLY;
}

bool FitsOffsets(uint64_t offset, uint64_t length)
{
    return offset <= kMaxOffset && length <= kMaxOffset - offset;
}

bool LinkStatus(const QString& path, struct stat* status)
{
    return ::lstat(QFile::encodeName(path).constData(), status) == 0;
}

// The process's umask as the kernel reports it; umask() itself could only read
// it by changing it, for every thread at once.
bool ReadUmask(mode_t* mask)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    // Read whole: the kernel reports no size for it, so it never seems to have more.
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (!line.startsWith(kUmaskField))
            continue;
        bool ok = false;
        *mask = mode_t(line.sliced(kUmaskField.size()).trimmed().toUInt(&ok, 8));
        return ok;
    }
    return false;
}

int ChangeMode(int fd, mode_t mode)
{
    return ::fchmod(fd, mode) == 0 ? 0 : errno;
}

} // namespace

PosixFile::~PosixFile()
{
    close();
}

int PosixFile::open(const QString& path, Access access, NewFileMode mode)
{
    close();
    const QByteArray name = QFile::encodeName(path);
    const mode_t bits = mode == NewFileMode::Private ? kPrivateFileMode : kOrdinaryFileMode;
    do
        m_fd = ::open(name.constData(), OpenFlags(access), bits);
    while (m_fd < 0 && errno == EINTR);
    return m_fd < 0 ? errno : 0;
}

int PosixFile::close()
{
    if (m_fd < 0)
        return 0;
    // Never retried: Linux releases the descriptor even when close fails.
    const int result = ::close(m_fd);
    m_fd = -1;
    return result == 0 ? 0 : errno;
}

int PosixFile::writeAt(const char* data, size_t size, uint64_t offset)
{
    if (!FitsOffsets(offset, size))
        return EFBIG;
    while (size > 0) {
        const ssize_t written = ::pwrite(m_fd, data, size, off_t(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return EIO;
        data += written;
        size -= size_t(written);
        offset += uint64_t(written);
    }
    return 0;
}

int PosixFile::readAt(char* data, size_t size, uint64_t offset, size_t* done)
{
    *done = 0;
    if (!FitsOffsets(offset, size))
        return EFBIG;
    while (*done < size) {
        const ssize_t got = ::pread(m_fd, data + *done, size - *done, off_t(offset + *done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            break;
        *done += size_t(got);
    }
    return 0;
}

int PosixFile::reserve(uint64_t offset, uint64_t length)
{
    if (!FitsOffsets(offset, length))
        return EFBIG;
    // posix_fallocate returns its error; it does not set errno.
    int error = 0;
    do
        error = ::posix_fallocate(m_fd, off_t(offset), off_t(length));
    while (error == EINTR);
    return error == EOPNOTSUPP || error == EINVAL ? 0 : error;
}

int PosixFile::truncate(uint64_t length)
{
    if (length > kMaxOffset)
        return EFBIG;
    int result = 0;
    do
        result = ::ftruncate(m_fd, off_t(length));
    while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

int PosixFile::availableSpace(uint64_t* bytes) const
{
    struct statvfs status{};
    int result = 0;
    do
        result = ::fstatvfs(m_fd, &status);
    while (result != 0 && errno == EINTR);
    if (result != 0)
        return errno;
    const uint64_t blocks = status.f_bavail;
    const uint64_t blockSize = status.f_frsize;
    *bytes = blockSize != 0 && blocks > std::numeric_limits<uint64_t>::max() / blockSize
        ? std::numeric_limits<uint64_t>::max()
        : blocks * blockSize;
    return 0;
}

int PosixFile::getStatus(uint64_t* size, bool* isRegular) const
{
    struct stat status{};
    if (::fstat(m_fd, &status) != 0)
        return errno;
    *size = uint64_t(status.st_size);
    *isRegular = S_ISREG(status.st_mode);
    return 0;
}

void PosixFile::adviseSequential() const
{
    ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

int PosixFile::setTimes(FILETIME time)
{
    constexpr int64_t kTicksPerSecond = int64_t(kFileTimeTicksPerSecond);
    constexpr int64_t kNanosecondsPerTick = 100;
    const int64_t ticks = int64_t(time) - int64_t(kFileTimeUnixEpoch);
    // Floor division: times before 1970 are negative.
    int64_t seconds = ticks / kTicksPerSecond;
    int64_t rest = ticks % kTicksPerSecond;
    if (rest < 0) {
        --seconds;
        rest += kTicksPerSecond;
    }
    const timespec stamp{time_t(seconds), long(rest * kNanosecondsPerTick)};
    const timespec times[2] = {stamp, stamp};
    return ::futimens(m_fd, times) == 0 ? 0 : errno;
}

int PosixFile::makePrivate()
{
    return ChangeMode(m_fd, kPrivateFileMode);
}

int PosixFile::makeOrdinary()
{
    mode_t mask = 0;
    if (!ReadUmask(&mask))
        return ENOTSUP;
    return ChangeMode(m_fd, kOrdinaryFileMode & ~mask);
}

int RenameNoReplace(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // The file system cannot refuse a taken name while renaming; a hard link can.
    if (::link(source.constData(), target.constData()) == 0) {
        if (::unlink(source.constData()) == 0)
            return 0;
        const int error = errno;
        ::unlink(target.constData());
        return error;
    }
    if (errno != EPERM && errno != EOPNOTSUPP)
        return errno;
    // Without hard links either: test, then rename.
    if (PathExists(to))
        return EEXIST;
    return ::rename(source.constData(), target.constData()) == 0 ? 0 : errno;
}

bool PathExists(const QString& path)
{
    struct stat status{};
    return LinkStatus(path, &status);
}

bool IsRegularFile(const QString& path)
{
    struct stat status{};
    return LinkStatus(path, &status) && S_ISREG(status.st_mode);
}
