#include "spin_button.h"

// One step on the press, then one per timer tick until the release.
LRESULT CSpinButton::OnLButtonDown(UINT flags, POINT p) {
  LRESULT r = CHoverButtonV2::OnLButtonDown(flags, p);
  if (!pressEnabled_) return r;
  Notify(commandValue_);
  StartTimer(kRepeatTimer, kRepeatMs);
  return r;
}

LRESULT CSpinButton::OnLButtonDblClk(UINT flags, POINT p) { return OnLButtonDown(flags, p); }

LRESULT CSpinButton::OnLButtonUp(UINT flags, POINT p) {
  StopTimer(kRepeatTimer);
  return CHoverButtonV2::OnLButtonUp(flags, p);
}

LRESULT CSpinButton::OnTimer(UINT_PTR id) {
  if (id != kRepeatTimer) return CHoverButtonV2::OnTimer(id);
  Notify(commandValue_);  // the pressed button holds the capture, so the release ends this
  return 0;
}
