#pragma once

#include <QString>

// Puts the text on the clipboard; false for a null text.
bool SetClipboardText(const QString& text);
// The clipboard's text up to its first NUL; false, leaving `text` alone, when
// the clipboard holds no text.
bool GetClipboardText(QString* text);
