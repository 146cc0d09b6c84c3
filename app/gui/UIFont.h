#pragma once

#include <QFont>
#include <QSize>

// The user-interface font: the preferred face that is installed, its em height
// in pixels from the points at the screen's vertical dpi, bold or normal.
QFont CreateUIFont(int points, bool bold);

// The shared 8-point bold interface font, made when the main window is built.
extern QFont g_fontBold;

// Template sizes are in dialog units: a quarter of the font's average
// character width across, an eighth of its height down. Measured at the font
// in use, a size drawn for one font keeps its proportions at any other font
// and scale.
QSize DialogUnitsToPixels(const QSize& units, const QFont& font);
