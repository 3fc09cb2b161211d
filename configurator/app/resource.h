// Every id of TesselCfg: the skin's and the program's own.
#pragma once

#include "art_ids.h"

#define IDS_ABOUTBOX 101
#define IDD_TESSELCFG_DIALOG 102
#define IDD_DPI_STAGES 3300

// The program's own pictures.
#define IDB_MAIN_PANEL 3400
#define IDB_STAGES_BOX 3401
#define IDB_CHECK_WIDE 3410
#define IDB_CHECK_WIDE_HOVER 3411
#define IDB_CHECK_WIDE_TICKED 3412
#define IDB_CHECK_WIDE_TICKED_HOVER 3413
#define IDB_CHECK_WIDE_DISABLED 3414
#define IDB_CHECK_WIDE_DISABLED_TICKED 3415
#define IDB_CHECK_WIDE_MASK 3416

// Main dialog: command buttons.
#define IDC_APPLY 1022
#define IDC_MINIMIZE 1030
#define IDC_CLOSE 1031
#define IDC_MARKER 1032
// Tab buttons, one per page.
#define IDC_TAB_BUTTONS 1063
#define IDC_TAB_PERFORMANCE 1064
#define IDC_TAB_PROFILES 1065
#define IDC_TAB_MACROS 1066
#define IDC_TAB_LIGHTING 1067

// Button page: the rows' lists.
#define IDC_BUTTON_ROW_FIRST 2800
#define IDC_BUTTON_ROW_LAST 2808

// Performance page.
#define IDC_SENSITIVITY_X 898
#define IDC_SENSITIVITY_Y 899
#define IDC_SENSITIVITY_X_LABEL 900
#define IDC_SENSITIVITY_Y_LABEL 901
#define IDC_ACCELERATION 902
#define IDC_ACCELERATION_LABEL 903
#define IDC_INDEPENDENT_XY 1050
#define IDC_OTFS_NOTICE 1051
#define IDC_ACCELERATION_ON 1052
#define IDC_RATE_125 1056
#define IDC_RATE_500 1057
#define IDC_RATE_1000 1058
#define IDC_STAGES 2150

// Sensitivity stages dialog.
#define IDC_STAGE_FIRST 905
#define IDC_STAGE_LAST 909
#define IDC_STAGE_INDEPENDENT 911
#define IDC_STAGE_LABEL_FIRST 912
#define IDC_STAGE_SLIDER_X 925
#define IDC_STAGE_SLIDER_Y 926
#define IDC_STAGE_COUNT 924

// Language commands: 22000 + the language's index.
#define IDM_LANGUAGE_FIRST 22000
#define IDM_LANGUAGE_LAST 22050
#define IDM_ABOUTBOX 0x10
