#pragma once

#include <QPixmap>

inline constexpr int IDB_LOGO = 101; // the About box's logo, 42 x 138

// The program's bitmaps by resource id: 323, 324, 325, 326, 327, 328, 413 and
// 431 the download states (16 x 16), and IDB_LOGO. Drawn once, at first use;
// an unknown id gives a null pixmap.
QPixmap AppBitmap(int resourceId);
