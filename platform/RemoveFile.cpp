#include "platform/RemoveFile.h"

#include "platform/WarnFailure.h"

#include <QFile>

bool RemoveFile(const QString& path)
{
    QFile file(path);
    if (file.remove() || !file.exists())
        return true;
    WarnFailure("remove", path, file.errorString());
    return false;
}
