#include "app/gui/SingleInstance.h"

#include "platform/PrivatePaths.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QThread>

namespace {

constexpr int kHandOffTimeoutMs = 1000;
constexpr int kHandOffRetryMs = 100;
constexpr qint64 kMaxCommandBytes = 16;
const QByteArray kShowCommand = QByteArrayLiteral("SHOW");
const QByteArray kExitCommand = QByteArrayLiteral("EXIT");

// Holds the EXIT connections once the server is gone, until the process ends.
QObject& ProcessLifetimeParent()
{
    static auto* parent = new QObject;
    return *parent;
}

const QLatin1StringView kLockName("Orlmark_Vandrel_MultiInst_Mutex.lock");
const QLatin1StringView kSocketName("Orlmark_Vandrel_WndClass.socket");

PrivateRuntimeFolder InstanceFolder()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return FindPrivateRuntimeFolder(cache.isEmpty() ? QString() : cache + QStringLiteral("/Vandrel"));
}

// Connects and sends the line, each step waiting at most a second.
bool Send(QLocalSocket& socket, const QByteArray& command)
{
    socket.connectToServer(CSingleInstance::SocketPath());
    if (!socket.waitForConnected(kHandOffTimeoutMs))
        return false;
    socket.write(command + '\n');
    return socket.waitForBytesWritten(kHandOffTimeoutMs);
}

} // namespace

QString CSingleInstance::LockPath()
{
    return InstanceFolder().folder + u'/' + kLockName;
}

QString CSingleInstance::SocketPath()
{
    const PrivateRuntimeFolder place = InstanceFolder();
    return place.error ? QString() : place.folder + u'/' + kSocketName;
}

CSingleInstance::CSingleInstance(QObject* parent)
    : QObject(parent), m_folderError(InstanceFolder().error), m_lock(LockPath())
{
}

CSingleInstance::~CSingleInstance()
{
    Release();
}

ExclusiveFileLock::Result CSingleInstance::TryLock()
{
    return m_folderError ? ExclusiveFileLock::Result::Failed : m_lock.tryLock();
}

void CSingleInstance::Listen()
{
    // Safe while we hold the lock: a socket file left there is a crashed owner's.
    QLocalServer::removeServer(SocketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    if (!m_server->listen(SocketPath()))
        qWarning("Another start cannot find this one: %s", qPrintable(m_server->errorString()));
}

void CSingleInstance::Release()
{
    if (m_server) {
        for (QLocalSocket* socket : std::as_const(m_exitConnections)) {
            if (socket)
                socket->setParent(&ProcessLifetimeParent());
        }
        delete m_server;
        m_server = nullptr;
    }
    m_lock.unlock();
}

bool CSingleInstance::SendCommand(const QByteArray& command)
{
    QLocalSocket socket;
    return Send(socket, command);
}

bool CSingleInstance::HandOffShow(int timeoutMs)
{
    // The owner listens only once its window exists.
    const QDeadlineTimer deadline(timeoutMs);
    while (!SendCommand(kShowCommand)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(kHandOffRetryMs);
    }
    return true;
}

bool CSingleInstance::RequestExitAndWait(int timeoutMs)
{
    QLocalSocket socket;
    if (!Send(socket, kExitCommand))
        return false;
    socket.waitForDisconnected(timeoutMs);
    return true;
}

void CSingleInstance::CloseExitConnections()
{
    for (QLocalSocket* socket : std::exchange(m_exitConnections, {})) {
        if (!socket)
            continue;
        socket->disconnectFromServer();
        socket->deleteLater();
    }
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0)
            OnReadyRead(socket);
    }
}

void CSingleInstance::OnReadyRead(QLocalSocket* socket)
{
    if (!socket->canReadLine() && socket->bytesAvailable() < kMaxCommandBytes)
        return; // the line is not complete yet
    const QByteArray line = socket->readLine(kMaxCommandBytes).trimmed();
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr); // one command per connection
    if (line == kExitCommand) {
        m_exitConnections.append(socket);
        emit ExitRequested();
        return;
    }
    if (line == kShowCommand)
        emit ShowRequested();
    socket->disconnectFromServer();
}
