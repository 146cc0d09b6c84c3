#pragma once

#include <QColor>

// The colours the program's drawn images share, so that icons, menu images and
// bitmaps read as one set.
inline const QColor kArtGreen(6, 176, 37);
inline const QColor kArtBlue(0, 120, 215);
inline const QColor kArtAmber(232, 162, 0);
inline const QColor kArtRed(218, 38, 38);
inline const QColor kArtPurple(136, 72, 196);
inline const QColor kArtPaper(250, 250, 250);
