#include "support/ProfileFixture.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cstdlib>
#include <sys/stat.h>

namespace {

int g_counter = 0;

QString uniquePath(const QString& stem)
{
    return TestEnvironment::root() + u'/' + stem + u'-' + QString::number(++g_counter);
}

} // namespace

QString UseFreshConfigHome()
{
    const QString config = uniquePath(QStringLiteral("config"));
    const QByteArray native = QFile::encodeName(config);
    if (::mkdir(native.constData(), 0700) != 0)
        std::abort();
    ::setenv("XDG_CONFIG_HOME", native.constData(), 1);
    QFile dirs(config + QStringLiteral("/user-dirs.dirs"));
    if (!dirs.open(QIODevice::WriteOnly))
        std::abort();
    dirs.write("XDG_DOWNLOAD_DIR=\"$HOME/Fetch\"\n");
    return config;
}

QString FetchFolder()
{
    return QDir::homePath() + QStringLiteral("/Fetch");
}

void WriteIniFixture(const QString& target, const std::function<void(QSettings&)>& fill)
{
    const QString staging = uniquePath(QStringLiteral("fixture")) + QStringLiteral(".ini");
    {
        QSettings settings(staging, QSettings::IniFormat);
        fill(settings);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            std::abort();
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile::remove(target);
    if (!QFile::copy(staging, target))
        std::abort();
}

QByteArray ReadFileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

int FileMode(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}
