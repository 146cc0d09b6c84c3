#include "support/SessionProgram.h"

#include "support/PollUntil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <csignal>

namespace {

constexpr int kTypeDelayMs = 20;

} // namespace

SessionProgram::SessionProgram(const XSession& session, const QString& root) : m_session(session), m_root(root) {}

SessionProgram::~SessionProgram()
{
    if (m_program.state() == QProcess::NotRunning)
        return;
    m_program.kill();
    m_program.waitForFinished(kWaitMs);
}

bool SessionProgram::start(const QStringList& arguments)
{
    for (const char* folder : {"/home", "/config", "/data", "/runtime"}) {
        if (!QDir().mkpath(m_root + QLatin1String(folder))) {
            m_errorText = QStringLiteral("cannot make ") + m_root + QLatin1String(folder);
            return false;
        }
    }
    QFile::setPermissions(m_root + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_root + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_root + QStringLiteral("/runtime"));
    m_program.setProcessEnvironment(m_session.environment(environment));
    m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/vandrel"), arguments);
    if (!m_program.waitForStarted(kWaitMs)) {
        m_errorText = m_program.errorString();
        return false;
    }
    return true;
}

bool SessionProgram::stop()
{
    if (m_program.state() != QProcess::NotRunning)
        ::kill(pid_t(m_program.processId()), SIGTERM);
    return waitForExit();
}

bool SessionProgram::waitForExit(int milliseconds)
{
    if (m_program.state() != QProcess::NotRunning && !m_program.waitForFinished(milliseconds))
        return false;
    return m_program.exitStatus() == QProcess::NormalExit && m_program.exitCode() == 0;
}

QString SessionProgram::run(const QString& program, const QStringList& arguments) const
{
    QProcess process;
    process.setProcessEnvironment(m_session.environment());
    process.start(program, arguments);
    process.waitForFinished(kWaitMs);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

void SessionProgram::keys(const QStringList& keys) const
{
    xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--clearmodifiers")} + keys);
}

void SessionProgram::type(const QString& text) const
{
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QString::number(kTypeDelayMs), text});
}

std::vector<xcb_window_t> SessionProgram::windows() const
{
    std::vector<xcb_window_t> found;
    const QString ids = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                 QString::number(m_program.processId())});
    for (const QString& id : ids.split(u'\n', Qt::SkipEmptyParts))
        found.push_back(id.toUInt());
    return found;
}

xcb_window_t SessionProgram::focus() const
{
    return xdotool({QStringLiteral("getwindowfocus")}).toUInt();
}

bool SessionProgram::waitFor(const std::function<bool()>& condition)
{
    return PollUntil(condition, kWaitMs);
}
