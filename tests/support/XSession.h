#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A private X server (Xvfb on a display number it picks itself) with a real
// window manager (openbox), for the tests that need what only a real session
// does: the focus handed between programs, the clipboard shared by clients.
// Both are stopped on destruction.
class XSession
{
public:
    XSession() = default;
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // Why a test that needs these programs must be skipped: the ones not
    // installed, named in a sentence; empty when none is missing.
    static QString missingText(const QStringList& programs);

    // False with the reason in errorText() when the server or the window
    // manager did not come up.
    bool start();
    QString errorText() const { return m_errorText; }

    QString display() const { return m_display; }
    // The given environment with this session's DISPLAY and the xcb platform.
    QProcessEnvironment environment(QProcessEnvironment base = QProcessEnvironment::systemEnvironment()) const;

private:
    bool startServer();
    bool waitForWindowManager();

    QProcess m_server;
    QProcess m_windowManager;
    QString m_display;
    QString m_errorText;
};
