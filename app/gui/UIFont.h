#pragma once

#include <QFont>

// The user-interface font: the preferred face that is installed, its em height
// in pixels from the points at the screen's vertical dpi, bold or normal.
QFont CreateUIFont(int points, bool bold);

// The shared 8-point bold interface font, made when the main window is built.
extern QFont g_fontBold;
