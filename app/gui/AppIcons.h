#pragma once

#include <QIcon>

// Icon resource ids.
inline constexpr int IDR_MAINFRAME = 128;       // the application
inline constexpr int IDI_DATA_USAGE = 441;      // the data-usage box
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
