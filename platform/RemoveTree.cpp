#include "platform/RemoveTree.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int RemoveEntry(int parentFd, const char* name);

// Every entry of an opened folder; the folder's descriptor is closed.
int RemoveContents(int folderFd)
{
    DIR* folder = ::fdopendir(folderFd);
    if (!folder) {
        const int error = errno;
        ::close(folderFd);
        return error;
    }
    int result = 0;
    while (result == 0) {
        errno = 0;
        const dirent* entry = ::readdir(folder);
        if (!entry) {
            result = errno;
            break;
        }
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            result = RemoveEntry(::dirfd(folder), entry->d_name);
    }
    ::closedir(folder);
    return result;
}

// Works relative to the parent's descriptor, so a folder swapped for a link
// while we descend cannot lead us elsewhere.
int RemoveEntry(int parentFd, const char* name)
{
    struct stat st {};
    if (::fstatat(parentFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ::unlinkat(parentFd, name, 0) == 0 ? 0 : errno;
    const int folderFd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folderFd < 0)
        return errno;
    if (const int error = RemoveContents(folderFd))
        return error;
    return ::unlinkat(parentFd, name, AT_REMOVEDIR) == 0 ? 0 : errno;
}

} // namespace

int RemoveTree(const QString& path)
{
    if (path.isEmpty())
        return ENOENT;
    return RemoveEntry(AT_FDCWD, QFile::encodeName(path).constData());
}
