#pragma once

#include <QPixmap>

// Bitmap resource ids beyond the state images.
inline constexpr int IDB_TOOLBAR = 313;     // the tool bar's 35 images, 32 x 32, in one strip
inline constexpr int IDB_TOOLBAR_HOT = 407; // the same under the mouse
inline constexpr int IDB_LOGO = 434;        // 256 x 256, behind an empty list
inline constexpr int IDB_ABOUT_LOGO = 101;  // 42 x 138, in the About box
inline constexpr int kToolBarImageSize = 32;
inline constexpr int kToolBarImageCount = 35;

// The program's bitmaps by resource id: 323, 324, 325, 326, 327, 328, 413 and
// 431 the download states, the menu images and the options tree's pages
// (16 x 16), the tool-bar strips and both logos. Drawn once, at first use; an unknown id gives a null pixmap.
QPixmap AppBitmap(int resourceId);
