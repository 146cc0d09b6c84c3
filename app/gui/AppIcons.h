#pragma once

#include <QIcon>
#include <QImage>

// Icon resource ids.
inline constexpr int IDR_MAINFRAME = 128;       // the application
inline constexpr int IDI_PANE_IDLE = 337;       // status-bar panes
inline constexpr int IDI_PANE_QUEUED = 338;
inline constexpr int IDI_PANE_RUNNING = 339;
inline constexpr int IDI_PANE_ALL_DONE = 411;
inline constexpr int IDI_PANE_SCHEDULER = 412;
inline constexpr int IDI_HISTORY = 394;         // the history dialog
inline constexpr int IDI_CHECKSUM = 438;        // the checksum dialog
inline constexpr int IDI_DATA_USAGE = 441;      // the data-usage box and its pane
inline constexpr int IDI_TRAY_FIRST_FRAME = 448; // the tray animation, 13 frames
inline constexpr int kTrayFrameCount = 13;
// The download dialogs and their pages.
inline constexpr int IDI_ADD_DOWNLOAD = 352;       // the add dialog
inline constexpr int IDI_DOWNLOAD_ADDRESS = 354;   // its address field
inline constexpr int IDI_DOWNLOAD_PROPERTIES = 372; // the properties dialogs
inline constexpr int IDI_CONNECTION_TYPE = 429;    // the connection page
inline constexpr int IDI_AUTHORIZATION = 430;      // the authorization page

// The program's icons by resource id, drawn once, at first use; an unknown id
// gives a null icon.
QIcon AppIcon(int resourceId);

// The sizes every drawn icon comes in, each drawn from the art at that size, so
// that windows, the tray and hi-dpi screens get sharp images. They are the sizes
// of the desktop's hicolor theme too.
inline constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The program's mark (the IDR_MAINFRAME icon), square, of any size; needs no display.
QImage AppMarkIcon(int size);

// The icon of the program's file types (the executable's second icon), square,
// of any size. Drawn on an image, so that it needs no display.
QImage DocumentIcon(int size);

// An image as PNG file data.
QByteArray PngData(const QImage& image);
