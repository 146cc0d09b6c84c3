#pragma once

#include "platform/SystemTime.h"

#include <QString>

#include <cstddef>
#include <cstdint>

// A file descriptor of our own, closed on destruction. Every open refuses a
// symbolic link as the last path component (ELOOP), keeps the descriptor out of
// programs started later (close-on-exec) and never blocks on a FIFO. The calls
// return 0 or the errno value of the failure.
class PosixFile
{
public:
    enum class Access
    {
        CreateNew,      // read and write; EEXIST when anything has the name
        CreateTruncate, // read and write; an existing file is emptied
        ReadWrite,      // an existing file
        WriteOnly,      // an existing file
        ReadOnly,       // an existing file
    };

    // The mode a new file asks for; the umask may take bits away from it.
    enum class NewFileMode
    {
        Ordinary, // 0666
        Private,  // 0600: no one else may read it, whatever the umask
    };

    PosixFile() = default;
    ~PosixFile();
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    int open(const QString& path, Access access, NewFileMode mode = NewFileMode::Ordinary);
    int close();
    bool isOpen() const { return m_fd >= 0; }

    // All size bytes, or the error (ENOSPC, EIO, EFBIG past the largest offset).
    int writeAt(const char* data, size_t size, uint64_t offset);
    // Up to size bytes; *done is less only at the end of the file.
    int readAt(char* data, size_t size, uint64_t offset, size_t* done);
    // Reserves disk space, so that a full disk shows now rather than while the
    // range is written. A file system that cannot reserve is not an error: the
    // file then stays sparse.
    int reserve(uint64_t offset, uint64_t length);
    int truncate(uint64_t length);
    // Bytes the file system holding the file still offers to this user.
    int availableSpace(uint64_t* bytes) const;
    int getStatus(uint64_t* size, bool* isRegular) const;
    // A hint that the file will be read once from start to end; never fails.
    void adviseSequential() const;
    // Access and modification time; a creation time cannot be set here.
    int setTimes(FILETIME time);
    // Only the owner may read and write the file (mode 0600).
    int makePrivate();
    // The mode an ordinary new file gets: 0666 less the process's umask.
    int makeOrdinary();

private:
    int m_fd = -1;
};

// Renames without ever replacing: EEXIST when the target name is taken,
// a dangling symbolic link included.
int RenameNoReplace(const QString& from, const QString& to);
// Anything has the name, a dangling symbolic link included.
bool PathExists(const QString& path);
// A regular file itself, not a link to one.
bool IsRegularFile(const QString& path);
