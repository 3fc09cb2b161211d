// Ids of the skin's pictures and fonts. The numbers the configurator's dialogs already use stay
// as they are; the kit's own pictures follow from 3100.
#pragma once

// Fonts (RCDATA): the embedded face, registered privately at start.
#define IDR_FONT_REGULAR 951
#define IDR_FONT_BOLD 952

// Profile list icons: normal, selected, automatic switching, automatic switching selected.
#define IDB_PROFILE_ICON 2133
#define IDB_PROFILE_ICON_SELECTED 2134
#define IDB_PROFILE_ICON_AUTO 2135
#define IDB_PROFILE_ICON_AUTO_SELECTED 2136

// Drop-down list scrolling: page area, up arrow, down arrow.
#define IDB_COMBO_LIST_TRACK 2260
#define IDB_COMBO_LIST_UP 2266
#define IDB_COMBO_LIST_DOWN 2272

// Sensitivity stage buttons: not selected / selected, X and Y equal / independent.
#define IDB_STAGE 2793
#define IDB_STAGE_INDEPENDENT 2794
#define IDB_STAGE_SELECTED 2795
#define IDB_STAGE_SELECTED_INDEPENDENT 2796

// Message box and small dialog background.
#define IDB_MESSAGE_BOX 2907

// Push button.
#define IDB_BUTTON 3100
#define IDB_BUTTON_HOVER 3101
#define IDB_BUTTON_PRESSED 3102
#define IDB_BUTTON_DISABLED 3103
#define IDB_BUTTON_MASK 3104

// Check box.
#define IDB_CHECK 3110
#define IDB_CHECK_HOVER 3111
#define IDB_CHECK_TICKED 3112
#define IDB_CHECK_TICKED_HOVER 3113
#define IDB_CHECK_DISABLED 3114
#define IDB_CHECK_DISABLED_TICKED 3115
#define IDB_CHECK_MASK 3116

// Tab button, PNG with alpha.
#define IDP_TAB 3120
#define IDP_TAB_HOVER 3121
#define IDP_TAB_PRESSED 3122
#define IDP_TAB_TICKED_HOVER 3123
#define IDP_TAB_DISABLED 3124

// Spin arrows and the spin box's field.
#define IDB_SPIN_UP 3130
#define IDB_SPIN_UP_HOVER 3131
#define IDB_SPIN_UP_PRESSED 3132
#define IDB_SPIN_DOWN 3133
#define IDB_SPIN_DOWN_HOVER 3134
#define IDB_SPIN_DOWN_PRESSED 3135
#define IDB_SPIN_FIELD 3136

// Slider: track, filled track, thumb, pressed thumb, disabled thumb, thumb mask.
#define IDB_SLIDER_TRACK 3140
#define IDB_SLIDER_FILL 3141
#define IDB_SLIDER_THUMB 3142
#define IDB_SLIDER_THUMB_PRESSED 3143
#define IDB_SLIDER_THUMB_DISABLED 3144
#define IDB_SLIDER_THUMB_MASK 3145

// Closed combo box.
#define IDB_COMBO 3150
#define IDB_COMBO_HOVER 3151
#define IDB_COMBO_OPEN 3152
#define IDB_COMBO_DISABLED 3153

// Scroll bar.
#define IDB_SCROLL_UP 3160
#define IDB_SCROLL_DOWN 3161
#define IDB_SCROLL_TRACK 3162
#define IDB_SCROLL_THUMB 3163

// Picture area (the mouse seen from above) and the delay bar.
#define IDB_MOUSE_PICTURE 3170
#define IDB_DELAY_BAR 3175
#define IDB_DELAY_BAR_FILL 3176

// Dialog background panel.
#define IDB_PANEL 3190

// The skinned message box's template and its controls.
#define IDD_BITMAP_MESSAGE_BOX 3200
#define IDC_MESSAGE_TEXT 3201
#define IDC_MESSAGE_INPUT 3202
#define IDC_MESSAGE_KEY 3203
#define IDC_MESSAGE_TITLE 3204
#define IDC_MESSAGE_BUTTON_FIRST 2181
#define IDC_MESSAGE_BUTTON_LAST 2188
#define IDC_MESSAGE_CLOSE 2195
