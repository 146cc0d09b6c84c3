#pragma once

#include <QString>

// The system's text for an errno value, in the user's language, on one line.
QString GetSystemErrorText(int code);
