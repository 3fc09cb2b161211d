// Resource ids of KavixTesselTray.
#pragma once

#define IDI_TRAY 103
#define IDR_TRAY_MENU 105

// Items of the icon's menu.
#define ID_PROFILE_FIRST 40008  // 40008 to 40012: the first five profiles
#define ID_PROFILE_LAST 40012
#define ID_CLOSE_TRAY 40014
#define ID_LOAD_CONFIGURATOR 40016
// Items the template carries that the menu never shows.
#define ID_OTFS_ON 40017
#define ID_OTFS_VISIBLE 40018
#define ID_UNIVERSAL_SCROLLING 40019
#define ID_ENABLE_TRAY_ICON 40020
#define ID_DISABLE_TRAY_ICON 40021
#define ID_HIDDEN_LAST 40025

// Sensitivity gauges: 5000 + DPI / 125 for X and 5100 + DPI / 125 for Y, for 125 to 7124 DPI;
// each picture carries its axis letter.
#define IDB_GAUGE_BASE 5000
#define IDB_GAUGE_FIRST 5001
#define IDB_GAUGE_LAST 5056
#define IDB_GAUGE_Y_OFFSET 100
