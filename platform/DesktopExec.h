#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The Exec value of a desktop entry that runs a command (the program, then its
// arguments), by the Desktop Entry rules: an argument holding a reserved
// character is put in double quotes with '"', '`', '$' and '\' escaped inside;
// then, as in every string value, '\' is doubled; '%' is written "%%". An
// argument without reserved characters stays as it is. Nothing when an argument
// cannot be written in a desktop entry: a control character (a newline, say)
// or a file name that was not valid UTF-8 (decoded to U+FFFD).
std::optional<QString> DesktopExecValue(const QStringList& command);
