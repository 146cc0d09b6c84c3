#include "app/DownloadsFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

constexpr QFile::Permissions kFolderMode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
    | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

} // namespace

QString UserDownloadsFolder()
{
    const QString known = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return known.isEmpty() ? QDir::homePath() + QStringLiteral("/Downloads") : known;
}

void CreateMissingDownloadsFolder(const QString& folder)
{
    const QString downloads = QDir::cleanPath(UserDownloadsFolder());
    const QString home = QDir::cleanPath(QDir::homePath());
    if (QDir::cleanPath(folder) != downloads || !downloads.startsWith(home + u'/') || !QFileInfo(home).isDir())
        return;
    QString path = home;
    for (const QString& part : QDir(home).relativeFilePath(downloads).split(u'/')) {
        path += u'/' + part;
        if (!QFileInfo::exists(path) && !QDir().mkdir(path, kFolderMode))
            return;
    }
}
