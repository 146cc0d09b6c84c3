#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at an absolute path with the data in one step (a reader sees
// the old file or the new one, never a part), making missing folders owner-only
// first. For the desktop's files (entries, packages, icons) that hold nothing
// private: the file gets the usual mode, 0644 under the usual umask.
bool WriteFileAtomically(const QString& path, const QByteArray& data);
