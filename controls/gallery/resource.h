// Every id of the gallery program: the skin's and its own.
#pragma once

#include "art_ids.h"

#define IDD_GALLERY 100

// Push buttons in their four looks.
#define IDC_PUSH_NORMAL 1000
#define IDC_PUSH_HOVER 1001
#define IDC_PUSH_PRESSED 1002
#define IDC_PUSH_DISABLED 1003
// Check boxes.
#define IDC_CHECK_NORMAL 1010
#define IDC_CHECK_HOVER 1011
#define IDC_CHECK_TICKED 1012
#define IDC_CHECK_TICKED_HOVER 1013
#define IDC_CHECK_DISABLED 1014
#define IDC_CHECK_DISABLED_TICKED 1015
#define IDC_CHECK_LOCKED 1016
// Tabs from PNG pictures.
#define IDC_TAB_NORMAL 1020
#define IDC_TAB_HOVER 1021
#define IDC_TAB_TICKED 1022
#define IDC_TAB_TICKED_HOVER 1023
#define IDC_TAB_DISABLED 1024
// The older button.
#define IDC_OLD_NORMAL 1030
#define IDC_OLD_TICKED 1031
#define IDC_OLD_HOVER 1032
#define IDC_OLD_DISABLED 1033
// Spin buttons and window shapes.
#define IDC_SPIN_UP 1040
#define IDC_SPIN_DOWN 1041
#define IDC_SHAPE_FIRST 1050
#define IDC_SHAPE_LAST 1054
// Sensitivity stage buttons.
#define IDC_STAGE_FIRST 1060
#define IDC_STAGE_LAST 1063
// Sliders.
#define IDC_SLIDER 1100
#define IDC_SLIDER_LABEL 1101
#define IDC_SLIDER_DISABLED 1102
// Combo boxes and their lists.
#define IDC_COMBO 1110
#define IDC_COMBO_HOVER 1111
#define IDC_COMBO_DISABLED 1112
// Standard controls with help texts, spin box and edit fields.
#define IDC_GW_COMBO 1120
#define IDC_GW_SPIN_EDIT 1121
#define IDC_GW_SPIN 1122
#define IDC_BITMAP_SPIN 1123
#define IDC_BITMAP_EDIT 1124
#define IDC_SMART_EDIT 1125
// Lists, picture areas, bars.
#define IDC_KEY_LIST 1130
#define IDC_KEY_LIST_BAR 1131
#define IDC_PROFILE_LIST 1132
#define IDC_SLIDER_LIST 1133
#define IDC_PICTURE 1134
#define IDC_DELAY_BAR 1135
// Opens the message box.
#define IDC_SHOW_MESSAGE_BOX 1140
