#pragma once

#include <QString>

#include <functional>

class QDBusConnection;

// Asks the desktop's file manager (org.freedesktop.FileManager1 on the given
// bus, the session bus in production) to open the file's folder with the file
// selected. Does not wait: onFailure runs later, on the calling thread, when no
// file manager answered or the bus is not there.
void ShowItemInFileManager(const QDBusConnection& bus, const QString& filePath, std::function<void()> onFailure);
