#include "configurator/app/stages_dialog.h"

#include <algorithm>
#include <cwchar>

#include "configurator/app/looks.h"
#include "configurator/app/messages.h"
#include "configurator/app/resource.h"
#include "configurator/app/texts.h"
#include "skin_paint.h"

namespace tessel::cfgapp {

namespace {
constexpr COLORREF kBoxFill = RGB(23, 26, 33);
constexpr std::array<std::uint32_t, cfg::kMaxStages> kDefaultDpi = {500, 1000, 1500, 2000, 4000};
constexpr int kOkButton = IDC_MESSAGE_BUTTON_FIRST;
constexpr int kApplyButton = IDC_MESSAGE_BUTTON_FIRST + 2;
constexpr int kLeft = 30, kStageTop = 50, kStageWidth = 92, kStageGap = 8;

int labelId(int stage, bool y) { return IDC_STAGE_LABEL_FIRST + (stage - 1) * 2 + (y ? 1 : 0); }
}  // namespace

CDPIStagesDlg::CDPIStagesDlg(cfg::SettingsModel& model, std::function<void(HWND)> write)
    : CBitmapMessageBox(tr(L"Sensitivity Stage Settings"), L""), model_(model), write_(std::move(write)) {
    StyleBox(*this);
    SetBackground(IDB_STAGES_BOX);
    AddButton(tr(L"OK"), kOk);
    AddButton(tr(L"Cancel"), kCancel);
    AddButton(tr(L"Apply"), kApply);
}

BOOL CDPIStagesDlg::OnInitDialog() {
    CBitmapMessageBox::OnInitDialog();
    HWND self = hwnd();
    const std::wstring face = DefaultFaceName();
    labelFont_ = MakeFont(14, face, false);
    labelBrush_.reset(CreateSolidBrush(kBoxFill));

    const cfg::ProfileNode* node = model_.current();
    record_ = node && node->stages ? cfg::StageRecord::fromOutside(*node->stages) : cfg::StageRecord::defaults();
    count_ = static_cast<int>(record_.count);
    selected_ = record_.defaultStage;
    const cfg::PerformanceSettings& p = model_.performance();
    for (int k = 1; k <= cfg::kMaxStages; ++k) {
        Stage& stage = stages_[k - 1];
        if (k == record_.currentStage) stage.value = {cfg::dpiOfPosition(p.sliderX), cfg::dpiOfPosition(p.sliderY)};
        else if (k <= count_) stage.value = record_.stages[k - 1];
        else stage.value = {kDefaultDpi[k - 1], kDefaultDpi[k - 1]};
        stage.independent = stage.value.x != stage.value.y;

        const int id = IDC_STAGE_FIRST + k - 1;
        CHoverButtonV2& button = Bind(buttons_[k - 1], id);
        button.SetFixedSize(kStageWidth, 40);
        button.SetFont(14, face, kText, kText, kText, kTextDim, true);
        wchar_t caption[32];
        swprintf(caption, 32, trFormat(L"Stage %d").c_str(), k);
        button.SetCaption(caption);
        const int x = kLeft + (k - 1) * (kStageWidth + kStageGap);
        SetWindowPos(button.hwnd(), nullptr, x, kStageTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        for (bool y : {false, true}) {
            HWND label = GetDlgItem(self, labelId(k, y));
            SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont_.get()), FALSE);
            SetWindowLongPtrW(label, GWL_STYLE, GetWindowLongPtrW(label, GWL_STYLE) | SS_CENTER);
            SetWindowPos(label, nullptr, x, kStageTop + 46 + (y ? 20 : 0), kStageWidth, 18, SWP_NOZORDER);
        }
    }
    WideCheck(Bind(independent_, IDC_STAGE_INDEPENDENT), tr(L"Enable Independent X-Y Sensitivity"), this);
    SetWindowPos(independent_.hwnd(), nullptr, kLeft, 192, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    for (auto [slider, id, y] : {std::tuple{&sliderX_, IDC_STAGE_SLIDER_X, 230}, std::tuple{&sliderY_, IDC_STAGE_SLIDER_Y, 266}}) {
        StepSlider(Bind(*slider, id), 1.0f, cfg::kMaxSliderPosition, this);
        SetWindowPos(slider->hwnd(), nullptr, kLeft + 30, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    Bind(count_spin_, IDC_STAGE_COUNT);
    count_spin_.SetRange(2, cfg::kMaxStages);
    count_spin_.SetValue(count_);
    count_spin_.SetHelpText(tr(L"Number of Sensitivity Stages"));
    SetWindowPos(count_spin_.hwnd(), nullptr, kLeft + 300, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    for (int k = 1; k <= cfg::kMaxStages; ++k) ShowStage(k);
    ShowSliders();
    return TRUE;
}

void CDPIStagesDlg::PaintBackground(HDC dc) {
    CBitmapMessageBox::PaintBackground(dc);
    const HFONT font = labelFont_.get();
    DrawCaption(dc, RECT{kLeft, 150, kLeft + 290, 176}, tr(L"Number of Sensitivity Stages"), font, kText,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    DrawCaption(dc, RECT{kLeft, 230, kLeft + 26, 254}, L"X", font, kText, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    DrawCaption(dc, RECT{kLeft, 266, kLeft + 26, 290}, L"Y", font, kText, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

LRESULT CDPIStagesDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CTLCOLORSTATIC) {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, kText);
        SetBkColor(dc, kBoxFill);
        return reinterpret_cast<LRESULT>(labelBrush_.get());
    }
    return CBitmapMessageBox::OnMessage(msg, wp, lp);
}

// A stage's button look and its labels.
void CDPIStagesDlg::ShowStage(int k) {
    const Stage& stage = stages_[k - 1];
    const bool shown = k <= count_;
    const bool selected = k == selected_;
    const int look = selected ? (stage.independent ? IDB_STAGE_SELECTED_INDEPENDENT : IDB_STAGE_SELECTED)
                              : (stage.independent ? IDB_STAGE_INDEPENDENT : IDB_STAGE);
    buttons_[k - 1].LoadBitmaps(look, 0, 0, -1, -1, -1, -1);
    buttons_[k - 1].SetFixedSize(kStageWidth, 40);
    ShowWindow(buttons_[k - 1].hwnd(), shown ? SW_SHOW : SW_HIDE);
    wchar_t text[32];
    swprintf(text, 32, L"%u", stage.value.x);
    SetDlgItemTextW(hwnd(), labelId(k, false), text);
    swprintf(text, 32, L"%u", stage.value.y);
    SetDlgItemTextW(hwnd(), labelId(k, true), stage.independent ? text : L"");
    ShowWindow(GetDlgItem(hwnd(), labelId(k, false)), shown ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(hwnd(), labelId(k, true)), shown && stage.independent ? SW_SHOW : SW_HIDE);
}

void CDPIStagesDlg::ShowSliders() {
    const Stage& stage = stages_[selected_ - 1];
    independent_.SetTicked(stage.independent);
    sliderX_.SetValue(static_cast<float>(cfg::positionOfDpi(stage.value.x)));
    sliderY_.SetValue(static_cast<float>(cfg::positionOfDpi(stage.value.y)));
    EnableWindow(sliderY_.hwnd(), stage.independent);
}

void CDPIStagesDlg::Changed() {
    if (cfg::ProfileNode* node = model_.current()) model_.markChanged(*node);
}

void CDPIStagesDlg::Select(int k) {
    const int previous = selected_;
    selected_ = k;
    ShowStage(previous);
    Stage& stage = stages_[k - 1];
    if (stage.value.x != stage.value.y) stage.independent = true;
    Changed();
    ShowStage(k);
    ShowSliders();
}

void CDPIStagesDlg::SetCount(int count) {
    count = std::clamp(count, 2, cfg::kMaxStages);
    if (count == count_) return;
    Changed();
    count_ = count;
    if (selected_ > count_) Select(count_);
    for (int k = 1; k <= cfg::kMaxStages; ++k) ShowStage(k);
    count_spin_.SetValue(count_);
}

void CDPIStagesDlg::OnSliderValueChanged(CBitmapSliderCtrl* slider, float value) {
    Stage& stage = stages_[selected_ - 1];
    const std::uint32_t dpi = cfg::dpiOfPosition(cfg::sliderPosition(value));
    if (slider == &sliderX_) stage.value.x = dpi;
    if (slider == &sliderY_ || !stage.independent) stage.value.y = dpi;
    if (!stage.independent) stage.value.x = dpi;
    Changed();
    ShowStage(selected_);
    ShowSliders();
}

void CDPIStagesDlg::OnHoverButtonV2(int controlId, int value) {
    if (controlId != IDC_STAGE_INDEPENDENT) return;
    Stage& stage = stages_[selected_ - 1];
    stage.independent = value != 0;
    if (!stage.independent) stage.value.y = stage.value.x;
    Changed();
    ShowStage(selected_);
    ShowSliders();
}

void CDPIStagesDlg::Collect() {
    cfg::StageRecord record = record_;
    record.count = static_cast<std::uint32_t>(count_);
    record.defaultStage = selected_;
    record.limitStages();
    for (int k = 1; k <= count_; ++k) record.stages[k - 1] = stages_[k - 1].value;
    model_.setStageRecord(record);
}

// Enter is OK.
void CDPIStagesDlg::OnOK() {
    Collect();
    End(kOk);
}

LRESULT CDPIStagesDlg::OnCommand(int id, int code, HWND ctl) {
    if (id >= IDC_STAGE_FIRST && id <= IDC_STAGE_LAST && code == BN_CLICKED) {
        Select(id - IDC_STAGE_FIRST + 1);
        return 0;
    }
    if (id == IDC_STAGE_COUNT) {
        SetCount(count_spin_.Value());
        return 0;
    }
    if (id == kApplyButton && code == BN_CLICKED) {
        Collect();
        write_(hwnd());
        return 0;
    }
    if (id == kOkButton && code == BN_CLICKED) Collect();
    return CBitmapMessageBox::OnCommand(id, code, ctl);
}

}  // namespace tessel::cfgapp
