#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

// A child process started with posix_spawn. QProcess forks with CLONE_VFORK,
// after which ThreadSanitizer loses track of lock hand-overs for the rest of the
// process; the sanitizer builds of the tests must stay trustworthy.
class ChildProcess
{
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Standard output and error go to outputFile (or /dev/null when empty). The
    // child has this process's environment with the "NAME=value" entries of
    // `environment` put over it.
    bool start(const QString& program, const QStringList& arguments, const QString& outputFile = {},
               const QString& workingDirectory = {}, const QStringList& environment = {});
    bool isRunning();
    // Waits up to the limit; true with the exit code once it has ended.
    bool waitForExit(int milliseconds, int* exitCode = nullptr);
    void signal(int number);
    // SIGTERM, then SIGKILL after the limit.
    void stop(int milliseconds);
    pid_t pid() const { return m_pid; }

    // Runs a program to its end; true when it exited 0 within the limit.
    static bool run(const QString& program, const QStringList& arguments, const QString& workingDirectory,
                    int milliseconds);

private:
    bool reap(int options);

    pid_t m_pid = -1;
    int m_status = 0;
};
