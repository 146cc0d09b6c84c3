#pragma once

// The main window's command ids: menus, tool bar, accelerators and the tray
// menu all name a command by one of these numbers.

// File
inline constexpr int ID_FILE_EXPORT_SELECTED = 32787;
inline constexpr int ID_FILE_EXPORT_ALL = 32788;
inline constexpr int ID_FILE_IMPORT = 32790;
inline constexpr int ID_FILE_IMPORT_UNFINISHED = 32791;
inline constexpr int ID_APP_EXIT = 57665;

// Download
inline constexpr int ID_DOWNLOAD_ADD = 32782;
inline constexpr int ID_DOWNLOAD_PROPERTIES = 32783;
inline constexpr int ID_DOWNLOAD_START = 32784;
inline constexpr int ID_DOWNLOAD_PAUSE = 32785;
inline constexpr int ID_DOWNLOAD_GET_INFO = 32894;
inline constexpr int ID_DOWNLOAD_DELETE = 32792;
inline constexpr int ID_DOWNLOAD_DELETE_WITH_FILES = 32793;
inline constexpr int ID_DOWNLOAD_RESET = 32838;
inline constexpr int ID_DOWNLOAD_COPY_URL = 32798;
inline constexpr int ID_DOWNLOAD_OPEN_LOCATION = 32799;
inline constexpr int ID_DOWNLOAD_OPEN_FILE = 32948;
inline constexpr int ID_DOWNLOAD_OPEN_IN_BROWSER = 32949;
inline constexpr int ID_DOWNLOAD_CHECKSUM = 32951;
inline constexpr int ID_SCHEDULE_ADD = 32931;
inline constexpr int ID_SCHEDULE_REMOVE = 32932;
inline constexpr int ID_SCHEDULE_TOGGLE = 32933;
inline constexpr int ID_MOVE_UP = 32913;
inline constexpr int ID_MOVE_DOWN = 32914;
inline constexpr int ID_MOVE_TO_TOP = 32915;
inline constexpr int ID_MOVE_TO_BOTTOM = 32916;
inline constexpr int ID_SELECT_ALL = 317;
inline constexpr int ID_DEBUG = 372;

// Actions
inline constexpr int ID_START_ALL = 32800;
inline constexpr int ID_PAUSE_ALL = 32801;
inline constexpr int ID_REMOVE_COMPLETED = 32802;
inline constexpr int ID_CONCURRENCY_DROPDOWN = 310;
inline constexpr int ID_CONCURRENCY_FIRST = 32812; // 1 download
inline constexpr int ID_CONCURRENCY_LAST = 32819;  // 8 downloads
inline constexpr int ID_SPEED_DROPDOWN = 311;
inline constexpr int ID_SPEED_UNLIMITED = 32843;
inline constexpr int ID_SPEED_HIGH = 32844;
inline constexpr int ID_SPEED_MEDIUM = 32845;
inline constexpr int ID_SPEED_LOW = 32846;

// View
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int ID_VIEW_SPEED_METER = 32938;
inline constexpr int ID_SPEED_METER_DARK = 32939;
inline constexpr int ID_SPEED_METER_LIGHT = 32940;
inline constexpr int ID_SPEED_METER_BAR = 32957;
inline constexpr int ID_SPEED_METER_AREA = 32958;
inline constexpr int ID_SPEED_METER_ANALOG = 32959;
inline constexpr int ID_CUSTOMIZE_TOOLBAR = 32935;
inline constexpr int ID_VIEW_COLUMN_FIRST = 32865; // one per column id, 0 to 16
inline constexpr int ID_VIEW_COLUMN_LAST = 32881;
inline constexpr int ID_VIEW_RESET_COLUMNS = 32882;
inline constexpr int ID_VIEW_AUTOSIZE_COLUMNS = 32883;
inline constexpr int ID_VIEW_GRID = 32839;

// Automatic
inline constexpr int ID_ALLDONE_SHUTDOWN = 32905;
inline constexpr int ID_ALLDONE_SLEEP = 32906;
inline constexpr int ID_ALLDONE_HIBERNATE = 32907;
inline constexpr int ID_ALLDONE_EXIT = 32908;
inline constexpr int ID_URL_MONITOR = 32849;
inline constexpr int ID_SCHEDULER = 32929;

// Tools
inline constexpr int ID_HISTORY = 32943;
inline constexpr int ID_DATA_USAGE = 32953;
inline constexpr int ID_OPTIONS = 32848;

// Help
inline constexpr int ID_VERSION_HISTORY = 32899;
inline constexpr int ID_TERMS_OF_USE = 32900;
inline constexpr int ID_APP_ABOUT = 57664;

// Tray menu
inline constexpr int ID_TRAY_OPEN = 32831;
