#pragma once

#include <QString>

// Removes the file at the path; nothing there counts as removed. A failure is
// written to standard error with the system's reason and gives false.
bool RemoveFile(const QString& path);
