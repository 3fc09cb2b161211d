// CSpinButton: a CHoverButtonV2 that repeats its step while it is held.
#pragma once

#include "hover_button_v2.h"

class CSpinButton : public CHoverButtonV2 {
 public:
  static constexpr UINT_PTR kRepeatTimer = 112;
  static constexpr UINT kRepeatMs = 50;

 protected:
  LRESULT OnLButtonDown(UINT flags, POINT p) override;
  LRESULT OnLButtonDblClk(UINT flags, POINT p) override;
  LRESULT OnLButtonUp(UINT flags, POINT p) override;
  LRESULT OnTimer(UINT_PTR id) override;
};
