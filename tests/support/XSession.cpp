#include "support/XSession.h"

#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QThread>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr int kStartMs = 10000;
constexpr int kStopMs = 5000;
constexpr int kPollMs = 20;

void Stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(kStopMs))
        process.kill();
    process.waitForFinished(kStopMs);
}

// openbox marks the root window once it manages the screen.
bool WindowManagerRuns(xcb_connection_t* connection)
{
    static const char kCheck[] = "_NET_SUPPORTING_WM_CHECK";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof kCheck - 1, kCheck), nullptr),
        &std::free);
    if (!atom)
        return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr),
        &std::free);
    return property && xcb_get_property_value_length(property.get()) > 0;
}

} // namespace

XSession::~XSession()
{
    Stop(m_windowManager);
    Stop(m_server);
}

QString XSession::missingText(const QStringList& programs)
{
    QStringList missing;
    for (const QString& program : programs) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            missing.append(program);
    }
    if (missing.isEmpty())
        return {};
    return QStringLiteral("A real X session needs %1, not installed").arg(missing.join(QStringLiteral(", ")));
}

QProcessEnvironment XSession::environment(QProcessEnvironment base) const
{
    base.remove(QStringLiteral("WAYLAND_DISPLAY"));
    base.insert(QStringLiteral("DISPLAY"), m_display);
    base.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return base;
}

bool XSession::start()
{
    if (!startServer())
        return false;
    m_windowManager.setProcessEnvironment(environment());
    m_windowManager.setStandardOutputFile(QProcess::nullDevice());
    m_windowManager.setStandardErrorFile(QProcess::nullDevice());
    m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    if (!m_windowManager.waitForStarted(kStartMs)) {
        m_errorText = QStringLiteral("openbox did not start: ") + m_windowManager.errorString();
        return false;
    }
    return waitForWindowManager();
}

// -displayfd: the server takes the first free display and writes its number.
bool XSession::startServer()
{
    m_server.setStandardErrorFile(QProcess::nullDevice());
    m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                            QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QDeadlineTimer deadline(kStartMs);
    while (!m_server.canReadLine() && m_server.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    const QByteArray number = m_server.readLine().trimmed();
    if (number.isEmpty()) {
        m_errorText = QStringLiteral("Xvfb did not report a display: ") + m_server.errorString();
        return false;
    }
    m_display = u':' + QString::fromLatin1(number);
    return true;
}

bool XSession::waitForWindowManager()
{
    const QByteArray display = m_display.toLatin1();
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    QDeadlineTimer deadline(kStartMs);
    bool runs = false;
    while (!xcb_connection_has_error(connection) && !(runs = WindowManagerRuns(connection)) && !deadline.hasExpired())
        QThread::msleep(kPollMs);
    xcb_disconnect(connection);
    if (!runs)
        m_errorText = QStringLiteral("openbox did not take the screen of ") + m_display;
    return runs;
}
