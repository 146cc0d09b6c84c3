#include "platform/ExclusiveFileLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An owner that ends removes the file while holding it; whoever locked that
// removed file meanwhile tries the new one.
constexpr int kAttempts = 8;

bool SameFile(int fd, const QByteArray& path)
{
    struct stat held = {};
    struct stat named = {};
    return ::fstat(fd, &held) == 0 && ::stat(path.constData(), &named) == 0 && held.st_dev == named.st_dev
        && held.st_ino == named.st_ino;
}

} // namespace

ExclusiveFileLock::ExclusiveFileLock(QString path)
    : m_path(std::move(path))
{
}

ExclusiveFileLock::~ExclusiveFileLock()
{
    unlock();
}

ExclusiveFileLock::Result ExclusiveFileLock::tryLock()
{
    if (m_fd >= 0)
        return Result::Locked;
    const QByteArray path = QFile::encodeName(m_path);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (fd < 0) {
            m_error = errno;
            return Result::Failed;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            m_error = errno;
            ::close(fd);
            return m_error == EWOULDBLOCK ? Result::HeldElsewhere : Result::Failed;
        }
        if (SameFile(fd, path)) {
            m_fd = fd;
            return Result::Locked;
        }
        ::close(fd);
    }
    m_error = EAGAIN;
    return Result::Failed;
}

void ExclusiveFileLock::unlock()
{
    if (m_fd < 0)
        return;
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
}
