#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QSettings;

// Points XDG_CONFIG_HOME at a new, empty folder (mode 0700) under the test root
// and gives it a user-dirs.dirs with XDG_DOWNLOAD_DIR="$HOME/Fetch". A new path
// per test keeps QSettings' in-process file cache from carrying values between
// tests. Returns the folder.
QString UseFreshConfigHome();

// $HOME/Fetch, the Downloads folder that UseFreshConfigHome's user-dirs.dirs names.
QString FetchFolder();

// Writes an INI fixture through QSettings to a staging file of its own, then
// copies it to target (missing folders created), so that the code under test
// parses the file from disk instead of sharing QSettings' cache with the writer.
void WriteIniFixture(const QString& target, const std::function<void(QSettings&)>& fill);

QByteArray ReadFileBytes(const QString& path);

// The permission bits of a path (lstat), or -1.
int FileMode(const QString& path);
