#include "platform/AutostartEntry.h"

#include "platform/AtomicFile.h"
#include "platform/DesktopExec.h"

#include <QFile>
#include <QStandardPaths>

QString AutostartEntryPath(const QString& name)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart/")
        + name + QStringLiteral(".desktop");
}

bool WriteAutostartEntry(const QString& name, const QStringList& command)
{
    const std::optional<QString> exec = DesktopExecValue(command);
    if (!exec)
        return false;
    const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nTerminal=false\n")
                             .arg(name, *exec);
    return WriteFileAtomically(AutostartEntryPath(name), text.toUtf8());
}

bool RemoveAutostartEntry(const QString& name)
{
    return QFile::remove(AutostartEntryPath(name));
}
