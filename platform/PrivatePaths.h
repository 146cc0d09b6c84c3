#pragma once

#include <QFileDevice>
#include <QString>

// Creates every missing folder of an absolute path with mode 0700 (the XDG base
// directory rule; also what the settings and data folders need, since they hold
// passwords in clear text). Folders that exist already keep their mode. True
// when the path is a folder afterwards.
bool CreatePrivateFolders(const QString& path);

// A folder for files that only this user's processes may reach (a lock, a
// socket): $XDG_RUNTIME_DIR when it is an absolute path to a folder of this
// user's with mode 0700, else fallback, made with CreatePrivateFolders when
// missing and held to the same rule. No folder anyone else owns or may enter is
// ever taken: when error is not 0 (an errno value, EACCES for a folder that is
// someone else's or open to others), folder names the fallback that failed the
// rule, for a message only.
struct PrivateRuntimeFolder
{
    QString folder;
    int error = 0;
};
PrivateRuntimeFolder FindPrivateRuntimeFolder(const QString& fallback);

// Creates an empty file with O_CREAT|O_EXCL and mode 0600 unless something
// already exists at the path. True when the path exists afterwards.
bool CreatePrivateFile(const QString& path);

// Mode 0600, for every file that holds passwords or URLs that may carry them
// (QSaveFile and QFile would otherwise create 0644).
inline constexpr QFileDevice::Permissions kOwnerOnlyPermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
