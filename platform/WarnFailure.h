#pragma once

#include <QString>

// Writes "Could not <action> "<path>": <reason>" to standard error, for a failure
// that the window keeps quiet about: the reason is the system's own text.
void WarnFailure(const char* action, const QString& path, const QString& reason);
