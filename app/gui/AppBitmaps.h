#pragma once

#include <QPixmap>

// The program's 16 x 16 bitmaps by resource id: 323, 324, 325, 326, 327, 328,
// 413 and 431 the download states. Drawn once, at first use; an unknown id
// gives a null pixmap.
QPixmap AppBitmap(int resourceId);
