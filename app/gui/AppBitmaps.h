#pragma once

#include <QPixmap>

// The program's 16 x 16 bitmaps by resource id: 323, 324, 325, 326, 327, 328,
// 413 and 431 the download states; 347, 388 to 393, 406, 440, 444 and 473 the
// options tree's pages. Drawn once, at first use; an unknown id
// gives a null pixmap.
QPixmap AppBitmap(int resourceId);
