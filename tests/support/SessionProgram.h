#pragma once

#include "support/XSession.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <xcb/xcb.h>

#include <functional>
#include <vector>

// The program itself on a real X session, with a home, configuration, data and
// runtime folder of its own, driven as a user drives it: keys and typing reach
// it through the X server (xdotool), as from a keyboard.
class SessionProgram
{
public:
    static constexpr int kWaitMs = 20000;

    // The folders go under root; the session must outlive this.
    SessionProgram(const XSession& session, const QString& root);
    ~SessionProgram();
    SessionProgram(const SessionProgram&) = delete;
    SessionProgram& operator=(const SessionProgram&) = delete;

    // False with the reason in errorText() when the program did not start.
    bool start(const QStringList& arguments = {});
    // Ends it as a desktop session does (SIGTERM); true when it exited cleanly.
    bool stop();
    // Waits for the program to end by itself; true when it exited cleanly.
    bool waitForExit(int milliseconds = kWaitMs);
    QString errorText() const { return m_errorText; }

    QString home() const { return m_root + QStringLiteral("/home"); }
    QString dataHome() const { return m_root + QStringLiteral("/data"); }

    // A program run on the session's display to its end; what it printed.
    QString run(const QString& program, const QStringList& arguments) const;
    QString xdotool(const QStringList& arguments) const { return run(QStringLiteral("xdotool"), arguments); }
    void keys(const QStringList& keys) const;
    void type(const QString& text) const;
    // The program's windows that are on the screen.
    std::vector<xcb_window_t> windows() const;
    xcb_window_t focus() const;

    // Polls without an event loop: the program is another process.
    static bool waitFor(const std::function<bool()>& condition);

private:
    const XSession& m_session;
    const QString m_root;
    QProcess m_program;
    QString m_errorText;
};
