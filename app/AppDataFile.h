#pragma once

#include <QString>

// The per-user data files.
enum AppDataFile : int
{
    AppDataUrlsHistory = 0,
    AppDataDownloadLocations = 1,
    AppDataDefaultDownloadList = 2,
};

// Fills path with DATA/Vandrel/ + the file's name ("UrlsHistory.vrh",
// "DownloadLocations.vrh", "DefaultDownloadList.vrl"), where DATA is
// $XDG_DATA_HOME (QStandardPaths::GenericDataLocation), and returns true. The
// folder is created when missing, with mode 0700, as are missing parents (the
// XDG rule); a failure to create it is ignored: the caller finds out when it
// opens the file. Any other value gives false with the folder path
// ("DATA/Vandrel/"). With no data location at all: false, path untouched.
bool GetAppDataFilePath(AppDataFile file, QString& path);
