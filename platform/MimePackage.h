#pragma once

#include <QString>
#include <QStringList>

// One file type of the user's shared-mime-info database.
struct MimeTypeInfo
{
    QString type;      // "application/x-..."
    QString comment;   // what the desktop calls files of the type
    QString iconName;  // the icon theme's name for them
    QStringList globs; // "*.ext", matched without regard to case
};

// The user's database: DATA/mime, DATA = $XDG_DATA_HOME, else ~/.local/share.
QString MimeFolder();
// DATA/mime/packages/<package>.xml
QString MimePackagePath(const QString& package);

// Writes a package that declares the one type (WriteFileAtomically).
bool WriteMimePackage(const QString& package, const MimeTypeInfo& info);
// False when there was no package or it could not be removed.
bool RemoveMimePackage(const QString& package);

// Rebuilds the database's caches from its packages with update-mime-database,
// waiting at most a few seconds. A missing or failing tool only leaves the
// caches as they were: the desktop then learns of the change later.
void UpdateMimeDatabase();
