#include "app/AppDataFile.h"

#include "platform/PrivatePaths.h"

#include <QFileInfo>
#include <QStandardPaths>

bool GetAppDataFilePath(AppDataFile file, QString& path)
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return false;
    path = data + QStringLiteral("/Vandrel/");
    if (!QFileInfo(path).isDir())
        CreatePrivateFolders(path);
    switch (file) {
    case AppDataUrlsHistory:
        path += QStringLiteral("UrlsHistory.vrh");
        return true;
    case AppDataDownloadLocations:
        path += QStringLiteral("DownloadLocations.vrh");
        return true;
    case AppDataDefaultDownloadList:
        path += QStringLiteral("DefaultDownloadList.vrl");
        return true;
    }
    return false;
}
