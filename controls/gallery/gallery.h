// The gallery: one dialog that shows every control class of the kit in each of its looks, and
// records what the controls report, so tests can drive it and a reviewer can see the skin.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "background_wnd.h"
#include "bitmap_list.h"
#include "bitmap_scrollbar.h"
#include "bitmap_slider.h"
#include "bitmap_spin.h"
#include "combo_box.h"
#include "delay_bar.h"
#include "hover_button.h"
#include "hover_button_v2.h"
#include "message_box.h"
#include "slider_list.h"
#include "spin_button.h"
#include "standard_controls.h"
#include "wingui/window.h"

// The picture area of the gallery marks the last point pressed on it.
class CGalleryPicture : public CBackgroundWnd {
 public:
  void Mark(POINT p) { mark_ = p; Invalidate(); }

 protected:
  void DrawForeground(HDC dc, const RECT& client) override;

 private:
  POINT mark_{-1, -1};
};

class CGallery : public wingui::Dialog,
                 public HoverButtonV2Parent,
                 public CSliderCtrlParent,
                 public CBackgroundWndParent,
                 public ComboBoxParent,
                 public ComboBoxParentV2,
                 public BitmapListCtrlV2Parent,
                 public HelpTextOwner {
 public:
  // What the controls reported, in order ("event: details").
  std::vector<std::wstring> events;
  std::wstring helpText;

  bool Open(HINSTANCE module);  // modeless
  // Shows the message box with an input field and key capture; answers its result.
  INT_PTR ShowMessageBox();
  // Every control, for tests that drive them and the benchmark that counts them.
  std::vector<HWND> Controls() const;
  // Changes every control's look once and reloads its pictures and fonts.
  void CycleStates(int step);

  std::array<CHoverButtonV2, 4> push;
  std::array<CHoverButtonV2, 7> check;
  std::array<CHoverButtonV2, 5> tab;
  std::array<CHoverButton, 4> old;
  CSpinButton spinUp, spinDown;
  std::array<CHoverButtonV2, 5> shape;
  std::array<CHoverButtonV2, 4> stage;
  CHoverButtonV2 showBox;
  CBitmapSliderCtrl slider, sliderDisabled;
  CBitmapComboBox combo, comboHover, comboDisabled;
  CComboBoxList comboList, comboHoverList;
  CGWComboBox gwCombo;
  CGWSpinButtonCtrl gwSpin;
  CBitmapSpinCtrl bitmapSpin;
  CBitmapEditCtrl bitmapEdit;
  CSmartEdit smartEdit;
  CBitmapListCtrlV2 keyList;
  CBitmapScrollbar keyListBar;
  CBitmapListCtrlV3 profileList;
  CSliderListCtrlV2 sliderList;
  CGalleryPicture picture;
  CBitmapDelayBarCtrl delayBar;

  // HoverButtonV2Parent
  void OnHoverButtonV2(int controlId, int value) override;
  // CSliderCtrlParent
  void OnSliderThumbPressed(CBitmapSliderCtrl* slider, float value) override;
  void OnSliderValueChanging(CBitmapSliderCtrl* slider, float value) override;
  void OnSliderValueChanged(CBitmapSliderCtrl* slider, float value) override;
  // CBackgroundWndParent
  void OnBackgroundMouse(HWND window, UINT keyFlags, int x, int y, MousePhase phase) override;
  // ComboBoxParent
  void OnComboBoxEnter(int controlId) override;
  void OnComboBoxLeave(int controlId) override;
  void OnComboListLeft(int ownerId) override;
  void OnComboBoxChoice(int ownerId, int itemIndex) override;
  // ComboBoxParentV2
  const void* OnItemWithValue(int ownerId, int itemIndex, int itemValue) override;
  void OnItemWithoutValue(int ownerId, int itemIndex) override;
  int HasSecondLevel(int ownerId, int itemIndex) override;
  void FillSecondLevel(int ownerId, int itemIndex, HMENU menu) override;
  void OnSecondLevelChoice(int ownerId, int itemIndex, int command, HMENU menu) override;
  // BitmapListCtrlV2Parent
  void OnListSelectionChanged(HWND list, int row) override;
  void OnListCellToggled(HWND list, int row, int column) override;
  void OnListEditEnded(HWND list, int row, int column, const wchar_t* text) override;
  // HelpTextOwner
  void ShowHelpText(const std::wstring& text) override;

 protected:
  BOOL OnInitDialog() override;
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT OnEraseBackground(HDC dc) override;
  LRESULT OnCommand(int id, int code, HWND ctl) override;
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  void OnCancel() override;

 private:
  void PaintBackground(HDC dc);
  void Record(std::wstring event);
  void Place(int id, int x, int y, int width = 0, int height = 0);

  wingui::UniqueBitmap panel_;
  wingui::UniqueFont headingFont_, statusFont_, stageFont_;
  wingui::UniqueBrush labelBrush_;
  int stageSelected_ = 0;
};
