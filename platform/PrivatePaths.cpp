#include "platform/PrivatePaths.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kPrivateFolderMode = 0700;

bool isFolder(const QByteArray& path)
{
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// 0, or why path is no folder of this user's alone.
int privateFolderError(const QString& path)
{
    if (!QDir::isAbsolutePath(path))
        return ENOENT;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    return st.st_uid == ::geteuid() && (st.st_mode & 0777) == kPrivateFolderMode ? 0 : EACCES;
}

} // namespace

bool CreatePrivateFolders(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    if (!QDir::isAbsolutePath(clean))
        return false;
    const QStringList parts = clean.split(u'/', Qt::SkipEmptyParts);
    QString prefix;
    for (const QString& part : parts) {
        prefix += u'/' + part;
        const QByteArray native = QFile::encodeName(prefix);
        if (isFolder(native))
            continue;
        if (::mkdir(native.constData(), kPrivateFolderMode) == 0)
            ::chmod(native.constData(), kPrivateFolderMode); // the umask may have taken bits away
        else if (errno != EEXIST)
            return false;
    }
    return isFolder(QFile::encodeName(clean));
}

bool CreatePrivateFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
        return true;
    }
    if (errno != EEXIST)
        return false;
    struct stat st {};
    return ::lstat(native.constData(), &st) == 0;
}

PrivateRuntimeFolder FindPrivateRuntimeFolder(const QString& fallback)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && privateFolderError(runtime) == 0)
        return {QDir::cleanPath(runtime)};
    CreatePrivateFolders(fallback); // a failure shows in the check
    return {QDir::cleanPath(fallback), privateFolderError(fallback)};
}
