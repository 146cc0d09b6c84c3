#include "app/gui/AppFile.h"

#include "app/gui/Prompts.h"
#include "platform/SystemError.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>

namespace {

// Under the usual install layout the files cannot lie beside a binary in bin/.
const char kInstalledDataFolder[] = "/../share/vandrel/";

// Beside the executable, unless only the installed copy exists.
QString AppFilePath(const QString& name)
{
    const QString appDir = QCoreApplication::applicationDirPath();
    const QString beside = appDir + u'/' + name;
    const QString installed = QDir::cleanPath(appDir + QLatin1String(kInstalledDataFolder) + name);
    return !QFileInfo::exists(beside) && QFileInfo::exists(installed) ? installed : beside;
}

QString ErrorText(const QString& path, int code)
{
    return path + QStringLiteral("\n\n") + GetSystemErrorText(code);
}

} // namespace

QString TryOpenAppFile(const QString& name)
{
    const QString path = AppFilePath(name);
    if (!QFileInfo::exists(path))
        return ErrorText(path, ENOENT);
    // The desktop gives no reason when no application takes the file.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return ErrorText(path, EOPNOTSUPP);
    return QString();
}

void OpenAppFile(const QString& name, QWidget* parent)
{
    const QString error = TryOpenAppFile(name);
    if (!error.isEmpty())
        AppMessageBox(parent, error, MB_ICONERROR);
}
