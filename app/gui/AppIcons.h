#pragma once

#include <QIcon>
#include <QImage>

// Icon resource ids.
inline constexpr int IDR_MAINFRAME = 128;       // the application
inline constexpr int IDI_DATA_USAGE = 441;      // the data-usage box
inline constexpr int IDI_TRAY_FIRST_FRAME = 448; // the tray animation, 13 frames
inline constexpr int kTrayFrameCount = 13;

// The program's icons by resource id, drawn once, at first use; an unknown id
// gives a null icon.
QIcon AppIcon(int resourceId);

// The icon of the program's file types (the executable's second icon), square,
// of any size. Drawn on an image, so that it needs no display.
QImage DocumentIcon(int size);
