#pragma once

#include <QString>

// An exclusive lock on a file, held through an open descriptor (flock): the
// kernel lets it go when its owner ends, however it ends, so a lock file left
// behind by a crash, or written on another host, never blocks a later owner.
class ExclusiveFileLock
{
public:
    enum class Result
    {
        Locked,
        HeldElsewhere, // a live process holds it
        Failed,        // error() tells why
    };

    explicit ExclusiveFileLock(QString path);
    ~ExclusiveFileLock();
    ExclusiveFileLock(const ExclusiveFileLock&) = delete;
    ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

    // Creates the file (mode 0600) when it is missing; never waits.
    Result tryLock();
    // Removes the file while still holding it, then lets go.
    void unlock();
    // The errno value of the last failure.
    int error() const { return m_error; }

private:
    const QString m_path;
    int m_fd = -1;
    int m_error = 0;
};
