#include "support/ForeignUser.h"

#include "support/ChildProcess.h"

#include <QFile>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

namespace {

constexpr int kToolMs = 30000;

} // namespace

ForeignUser::ForeignUser()
    : m_name(QStringLiteral("vandrel-test-%1").arg(::getpid()))
{
    if (::geteuid() != 0) {
        m_whyNot = QStringLiteral("needs root to make another user");
        return;
    }
    const QString useradd = QStandardPaths::findExecutable(QStringLiteral("useradd"), {"/usr/sbin", "/sbin"});
    if (useradd.isEmpty()) {
        m_whyNot = QStringLiteral("no useradd here");
        return;
    }
    const QStringList arguments = {QStringLiteral("--system"), QStringLiteral("--no-create-home"),
                                   QStringLiteral("--shell"), QStringLiteral("/usr/sbin/nologin"), m_name};
    const passwd* account = ChildProcess::run(useradd, arguments, {}, kToolMs)
        ? ::getpwnam(QFile::encodeName(m_name).constData())
        : nullptr;
    if (!account) {
        m_whyNot = QStringLiteral("useradd %1 failed").arg(m_name);
        return;
    }
    m_uid = account->pw_uid;
    m_gid = account->pw_gid;
    m_made = true;
}

ForeignUser::~ForeignUser()
{
    if (!m_made)
        return;
    const QString userdel = QStandardPaths::findExecutable(QStringLiteral("userdel"), {"/usr/sbin", "/sbin"});
    ChildProcess::run(userdel, {m_name}, {}, kToolMs);
}

bool ForeignUser::give(const QString& path) const
{
    return m_made && ::chown(QFile::encodeName(path).constData(), m_uid, m_gid) == 0;
}
