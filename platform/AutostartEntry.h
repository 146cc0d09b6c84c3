#pragma once

#include <QString>
#include <QStringList>

// A program's entry in the user's autostart folder (the freedesktop autostart
// rules): CONFIG/autostart/<name>.desktop, CONFIG = $XDG_CONFIG_HOME, else
// ~/.config, read from the environment at each call.
QString AutostartEntryPath(const QString& name);

// Writes the entry (WriteFileAtomically): an application of that name that
// runs the command without a terminal. False when the command
// cannot be written in a desktop entry or the file could not be written.
bool WriteAutostartEntry(const QString& name, const QStringList& command);

// False when there was no entry or it could not be removed.
bool RemoveAutostartEntry(const QString& name);
