#include "configurator/app/looks.h"

#include "configurator/app/resource.h"
#include "skin_paint.h"

namespace tessel::cfgapp {

void PushButton(CHoverButtonV2& button, const std::wstring& caption, SIZE size, bool check) {
    button.SetFixedSize(size.cx, size.cy);
    button.LoadBitmaps(IDB_BUTTON, IDB_BUTTON_PRESSED, IDB_BUTTON_HOVER, IDB_BUTTON_DISABLED, -1, -1, -1);
    button.SetCheckStyle(check);
    button.SetFont(15, DefaultFaceName(), kText, check ? kAccent : RGB(255, 255, 255), check ? RGB(255, 255, 255) : kAccent,
                   kTextDim, true);
    button.SetCaption(caption);
}

void WideCheck(CHoverButtonV2& check, const std::wstring& caption, HoverButtonV2Parent* parent) {
    check.LoadBitmaps(IDB_CHECK_WIDE, IDB_CHECK_WIDE_TICKED, IDB_CHECK_WIDE_HOVER, IDB_CHECK_WIDE_DISABLED,
                      IDB_CHECK_WIDE_MASK, IDB_CHECK_WIDE_DISABLED_TICKED, IDB_CHECK_WIDE_TICKED_HOVER);
    check.SetCheckStyle(true);
    check.SetFont(14, DefaultFaceName(), kText, kText, RGB(255, 255, 255), kTextDim, false);
    check.SetTextLeftEdge(32);
    check.SetTextFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    check.SetCaption(caption);
    check.SetNotification(true, -1, parent);
}

void LabelFont(HWND dialog, HFONT font) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = L"";
        GetClassNameW(child, name, 16);
        if (lstrcmpiW(name, L"Static") == 0) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

void StepSlider(CBitmapSliderCtrl& slider, float low, float high, CSliderCtrlParent* parent) {
    slider.LoadBitmaps(IDB_SLIDER_TRACK, IDB_SLIDER_FILL, IDB_SLIDER_THUMB, IDB_SLIDER_THUMB_PRESSED,
                       IDB_SLIDER_THUMB_DISABLED, IDB_SLIDER_THUMB_MASK);
    slider.SetRange(low, high);
    slider.SetStep(1.0f);
    slider.SetParentCallback(parent);
}

}  // namespace tessel::cfgapp
