#pragma once

// The desktop side of the program outside its window, used by the command-line
// modes and the options: the auto-start entry and the file types. Needs only a
// QCoreApplication (the executable's path). Callers need not check the results.

// On writes the user's autostart entry "Vandrel", which starts the program with
// the Autorun switch; off removes it. False when nothing was written or removed.
bool SetAutoStart(bool on);
// Whether the user's autostart entry "Vandrel" is there, whoever wrote it.
bool IsAutoStartOn();

// On declares the list, history and partial-download files as one file type
// with the program's document icon; off removes that declaration and the icons.
// Either way the desktop's type database is rebuilt. False when a file could
// not be written or removed.
bool SetShellIntegration(bool on);

// Removes everything the program put outside its data folder: asks a running
// instance to exit and waits for it to have saved and ended, then removes the
// auto-start entry, the file types and the settings of every version.
void UninstallCleanup();
