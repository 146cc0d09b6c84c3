#pragma once

#include <QString>

// The user's Downloads folder: the one the user-dirs file names, else
// home + "/Downloads".
QString UserDownloadsFolder();

// The user's Downloads folder always exists where other desktops keep it; here
// it may not. When folder names it, lies within the home and is missing, it is
// created as user-dirs would (mode 0755), with any missing folders between it
// and the home. Any other folder is left alone.
void CreateMissingDownloadsFolder(const QString& folder);
