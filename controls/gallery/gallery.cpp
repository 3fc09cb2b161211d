#include "gallery.h"

#include <commctrl.h>

#include <cwchar>

#include "resource.h"

namespace {
constexpr COLORREF kText = RGB(232, 236, 242);
constexpr COLORREF kTextDim = RGB(90, 96, 107);
constexpr COLORREF kAccent = RGB(0, 194, 255);
constexpr COLORREF kPanel = RGB(17, 19, 24);
constexpr int kLeft = 24, kRight = 556;

struct Heading {
  int x, y;
  const wchar_t* text;
};
constexpr Heading kHeadings[] = {
    {kLeft, 62, L"PUSH BUTTONS  \u00B7  normal, hover, pressed, disabled"},
    {kLeft, 128, L"CHECK BOXES  \u00B7  green mask: only the box toggles"},
    {kLeft, 270, L"TABS  \u00B7  PNG pictures"},
    {kLeft, 340, L"OLDER BUTTON  \u00B7  CHoverButton"},
    {kLeft, 406, L"WINDOW SHAPES 0\u20134  \u00B7  SPIN BUTTONS"},
    {kLeft, 484, L"SENSITIVITY STAGES  \u00B7  MESSAGE BOX"},
    {kLeft, 552, L"PICTURE AREA  \u00B7  DELAY BAR  \u00B7  SLIDER LIST"},
    {kRight, 62, L"SLIDERS  \u00B7  value %.2f"},
    {kRight, 146, L"COMBO BOXES  \u00B7  list with second-level choices"},
    {kRight, 240, L"STANDARD CONTROLS  \u00B7  SPIN BOX  \u00B7  VALUE FIELD"},
    {kRight, 340, L"KEY LIST  \u00B7  BITMAP SCROLL BAR"},
    {kRight, 520, L"PROFILE LIST"},
};

const wchar_t* const kFunctions[] = {L"Click",       L"Menu",      L"Universal Scrolling",
                                     L"Double-Click", L"Macro",    L"Profile",
                                     L"Forward",     L"Backward",  L"Scroll Up",
                                     L"Scroll Down", L"Button Off"};
}  // namespace

void CGalleryPicture::DrawForeground(HDC dc, const RECT&) {
  if (mark_.x < 0) return;
  wingui::UniqueBrush b(CreateSolidBrush(RGB(255, 138, 30)));
  RECT h{mark_.x - 6, mark_.y, mark_.x + 7, mark_.y + 1}, v{mark_.x, mark_.y - 6, mark_.x + 1, mark_.y + 7};
  FillRect(dc, &h, b.get());
  FillRect(dc, &v, b.get());
}

bool CGallery::Open(HINSTANCE module) { return CreateModeless(module, IDD_GALLERY, nullptr); }

void CGallery::Record(std::wstring event) { events.push_back(std::move(event)); }

void CGallery::Place(int id, int x, int y, int width, int height) {
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (width == 0 ? SWP_NOSIZE : 0);
  SetWindowPos(GetDlgItem(hwnd(), id), nullptr, x, y, width, height, flags);
}

BOOL CGallery::OnInitDialog() {
  HWND self = hwnd();
  HINSTANCE module = GetModuleHandleW(nullptr);
  panel_ = LoadBitmapResource(module, IDB_PANEL);
  SIZE size = BitmapSize(panel_.get());
  SetWindowLongPtrW(self, GWL_EXSTYLE, GetWindowLongPtrW(self, GWL_EXSTYLE) | WS_EX_LAYERED);
  SetLayeredWindowAttributes(self, kTransparentKey, 0, LWA_COLORKEY);
  SetWindowTextW(self, L"Tessel Control Gallery");
  SetWindowPos(self, nullptr, 20, 20, size.cx, size.cy, SWP_NOZORDER);
  headingFont_ = MakeFont(12, DefaultFaceName(), true);
  statusFont_ = MakeFont(14, DefaultFaceName(), false);
  stageFont_ = MakeFont(18, DefaultFaceName(), true);
  labelBrush_.reset(CreateSolidBrush(kPanel));
  const std::wstring face = DefaultFaceName();

  // Push buttons: hover and pressed shown without the mouse.
  const wchar_t* pushCaptions[] = {L"Apply", L"Hover", L"Pressed", L"Disabled"};
  for (int i = 0; i < 4; ++i) {
    CHoverButtonV2& b = Bind(push[i], IDC_PUSH_NORMAL + i);
    Place(IDC_PUSH_NORMAL + i, kLeft + i * 122, 82);
    b.LoadBitmaps(IDB_BUTTON, IDB_BUTTON_PRESSED, IDB_BUTTON_HOVER, IDB_BUTTON_DISABLED,
                  IDB_BUTTON_MASK, -1, -1);
    b.SetFont(15, face, kText, RGB(255, 255, 255), kAccent, kTextDim, true);
    b.SetCaption(pushCaptions[i]);
    b.SetHelpText(std::wstring(L"Push button: ") + pushCaptions[i]);
  }
  push[1].SetHover(true);
  SendMessageW(push[2].hwnd(), BM_SETSTATE, TRUE, 0);
  EnableWindow(push[3].hwnd(), FALSE);

  // Check boxes: the mask makes only the box itself a hit area.
  const wchar_t* checkCaptions[] = {L"Scroll wheel light", L"Hover", L"Battery indicator",
                                    L"Ticked and hover",   L"Disabled", L"Disabled, ticked",
                                    L"Locked (notifies only)"};
  for (int i = 0; i < 7; ++i) {
    CHoverButtonV2& b = Bind(check[i], IDC_CHECK_NORMAL + i);
    Place(IDC_CHECK_NORMAL + i, kLeft + (i % 2) * 250, 150 + (i / 2) * 28);
    b.LoadBitmaps(IDB_CHECK, IDB_CHECK_TICKED, IDB_CHECK_HOVER, IDB_CHECK_DISABLED, IDB_CHECK_MASK,
                  IDB_CHECK_DISABLED_TICKED, IDB_CHECK_TICKED_HOVER);
    b.SetCheckStyle(true);
    b.SetFont(14, face, kText, kText, RGB(255, 255, 255), kTextDim, false);
    b.SetTextLeftEdge(32);
    b.SetTextFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    b.SetCaption(checkCaptions[i]);
    b.SetNotification(true, -1, this);
  }
  check[1].SetHover(true);
  check[2].SetTicked(true);
  check[3].SetTicked(true);
  check[3].SetHover(true);
  EnableWindow(check[4].hwnd(), FALSE);
  check[5].SetTicked(true);
  EnableWindow(check[5].hwnd(), FALSE);
  check[6].SetTicked(true);
  check[6].SetLocked(true);

  // Tabs from PNG pictures, as radio-style page buttons.
  const wchar_t* tabCaptions[] = {L"Buttons", L"Hover", L"Profiles", L"Macros", L"Lighting"};
  for (int i = 0; i < 5; ++i) {
    CHoverButtonV2& b = Bind(tab[i], IDC_TAB_NORMAL + i);
    Place(IDC_TAB_NORMAL + i, kLeft + i * 98, 290);
    b.SetFixedSize(92, 36);
    b.LoadPngs(IDP_TAB, IDP_TAB_HOVER, IDP_TAB_PRESSED, IDP_TAB_TICKED_HOVER, IDP_TAB_DISABLED);
    b.SetCheckStyle(true);
    b.SetFont(14, face, kText, RGB(255, 255, 255), kAccent, kTextDim, true);
    b.SetCaption(tabCaptions[i]);
  }
  tab[1].SetHover(true);
  tab[2].SetTicked(true);
  tab[3].SetTicked(true);
  tab[3].SetHover(true);
  EnableWindow(tab[4].hwnd(), FALSE);

  // The older button.
  const wchar_t* oldCaptions[] = {L"Normal", L"Ticked", L"Hover", L"Disabled"};
  for (int i = 0; i < 4; ++i) {
    CHoverButton& b = Bind(old[i], IDC_OLD_NORMAL + i);
    Place(IDC_OLD_NORMAL + i, kLeft + i * 122, 360);
    b.LoadBitmaps(IDB_BUTTON, IDB_BUTTON_PRESSED, IDB_BUTTON_HOVER, IDB_BUTTON_DISABLED);
    b.SetText(oldCaptions[i]);
    b.SetOwner(this);
    b.SetHelpText(std::wstring(L"Older button: ") + oldCaptions[i]);
  }
  old[1].SetTicked(true);
  SendMessageW(old[2].hwnd(), WM_MOUSEHOVER, 0, 0);
  EnableWindow(old[3].hwnd(), FALSE);

  // Window shapes 0 to 4 on small buttons, and the spin buttons.
  const wchar_t* shapeCaptions[] = {L"0", L"1", L"2", L"3", L"4"};
  for (int i = 0; i < 5; ++i) {
    CHoverButtonV2& b = Bind(shape[i], IDC_SHAPE_FIRST + i);
    Place(IDC_SHAPE_FIRST + i, kLeft + i * 66, 426);
    b.SetFixedSize(58, 40);
    b.LoadBitmaps(IDB_STAGE_SELECTED, IDB_STAGE, IDB_STAGE_SELECTED_INDEPENDENT, -1, -1, -1, -1);
    b.SetFont(16, face, kText, kText, RGB(255, 255, 255), kTextDim, true);
    b.SetCaption(shapeCaptions[i]);
    b.SetWindowShape(i, 0, 0, 58, 40, 16, 16);
  }
  Bind(spinUp, IDC_SPIN_UP);
  Place(IDC_SPIN_UP, kLeft + 5 * 66 + 8, 426);
  spinUp.LoadBitmaps(IDB_SPIN_UP, IDB_SPIN_UP_PRESSED, IDB_SPIN_UP_HOVER, -1, -1, -1, -1);
  spinUp.SetNotification(true, 1, this);
  Bind(spinDown, IDC_SPIN_DOWN);
  Place(IDC_SPIN_DOWN, kLeft + 5 * 66 + 8, 440);
  spinDown.LoadBitmaps(IDB_SPIN_DOWN, IDB_SPIN_DOWN_PRESSED, IDB_SPIN_DOWN_HOVER, -1, -1, -1, -1);
  spinDown.SetNotification(true, -1, this);

  // Sensitivity stage buttons in their four looks.
  const int stageLooks[] = {IDB_STAGE, IDB_STAGE_INDEPENDENT, IDB_STAGE_SELECTED,
                            IDB_STAGE_SELECTED_INDEPENDENT};
  for (int i = 0; i < 4; ++i) {
    CHoverButtonV2& b = Bind(stage[i], IDC_STAGE_FIRST + i);
    Place(IDC_STAGE_FIRST + i, kLeft + i * 52, 502);
    b.LoadBitmaps(stageLooks[i], 0, 0, -1, -1, -1, -1);
    b.SetFont(18, face, kText, kText, kText, kTextDim, true);
    b.SetCaption(std::to_wstring(i + 1));
  }
  Bind(showBox, IDC_SHOW_MESSAGE_BOX);
  Place(IDC_SHOW_MESSAGE_BOX, kLeft + 4 * 52 + 20, 508);
  showBox.SetFixedSize(150, 32);
  showBox.LoadBitmaps(IDB_BUTTON, IDB_BUTTON_PRESSED, IDB_BUTTON_HOVER, IDB_BUTTON_DISABLED, -1,
                      -1, -1);
  showBox.SetFont(15, face, kText, RGB(255, 255, 255), kAccent, kTextDim, true);
  showBox.SetCaption(L"Message box\u2026");

  // Picture area, delay bar, slider list.
  Bind(picture, IDC_PICTURE);
  Place(IDC_PICTURE, kLeft, 572, 200, 112);
  picture.SetPicture(IDB_MOUSE_PICTURE);
  picture.SetParentCallback(this);
  picture.SetHelpText(L"Picture area: press and drag");
  Bind(delayBar, IDC_DELAY_BAR);
  Place(IDC_DELAY_BAR, kLeft + 216, 572);
  delayBar.LoadBitmaps(IDB_DELAY_BAR, IDB_DELAY_BAR_FILL);
  delayBar.SetRange(1000);
  delayBar.SetValue(400);
  Bind(sliderList, IDC_SLIDER_LIST);
  Place(IDC_SLIDER_LIST, kLeft + 216, 592, 292, 92);
  sliderList.AddRow(L"Pointer speed", 6, 1, 10);
  sliderList.AddRow(L"Acceleration", 2, 1, 10);
  sliderList.AddRow(L"Wheel lines", 3, 1, 10);

  // Sliders.
  Bind(slider, IDC_SLIDER);
  Place(IDC_SLIDER, kRight, 82);
  slider.LoadBitmaps(IDB_SLIDER_TRACK, IDB_SLIDER_FILL, IDB_SLIDER_THUMB, IDB_SLIDER_THUMB_PRESSED,
                     IDB_SLIDER_THUMB_DISABLED, IDB_SLIDER_THUMB_MASK);
  slider.SetParentCallback(this);
  slider.SetHelpText(L"Slider: drag the thumb or hold on the track");
  Place(IDC_SLIDER_LABEL, kRight + 232, 84, 60, 20);
  slider.SetLabel(GetDlgItem(self, IDC_SLIDER_LABEL));
  SendDlgItemMessageW(self, IDC_SLIDER_LABEL, WM_SETFONT,
                      reinterpret_cast<WPARAM>(statusFont_.get()), FALSE);
  Bind(sliderDisabled, IDC_SLIDER_DISABLED);
  Place(IDC_SLIDER_DISABLED, kRight, 112);
  sliderDisabled.LoadBitmaps(IDB_SLIDER_TRACK, IDB_SLIDER_FILL, IDB_SLIDER_THUMB,
                             IDB_SLIDER_THUMB_PRESSED, IDB_SLIDER_THUMB_DISABLED,
                             IDB_SLIDER_THUMB_MASK);
  sliderDisabled.SetValue(3.0f);
  EnableWindow(sliderDisabled.hwnd(), FALSE);

  // Combo boxes with their lists.
  CBitmapComboBox* boxes[] = {&combo, &comboHover, &comboDisabled};
  for (int i = 0; i < 3; ++i) {
    Bind(*boxes[i], IDC_COMBO + i);
    Place(IDC_COMBO + i, kRight + (i % 2) * 206, 166 + (i / 2) * 34);
    boxes[i]->LoadBitmaps(IDB_COMBO, IDB_COMBO_HOVER, IDB_COMBO_OPEN, IDB_COMBO_DISABLED);
    boxes[i]->SetParent(this);
  }
  CComboBoxList* lists[] = {&comboList, &comboHoverList};
  for (int i = 0; i < 2; ++i) {
    lists[i]->Create(*boxes[i]);
    lists[i]->SetParents(this, this);
    for (const wchar_t* f : kFunctions)
      lists[i]->AddItem(f, (std::wstring(f) == L"Macro" || std::wstring(f) == L"Profile") ? 1 : 0);
    boxes[i]->SetCurSel(i);
  }
  combo.SetHelpText(L"Combo box: choose a function");
  SendMessageW(comboHover.hwnd(), WM_MOUSEHOVER, 0, 0);
  comboDisabled.SetText(L"Disabled");
  EnableWindow(comboDisabled.hwnd(), FALSE);

  // Standard controls with help texts, the spin box and the value fields.
  Bind(gwCombo, IDC_GW_COMBO);
  Place(IDC_GW_COMBO, kRight, 260, 160, 200);
  for (const wchar_t* rate : {L"125 Hz", L"500 Hz", L"1000 Hz"})
    SendMessageW(gwCombo.hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rate));
  SendMessageW(gwCombo.hwnd(), CB_SETCURSEL, 2, 0);
  gwCombo.SetHelpText(L"Standard combo box");
  Place(IDC_GW_SPIN_EDIT, kRight + 170, 260, 64, 24);
  Bind(gwSpin, IDC_GW_SPIN);
  SendMessageW(gwSpin.hwnd(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(self, IDC_GW_SPIN_EDIT)), 0);
  SendMessageW(gwSpin.hwnd(), UDM_SETRANGE32, 1, 32);
  SendMessageW(gwSpin.hwnd(), UDM_SETPOS32, 0, 12);
  gwSpin.SetHelpText(L"Standard spin control");
  Bind(bitmapSpin, IDC_BITMAP_SPIN);
  Place(IDC_BITMAP_SPIN, kRight + 250, 259);
  bitmapSpin.SetRange(2, 5);
  bitmapSpin.SetValue(3);
  bitmapSpin.SetHelpText(L"Number of sensitivity stages");
  Bind(bitmapEdit, IDC_BITMAP_EDIT);
  Place(IDC_BITMAP_EDIT, kRight, 300, 100, 24);
  bitmapEdit.SetValue(1.5);
  bitmapEdit.SetHelpText(L"Value field: %.2f");
  Bind(smartEdit, IDC_SMART_EDIT);
  Place(IDC_SMART_EDIT, kRight + 110, 300, 150, 24);
  SetDlgItemTextW(self, IDC_SMART_EDIT, L"Click to type");
  for (int id : {IDC_SMART_EDIT, IDC_GW_SPIN_EDIT, IDC_GW_COMBO})
    SendDlgItemMessageW(self, id, WM_SETFONT, reinterpret_cast<WPARAM>(statusFont_.get()), FALSE);

  // Key list with its scroll bar.
  Bind(keyList, IDC_KEY_LIST);
  Place(IDC_KEY_LIST, kRight, 360, 440, 150);
  Bind(keyListBar, IDC_KEY_LIST_BAR);
  Place(IDC_KEY_LIST_BAR, kRight + 442, 360, 14, 150);
  keyListBar.LoadBitmaps(IDB_SCROLL_UP, IDB_SCROLL_DOWN, IDB_SCROLL_TRACK, IDB_SCROLL_THUMB);
  keyList.AttachScrollBar(&keyListBar);
  keyList.AddRow(L"LShift", CBitmapListCtrlV2::kKeyPress, 42);
  keyList.AddRow(CBitmapListCtrlV2::DelayText(0.3), CBitmapListCtrlV2::kDelay, 300);
  keyList.AddRow(L"A", CBitmapListCtrlV2::kKeyPress, 30);
  keyList.AddRow(CBitmapListCtrlV2::DelayText(0.05), CBitmapListCtrlV2::kDelay, 50);
  keyList.AddRow(L"A", CBitmapListCtrlV2::kKeyRelease, 30);
  keyList.AddRow(L"Left Button Down", CBitmapListCtrlV2::kMouse, 0x200);
  keyList.AddRow(CBitmapListCtrlV2::DelayText(0.1), CBitmapListCtrlV2::kDelay, 100);
  keyList.AddRow(L"Left Button Up", CBitmapListCtrlV2::kMouse, 0x8200);
  keyList.AddRow(L"LShift", CBitmapListCtrlV2::kKeyRelease, 42);
  keyList.AddRow(L"Wheel Up", CBitmapListCtrlV2::kMouse, 0x400);
  keyList.SetParentCallback(this);
  keyList.Select(2);

  // Profile list.
  Bind(profileList, IDC_PROFILE_LIST);
  Place(IDC_PROFILE_LIST, kRight, 540, 456, 144);
  profileList.AddColumn(L"Profile Name", 170, true);
  profileList.AddColumn(L"Application", 136, true);
  profileList.AddColumn(L"Auto Switch", 94, false, true);
  profileList.AddRow({L"Default", L"<none>", L""});
  profileList.AddRow({L"Shooter", L"arena.exe", L""}, true);
  profileList.AddRow({L"Strategy", L"<none>", L""});
  profileList.AddRow({L"Racing", L"drift.exe", L""}, true);
  profileList.SetParentCallback(this);
  profileList.Select(1);
  return TRUE;
}

std::vector<HWND> CGallery::Controls() const {
  std::vector<HWND> all;
  for (HWND c = GetWindow(hwnd(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) all.push_back(c);
  return all;
}

void CGallery::CycleStates(int step) {
  bool on = step % 2 != 0;
  for (auto& b : check) b.SetTicked(on);
  for (auto& b : tab) b.SetHover(on);
  push[0].SetHover(on);
  push[0].SetFont(14 + step % 3, L"", kText, RGB(255, 255, 255), kAccent, kTextDim, on);
  push[0].LoadBitmaps(IDB_BUTTON, IDB_BUTTON_PRESSED, IDB_BUTTON_HOVER, IDB_BUTTON_DISABLED,
                      IDB_BUTTON_MASK, -1, -1);
  tab[0].LoadPngs(IDP_TAB, IDP_TAB_HOVER, IDP_TAB_PRESSED, IDP_TAB_TICKED_HOVER, IDP_TAB_DISABLED);
  old[0].LoadBitmaps(IDB_BUTTON, IDB_BUTTON_PRESSED, IDB_BUTTON_HOVER, IDB_BUTTON_DISABLED);
  slider.LoadBitmaps(IDB_SLIDER_TRACK, IDB_SLIDER_FILL, IDB_SLIDER_THUMB, IDB_SLIDER_THUMB_PRESSED,
                     IDB_SLIDER_THUMB_DISABLED, IDB_SLIDER_THUMB_MASK);
  slider.SetValue(on ? 7.0f : 3.0f);
  combo.LoadBitmaps(IDB_COMBO, IDB_COMBO_HOVER, IDB_COMBO_OPEN, IDB_COMBO_DISABLED);
  combo.SetCurSel(step % comboList.Count());
  delayBar.SetValue(step % 1000);
  keyList.Select(step % keyList.RowCount());
  UpdateWindow(hwnd());
}

INT_PTR CGallery::ShowMessageBox() {
  CBitmapMessageBox box(L"Single Key Settings", L"Enter Single Key and a name for it.");
  box.EnableInput(L"Burst fire");
  box.EnableKeyCapture();
  box.AddButton(L"OK", CBitmapMessageBox::kOk);
  box.AddButton(L"Apply", CBitmapMessageBox::kApply);
  box.AddButton(L"Cancel", CBitmapMessageBox::kCancel);
  INT_PTR result = box.Show(hwnd());
  wchar_t line[400];
  swprintf(line, 400, L"message box: %d key 0x%X input %ls", static_cast<int>(result),
           box.KeyCode(), box.Input().c_str());
  Record(line);
  return result;
}

void CGallery::PaintBackground(HDC dc) {
  RECT c = ClientRect();
  DrawKeyedStretched(dc, c, panel_.get());
  DrawCaption(dc, RECT{68, 8, 600, 46}, L"TESSEL  CONTROL GALLERY", statusFont_.get(), kText,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  DrawCaption(dc, RECT{600, 8, c.right - 24, 46}, L"every control of the kit, every look",
              headingFont_.get(), kTextDim, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
  for (const Heading& h : kHeadings)
    DrawCaption(dc, RECT{h.x, h.y, h.x + 480, h.y + 16}, h.text, headingFont_.get(), kAccent,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  std::wstring status = helpText.empty() ? L"Hover a control to see its help text." : helpText;
  DrawCaption(dc, RECT{kLeft, 706, c.right - 24, 734}, status, statusFont_.get(),
              helpText.empty() ? kTextDim : kText, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

LRESULT CGallery::OnEraseBackground(HDC dc) {
  PaintBackground(dc);
  return 1;
}

LRESULT CGallery::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PRINTCLIENT: PaintBackground(reinterpret_cast<HDC>(wp)); return 0;
    case kHelpTextMessage:
      ShowHelpText(reinterpret_cast<const wchar_t*>(wp));
      return 0;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      SetTextColor(dc, kAccent);
      SetBkColor(dc, kPanel);
      return reinterpret_cast<LRESULT>(labelBrush_.get());
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      // Fields that colour themselves do; the others get the dark field colours.
      if (LRESULT own = SendMessageW(reinterpret_cast<HWND>(lp), wingui::kReflectBase + msg, wp, lp))
        return own;
      HDC dc = reinterpret_cast<HDC>(wp);
      SetTextColor(dc, kText);
      SetBkColor(dc, RGB(14, 16, 21));
      static wingui::UniqueBrush field(CreateSolidBrush(RGB(14, 16, 21)));
      return reinterpret_cast<LRESULT>(field.get());
    }
    default: return Dialog::OnMessage(msg, wp, lp);
  }
}

LRESULT CGallery::OnCommand(int id, int code, HWND ctl) {
  wchar_t line[128];
  swprintf(line, 128, L"command: %d %d", id, code);
  Record(line);
  if (id == IDC_SHOW_MESSAGE_BOX && code == BN_CLICKED) ShowMessageBox();
  return Dialog::OnCommand(id, code, ctl);
}

LRESULT CGallery::OnLButtonDown(UINT, POINT) {
  ReleaseCapture();
  SendMessageW(hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
  return 0;
}

void CGallery::OnCancel() {
  DestroyWindow(hwnd());
  PostQuitMessage(0);
}

void CGallery::ShowHelpText(const std::wstring& text) {
  if (text == helpText) return;
  helpText = text;
  RECT status{kLeft, 706, ClientRect().right - 24, 734};
  InvalidateRect(hwnd(), &status, TRUE);
  Record(L"help: " + text);
}

void CGallery::OnHoverButtonV2(int controlId, int value) {
  Record(L"button: " + std::to_wstring(controlId) + L" " + std::to_wstring(value));
}

void CGallery::OnSliderThumbPressed(CBitmapSliderCtrl*, float value) {
  wchar_t line[64];
  swprintf(line, 64, L"slider pressed: %.2f", static_cast<double>(value));
  Record(line);
}

void CGallery::OnSliderValueChanging(CBitmapSliderCtrl*, float) {}

void CGallery::OnSliderValueChanged(CBitmapSliderCtrl*, float value) {
  wchar_t line[64];
  swprintf(line, 64, L"slider changed: %.2f", static_cast<double>(value));
  Record(line);
}

void CGallery::OnBackgroundMouse(HWND, UINT, int x, int y, MousePhase phase) {
  Record(L"picture: " + std::to_wstring(static_cast<int>(phase)) + L" " + std::to_wstring(x) +
         L" " + std::to_wstring(y));
  picture.Mark(POINT{x, y});
}

void CGallery::OnComboBoxEnter(int id) { Record(L"combo enter: " + std::to_wstring(id)); }
void CGallery::OnComboBoxLeave(int id) { Record(L"combo leave: " + std::to_wstring(id)); }
void CGallery::OnComboListLeft(int id) { Record(L"list left: " + std::to_wstring(id)); }

void CGallery::OnComboBoxChoice(int ownerId, int index) {
  Record(L"combo choice: " + std::to_wstring(ownerId) + L" " + std::to_wstring(index));
}

const void* CGallery::OnItemWithValue(int, int, int value) {
  return value != 0 ? this : nullptr;
}

void CGallery::OnItemWithoutValue(int, int) {}

int CGallery::HasSecondLevel(int ownerId, int index) {
  CComboBoxList* list = ownerId == IDC_COMBO ? &comboList : &comboHoverList;
  return list->ItemValue(index) != 0 ? 1 : 0;
}

void CGallery::FillSecondLevel(int, int index, HMENU menu) {
  const bool macro = comboList.ItemText(index) == L"Macro";
  const wchar_t* const* names = macro ? (const wchar_t* const[]){L"Burst Fire", L"Reload", L"Build"}
                                      : (const wchar_t* const[]){L"Default", L"Shooter", L"Racing"};
  for (int i = 0; i < 3; ++i) AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(i + 1), names[i]);
}

void CGallery::OnSecondLevelChoice(int ownerId, int index, int command, HMENU) {
  Record(L"second level: " + std::to_wstring(ownerId) + L" " + std::to_wstring(index) + L" " +
         std::to_wstring(command));
}

void CGallery::OnListSelectionChanged(HWND, int row) {
  Record(L"list row: " + std::to_wstring(row));
}

void CGallery::OnListCellToggled(HWND, int row, int column) {
  Record(L"list toggle: " + std::to_wstring(row) + L" " + std::to_wstring(column));
}

void CGallery::OnListEditEnded(HWND, int row, int column, const wchar_t* text) {
  Record(L"list edit: " + std::to_wstring(row) + L" " + std::to_wstring(column) + L" " + text);
}
