// The configurator's looks of the kit's controls, shared by its dialogs.
#pragma once

#include <string>

#include "bitmap_slider.h"
#include "hover_button_v2.h"

namespace tessel::cfgapp {

inline constexpr COLORREF kText = RGB(232, 236, 242);
inline constexpr COLORREF kTextDim = RGB(120, 128, 140);
inline constexpr COLORREF kAccent = RGB(0, 194, 255);

// A push button of the given size; with `check` it keeps a pressed look while ticked.
void PushButton(CHoverButtonV2& button, const std::wstring& caption, SIZE size, bool check = false);
// A check box whose caption may be long; it reports its tick state to `parent`.
void WideCheck(CHoverButtonV2& check, const std::wstring& caption, HoverButtonV2Parent* parent);
// Gives every static text of a dialog `font`: the templates name the embedded Latin face, which
// has no glyphs of the Korean, Chinese or Japanese texts.
void LabelFont(HWND dialog, HFONT font);
// A slider in whole steps from `low` to `high`.
void StepSlider(CBitmapSliderCtrl& slider, float low, float high, CSliderCtrlParent* parent);

}  // namespace tessel::cfgapp
