// The callback interfaces through which skinned controls report to the dialog that owns them.
// The owner derives from the interface it needs and hands the control its pointer.
#pragma once

#include <windows.h>

#include <string>

class CBitmapSliderCtrl;

// The dialog that shows help texts; the older button hands its text over directly.
class HelpTextOwner {
 public:
  virtual void ShowHelpText(const std::wstring& text) = 0;

 protected:
  ~HelpTextOwner() = default;
};

class HoverButtonV2Parent {
 public:
  // A button was toggled or commanded: the command value, or the new tick state when the
  // command value is -1.
  virtual void OnHoverButtonV2(int controlId, int value) = 0;

 protected:
  ~HoverButtonV2Parent() = default;
};

class CSliderCtrlParent {
 public:
  virtual void OnSliderThumbPressed(CBitmapSliderCtrl* slider, float value) = 0;
  virtual void OnSliderValueChanging(CBitmapSliderCtrl* slider, float value) = 0;
  virtual void OnSliderValueChanged(CBitmapSliderCtrl* slider, float value) = 0;

 protected:
  ~CSliderCtrlParent() = default;
};

// Phases of a mouse event over a picture area.
enum class MousePhase { Pressed = 1, MovedWhilePressed = 2, Released = 3 };

class CBackgroundWndParent {
 public:
  virtual void OnBackgroundMouse(HWND window, UINT keyFlags, int x, int y, MousePhase phase) = 0;

 protected:
  ~CBackgroundWndParent() = default;
};

class ComboBoxParent {
 public:
  virtual void OnComboBoxEnter(int controlId) = 0;
  virtual void OnComboBoxLeave(int controlId) = 0;
  // The cursor left the open list, which closes.
  virtual void OnComboListLeft(int ownerId) = 0;
  // A choice in the list: the owner box's id and the chosen item index.
  virtual void OnComboBoxChoice(int ownerId, int itemIndex) = 0;

 protected:
  ~ComboBoxParent() = default;
};

class ComboBoxParentV2 {
 public:
  // The cursor rests on an item with a value: non-null marks the item as one with choices.
  virtual const void* OnItemWithValue(int ownerId, int itemIndex, int itemValue) = 0;
  virtual void OnItemWithoutValue(int ownerId, int itemIndex) = 0;
  // Asked while the highlighted item is painted: non-zero opens the second-level popup soon.
  virtual int HasSecondLevel(int ownerId, int itemIndex) = 0;
  virtual void FillSecondLevel(int ownerId, int itemIndex, HMENU menu) = 0;
  virtual void OnSecondLevelChoice(int ownerId, int itemIndex, int command, HMENU menu) = 0;

 protected:
  ~ComboBoxParentV2() = default;
};

class BitmapListCtrlV2Parent {
 public:
  virtual void OnListSelectionChanged(HWND /*list*/, int /*row*/) {}
  virtual void OnListDoubleClick(HWND /*list*/, int /*row*/, int /*column*/) {}
  virtual void OnListRightClick(HWND /*list*/, int /*row*/, POINT /*screen*/) {}
  virtual void OnListMiddleClick(HWND /*list*/, int /*row*/) {}
  virtual void OnListEditStarted(HWND /*list*/, int /*row*/, int /*column*/) {}
  virtual void OnListEditEnded(HWND /*list*/, int /*row*/, int /*column*/, const wchar_t* /*text*/) {}
  virtual void OnListCellToggled(HWND /*list*/, int /*row*/, int /*column*/) {}
  virtual void OnListKey(HWND /*list*/, UINT /*key*/, UINT /*flags*/) {}
  virtual void OnListScrolled(HWND /*list*/, int /*topRow*/) {}
  virtual void OnListMouseButton(HWND /*list*/, UINT /*message*/, POINT /*client*/) {}

 protected:
  ~BitmapListCtrlV2Parent() = default;
};

// Events of the macro recorder; its dialog fills in what it needs.
class ScanMacroParent {
 public:
  virtual void OnScanKeyDown(UINT /*key*/) {}
  virtual void OnScanKeyUp(UINT /*key*/) {}
  virtual void OnScanMouseDown(int /*button*/) {}
  virtual void OnScanMouseUp(int /*button*/) {}
  virtual void OnScanStarted() {}
  virtual void OnScanStopped() {}
  virtual void OnScanTick(DWORD /*elapsedMs*/) {}
  virtual void OnScanOverflow() {}
  virtual void OnScanFocusLost() {}
  virtual void OnScanRowAdded(int /*row*/) {}
  virtual void OnScanRowRemoved(int /*row*/) {}
  virtual void OnScanCleared() {}

 protected:
  ~ScanMacroParent() = default;
};
