// CScanMacro: the macro recorder's capture field. While it shows (over the key list) it takes
// the focus and every key, also those a dialog would keep for itself (Tab, Enter, Escape, Alt),
// and every mouse button pressed over it, and reports them to its ScanMacroParent. It draws
// nothing of its own: what lies under it stays visible.
#pragma once

#include "parents.h"
#include "wingui/window.h"

class CScanMacro : public wingui::Window {
 public:
  // The key word handed to OnScanKeyDown / OnScanKeyUp: the set-1 scan code with the extended
  // flag (0x1FF), and kRepeat for a press that repeats a key already held.
  static constexpr UINT kKeyCode = 0x1FF;
  static constexpr UINT kRepeat = 0x4000;

  void SetParentCallback(ScanMacroParent* parent) { parent_ = parent; }
  // Shows the field over `cover` (client coordinates of the parent) and gives it the focus.
  void Start(const RECT& cover);
  void Stop();
  bool Active() const { return active_; }

 protected:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT OnEraseBackground(HDC) override { return 1; }
  LRESULT OnPaint() override;

 private:
  void Mouse(int button, bool down);

  ScanMacroParent* parent_ = nullptr;
  bool active_ = false;
};
