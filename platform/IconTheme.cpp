#include "platform/IconTheme.h"

#include "platform/AtomicFile.h"

#include <QFile>
#include <QStandardPaths>

QString ThemeIconPath(const QString& context, const QString& name, int size)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/icons/hicolor/%1x%1/%2/%3.png").arg(QString::number(size), context, name);
}

bool WriteThemeIcon(const QString& context, const QString& name, int size, const QByteArray& png)
{
    return WriteFileAtomically(ThemeIconPath(context, name, size), png);
}

bool RemoveThemeIcon(const QString& context, const QString& name, int size)
{
    return QFile::remove(ThemeIconPath(context, name, size));
}
