// The uninstaller's side of the exit request, against a listener of the test's
// own on another thread (the request blocks the calling thread).
#include "app/gui/SingleInstance.h"

#include <gtest/gtest.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <atomic>

namespace {

constexpr int kWaitMs = 5000;

// Takes one connection, reads its line, then closes it after holdMs or, with a
// negative holdMs, keeps it open until destroyed.
class ExitListener : public QThread
{
public:
    explicit ExitListener(int holdMs) : m_holdMs(holdMs)
    {
        QLocalServer::removeServer(CSingleInstance::SocketPath());
        start();
        while (!m_listening)
            QThread::msleep(5);
    }
    ~ExitListener() override
    {
        m_stop = true;
        wait();
    }

    QByteArray line() const { return m_line; } // once the request has returned
    std::atomic<bool> closed = false;

private:
    void run() override
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
