#include "platform/AtomicFile.h"

#include "platform/PrivatePaths.h"

#include <QFileInfo>
#include <QSaveFile>

bool WriteFileAtomically(const QString& path, const QByteArray& data)
{
    if (!CreatePrivateFolders(QFileInfo(path).path()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(data);
    return file.commit();
}
