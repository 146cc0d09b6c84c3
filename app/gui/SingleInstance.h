#pragma once

#include "platform/ExclusiveFileLock.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QLocalServer;
class QLocalSocket;

// One running instance per user: a lock on a file in a folder of the user's
// alone that ends with its owner, and a local socket beside it on which the
// running instance takes the one-line commands "SHOW" and "EXIT" from another.
// The folder is the runtime folder ($XDG_RUNTIME_DIR) when it is the user's own
// with mode 0700, else CACHE/Vandrel (CACHE = $XDG_CACHE_HOME, else ~/.cache),
// made 0700; never a folder someone else owns or may enter, such as the /tmp
// all users share.
class CSingleInstance : public QObject
{
    Q_OBJECT

public:
    // Where the lock is; when neither folder is the user's alone, where it
    // would be (for the message), and TryLock fails without touching it.
    static QString LockPath();
    // Empty when neither folder is the user's alone.
    static QString SocketPath();

    explicit CSingleInstance(QObject* parent = nullptr);
    ~CSingleInstance() override;

    // HeldElsewhere when another live process holds the lock.
    ExclusiveFileLock::Result TryLock();
    int LockError() const { return m_folderError ? m_folderError : m_lock.error(); }
    // Starts taking commands; call once the main window exists.
    void Listen();
    // Stops listening and gives up the lock; EXIT connections stay open until
    // the process ends, so whoever waits on them learns that it has ended.
    void Release();

    // A second instance's hand-off: connects and sends the line, each step
    // waiting at most a second; false when nothing listens.
    static bool SendCommand(const QByteArray& command);
    // Asks the running instance to show its window, trying for at most the
    // limit while it may still be starting; false when nothing answered.
    static bool HandOffShow(int timeoutMs);
    // Asks the running instance to exit and waits, at most the limit, until its
    // connection closes: at once when the exit was declined, else once that
    // process has saved everything and ended. False when nothing listens.
    static bool RequestExitAndWait(int timeoutMs);

    // The exit asked for through this connection was declined: close it.
    void CloseExitConnections();

signals:
    void ShowRequested();
    void ExitRequested();

private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);

    const int m_folderError;
    ExclusiveFileLock m_lock;
    QLocalServer* m_server = nullptr;
    QList<QPointer<QLocalSocket>> m_exitConnections; // kept past the server's life
};
