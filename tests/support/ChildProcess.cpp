#include "support/ChildProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kPollMs = 10;

} // namespace

ChildProcess::~ChildProcess()
{
    stop(2000);
}

bool ChildProcess::start(const QString& program, const QStringList& arguments, const QString& outputFile,
                         const QString& workingDirectory, const QStringList& environment)
{
    std::vector<QByteArray> variables;
    for (char** entry = environ; *entry; ++entry) {
        const QByteArray variable(*entry);
        const QByteArray name = variable.left(variable.indexOf('=') + 1);
        const bool replaced = std::any_of(environment.cbegin(), environment.cend(), [&](const QString& given) {
            return given.toLocal8Bit().startsWith(name);
        });
        if (!replaced)
            variables.push_back(variable);
    }
    for (const QString& given : environment)
        variables.push_back(given.toLocal8Bit());
    std::vector<char*> envp;
    for (QByteArray& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    std::vector<QByteArray> storage{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        storage.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);

    const QByteArray output = outputFile.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(outputFile);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.constData(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const QByteArray directory = QFile::encodeName(workingDirectory);
    if (!workingDirectory.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, directory.constData());
    const int result = posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0)
        m_pid = -1;
    return result == 0;
}

bool ChildProcess::reap(int options)
{
    if (m_pid <= 0)
        return true;
    if (::waitpid(m_pid, &m_status, options) == m_pid) {
        m_pid = -1;
        return true;
    }
    return false;
}

bool ChildProcess::isRunning()
{
    return !reap(WNOHANG);
}

bool ChildProcess::waitForExit(int milliseconds, int* exitCode)
{
    QElapsedTimer timer;
    timer.start();
    while (isRunning()) {
        if (timer.elapsed() >= milliseconds)
            return false;
        QThread::msleep(kPollMs);
    }
    if (exitCode)
        *exitCode = WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    return true;
}

void ChildProcess::signal(int number)
{
    if (m_pid > 0)
        ::kill(m_pid, number);
}

void ChildProcess::stop(int milliseconds)
{
    if (m_pid <= 0)
        return;
    signal(SIGTERM);
    if (!waitForExit(milliseconds)) {
        signal(SIGKILL);
        reap(0);
    }
}

bool ChildProcess::run(const QString& program, const QStringList& arguments, const QString& workingDirectory,
                       int milliseconds)
{
    ChildProcess child;
    int exitCode = -1;
    if (!child.start(program, arguments, {}, workingDirectory))
        return false;
    if (!child.waitForExit(milliseconds, &exitCode)) {
        child.stop(0);
        return false;
    }
    return exitCode == 0;
}
