#pragma once

#include <QString>

// Removes what is at the path, a folder with everything below it depth first,
// without ever following a symbolic link (a link is removed, not its target).
// 0 on success, ENOENT when nothing is there, else the errno of the first
// failure; what was removed before it stays removed.
int RemoveTree(const QString& path);
