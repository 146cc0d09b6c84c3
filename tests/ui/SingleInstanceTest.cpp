// The uninstaller's side of the exit request, against a listener of the test's
// own on another thread (the request blocks the calling thread).
#include "app/gui/SingleInstance.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <thread>
#include <sys/stat.h>

namespace {

constexpr int kWaitMs = 5000;

// Takes one connection, reads its line, then closes it after holdMs or, with a
// negative holdMs, keeps it open until destroyed. It runs on a std::thread,
// whose join the thread sanitizer sees, as it cannot see into QThread::wait.
class ExitListener
{
public:
    explicit ExitListener(int holdMs) : m_holdMs(holdMs)
    {
        QLocalServer::removeServer(CSingleInstance::SocketPath());
        m_thread = std::thread([this] { run(); });
        while (!m_listening)
            QThread::msleep(5);
    }
    ~ExitListener()
    {
        m_stop = true;
        m_thread.join();
    }

    QByteArray line() const { return m_line; } // once the request has returned
    std::atomic<bool> closed = false;

private:
    void run()
    {
        QLocalServer server;
        server.listen(CSingleInstance::SocketPath());
        m_listening = true;
        if (!server.waitForNewConnection(kWaitMs))
            return;
        QLocalSocket* socket = server.nextPendingConnection();
        while (!socket->canReadLine() && socket->waitForReadyRead(kWaitMs)) {
        }
        m_line = socket->readLine();
        if (m_holdMs >= 0) {
            QThread::msleep(m_holdMs);
            closed = true;
            socket->disconnectFromServer();
        }
        while (!m_stop)
            QThread::msleep(5);
    }

    const int m_holdMs;
    std::atomic<bool> m_listening = false;
    std::atomic<bool> m_stop = false;
    QByteArray m_line;
    std::thread m_thread;
};

} // namespace

TEST(SingleInstance, TheExitRequestWaitsForTheConnectionToCloseAtMostTheLimit)
{
    QLocalServer::removeServer(CSingleInstance::SocketPath());
    EXPECT_FALSE(CSingleInstance::RequestExitAndWait(kWaitMs)) << "nothing listens";
    {
        ExitListener listener(200);
        EXPECT_TRUE(CSingleInstance::RequestExitAndWait(kWaitMs));
        EXPECT_TRUE(listener.closed) << "returned only once the instance closed the connection";
        EXPECT_EQ(listener.line(), "EXIT\n");
    }
    {
        ExitListener listener(-1);
        EXPECT_TRUE(CSingleInstance::RequestExitAndWait(200));
        EXPECT_FALSE(listener.closed) << "gave up waiting at the limit";
    }
}

// Neither the runtime folder nor the cache home's folder is the user's alone:
// the start fails with the reason and leaves nothing in either.
TEST(SingleInstance, NoFolderOfTheUsersAloneNoLock)
{
    const QString cache = TestEnvironment::root() + QStringLiteral("/open-cache");
    const QString folder = cache + QStringLiteral("/Vandrel");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    const bool hadCache = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
    const QByteArray previousCache = qgetenv("XDG_CACHE_HOME");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
    const auto restore = qScopeGuard([&] {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(TestEnvironment::runtimeDir()));
        if (hadCache)
            qputenv("XDG_CACHE_HOME", previousCache);
        else
            qunsetenv("XDG_CACHE_HOME");
    });

    CSingleInstance instance;
    EXPECT_EQ(instance.TryLock(), ExclusiveFileLock::Result::Failed);
    EXPECT_EQ(instance.LockError(), EACCES);
    EXPECT_EQ(CSingleInstance::LockPath(), folder + QStringLiteral("/Orlmark_Vandrel_MultiInst_Mutex.lock"));
    EXPECT_TRUE(CSingleInstance::SocketPath().isEmpty());
    EXPECT_FALSE(CSingleInstance::SendCommand("SHOW")) << "nothing to connect to";
    EXPECT_TRUE(QDir(folder).isEmpty());
}
