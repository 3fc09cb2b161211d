#include "configurator/app/pages.h"

#include <cwchar>

#include "configurator/app/looks.h"
#include "configurator/app/main_dialog.h"
#include "configurator/app/messages.h"
#include "configurator/app/resource.h"
#include "configurator/app/texts.h"
#include "configurator/model/macro_events.h"
#include "skin_paint.h"

namespace tessel::cfgapp {

using cfg::ButtonFunction;
using cfg::ChoiceResult;

namespace {
std::wstring number(const wchar_t* format, int value) {
    wchar_t text[64];
    swprintf(text, 64, trFormat(format).c_str(), value);
    return text;
}
}  // namespace

void CPage::Show(HWND dialog, bool on) const {
    for (int id : group_) ShowWindow(GetDlgItem(dialog, id), on ? SW_SHOW : SW_HIDE);
}

// --- button page ---

const wchar_t* CButtonPage::RowCaption(int row) {
    static constexpr const wchar_t* kRows[cfg::kButtonRows] = {
        L"Left Button",   L"Right Button", L"Middle Button", L"Back Button", L"Forward Button",
        L"Sensitivity Up Button", L"Sensitivity Down Button", L"Wheel Up", L"Wheel Down"};
    return kRows[row];
}

ButtonFunction CButtonPage::FunctionAt(int row, int index) {
    return cfg::buttonRow(row).wheel ? cfg::kWheelFunctions[static_cast<std::size_t>(index)]
                                     : static_cast<ButtonFunction>(index);
}

int CButtonPage::IndexOf(int row, ButtonFunction function) {
    if (!cfg::buttonRow(row).wheel) return static_cast<int>(function);
    for (std::size_t i = 0; i < cfg::kWheelFunctions.size(); ++i)
        if (cfg::kWheelFunctions[i] == function) return static_cast<int>(i);
    return -1;
}

void CButtonPage::Create() {
    for (int row = 0; row < cfg::kButtonRows; ++row) {
        const int id = IDC_BUTTON_ROW_FIRST + row;
        group_.push_back(id);
        CBitmapComboBox& box = dialog_.Bind(boxes_[row], id);
        dialog_.Place(id, 300, 162 + row * 42);
        box.LoadBitmaps(IDB_COMBO, IDB_COMBO_HOVER, IDB_COMBO_OPEN, IDB_COMBO_DISABLED);
        box.SetParent(this);
        box.SetHelpText(tr(L"Choose the function of this button"));
        CComboBoxList& list = lists_[row];
        list.Create(box, 15);
        list.SetParents(this, this);
        const int count = cfg::buttonRow(row).wheel ? static_cast<int>(cfg::kWheelFunctions.size()) : cfg::kFunctionCount;
        for (int index = 0; index < count; ++index) {
            const ButtonFunction function = FunctionAt(row, index);
            const bool secondLevel = function == ButtonFunction::macro || function == ButtonFunction::profile;
            list.AddItem(tr(toWide(cfg::functionName(function))), secondLevel ? 1 : 0);
        }
    }
}

void CButtonPage::ShowRow(int row) {
    if (const std::optional<ButtonFunction> function = model_.rowFunction(row)) {
        const int index = IndexOf(row, *function);
        if (index >= 0) lastAccepted_[row] = index;
    }
    boxes_[row].SetCurSel(lastAccepted_[row]);
}

void CButtonPage::Fill() {
    for (int row = 0; row < cfg::kButtonRows; ++row) ShowRow(row);
}

std::int32_t CButtonPage::AskKey() {
    CBitmapMessageBox box(tr(L"Single Key Settings"), tr(L"Enter Single Key"));
    StyleBox(box);
    box.EnableKeyCapture();
    box.AddButton(tr(L"OK"), CBitmapMessageBox::kOk);
    box.AddButton(tr(L"Cancel"), CBitmapMessageBox::kCancel);
    if (box.Show(dialog_.hwnd()) != CBitmapMessageBox::kOk || box.KeyCode() == 0) return 0;
    // Scan code and extended flag; the transition bit is no part of the key.
    return cfg::hidUsageOf(static_cast<std::uint16_t>(box.KeyCode() & 0x1FF));
}

void CButtonPage::Choose(int row, ButtonFunction function, std::int32_t keyCode) {
    const ChoiceResult result = model_.chooseFunction(row, function, keyCode);
    if (result == ChoiceResult::refusedLeftClick)
        Tell(dialog_.hwnd(), L"Information", L"At Least 1 Button Must Be Assigned To Click");
    ShowRow(row);
}

void CButtonPage::OnComboBoxChoice(int ownerId, int itemIndex) {
    const int row = ownerId - IDC_BUTTON_ROW_FIRST;
    if (row < 0 || row >= cfg::kButtonRows || !model_.current()) return;
    const ButtonFunction function = FunctionAt(row, itemIndex);
    switch (function) {
        case ButtonFunction::macro:
        case ButtonFunction::profile:
            // The list closed without a name: the row keeps what it had.
            ShowRow(row);
            return;
        case ButtonFunction::singleKey:
            if (const std::int32_t key = AskKey()) Choose(row, function, key); else ShowRow(row);
            return;
        case ButtonFunction::stageUp:
        case ButtonFunction::stageDown:
            dialog_.OpenStagesDialog();
            Choose(row, function);
            return;
        default: Choose(row, function); return;
    }
}

const void* CButtonPage::OnItemWithValue(int, int, int itemValue) { return itemValue != 0 ? this : nullptr; }

int CButtonPage::HasSecondLevel(int ownerId, int itemIndex) {
    const int row = ownerId - IDC_BUTTON_ROW_FIRST;
    if (row < 0 || row >= cfg::kButtonRows) return 0;
    const ButtonFunction function = FunctionAt(row, itemIndex);
    if (function == ButtonFunction::macro) return model_.macroCount() > 0;
    if (function == ButtonFunction::profile) return model_.profileCount() > 0;
    return 0;
}

void CButtonPage::FillSecondLevel(int ownerId, int itemIndex, HMENU menu) {
    const int row = ownerId - IDC_BUTTON_ROW_FIRST;
    const bool macros = FunctionAt(row, itemIndex) == ButtonFunction::macro;
    const std::size_t count = macros ? model_.macroCount() : model_.profileCount();
    for (std::size_t n = 0; n < count; ++n) {
        const std::u16string& name = macros ? model_.macroAt(n)->name : model_.profileAt(n)->name;
        AppendMenuW(menu, MF_STRING, n + 1, toWide(name).c_str());
    }
}

void CButtonPage::OnSecondLevelChoice(int ownerId, int itemIndex, int command, HMENU) {
    const int row = ownerId - IDC_BUTTON_ROW_FIRST;
    if (row < 0 || row >= cfg::kButtonRows || command < 1) return;
    const ButtonFunction function = FunctionAt(row, itemIndex);
    const ChoiceResult result = model_.chooseFunction(row, function);
    if (result == ChoiceResult::awaitingSecondLevel) {
        const std::size_t position = static_cast<std::size_t>(command - 1);
        if (function == ButtonFunction::macro) model_.linkMacro(row, position); else model_.linkProfile(row, position);
    } else if (result == ChoiceResult::refusedLeftClick) {
        Tell(dialog_.hwnd(), L"Information", L"At Least 1 Button Must Be Assigned To Click");
    }
    // The list sets its own selection after this call; the rows show what the model holds.
    PostMessageW(dialog_.hwnd(), kShowButtonRows, 0, 0);
}

// --- performance page ---

void CPerformancePage::Create() {
    group_ = {IDC_SENSITIVITY_X, IDC_SENSITIVITY_Y, IDC_SENSITIVITY_X_LABEL, IDC_SENSITIVITY_Y_LABEL,
              IDC_INDEPENDENT_XY, IDC_STAGES, IDC_OTFS_NOTICE, IDC_ACCELERATION_ON, IDC_ACCELERATION,
              IDC_ACCELERATION_LABEL, IDC_RATE_125, IDC_RATE_500, IDC_RATE_1000};
    StepSlider(dialog_.Bind(sliderX_, IDC_SENSITIVITY_X), 1.0f, cfg::kMaxSliderPosition, this);
    dialog_.Place(IDC_SENSITIVITY_X, 44, 164);
    dialog_.Place(IDC_SENSITIVITY_X_LABEL, 276, 166, 150, 20);
    sliderX_.SetHelpText(tr(L"Sensitivity of the current stage"));
    StepSlider(dialog_.Bind(sliderY_, IDC_SENSITIVITY_Y), 1.0f, cfg::kMaxSliderPosition, this);
    dialog_.Place(IDC_SENSITIVITY_Y, 44, 200);
    dialog_.Place(IDC_SENSITIVITY_Y_LABEL, 276, 202, 150, 20);
    WideCheck(dialog_.Bind(independent_, IDC_INDEPENDENT_XY), tr(L"Enable Independent X-Y Sensitivity"), this);
    dialog_.Place(IDC_INDEPENDENT_XY, 44, 244);
    PushButton(dialog_.Bind(stages_, IDC_STAGES), tr(L"Sensitivity Stages"), SIZE{200, 32});
    dialog_.Place(IDC_STAGES, 44, 290);
    WideCheck(dialog_.Bind(notice_, IDC_OTFS_NOTICE), tr(L"Enable On-The-Fly Sensitivity On-Screen Display"), this);
    dialog_.Place(IDC_OTFS_NOTICE, 44, 346);

    WideCheck(dialog_.Bind(accelerationOn_, IDC_ACCELERATION_ON), tr(L"Enable Acceleration"), this);
    dialog_.Place(IDC_ACCELERATION_ON, 480, 164);
    StepSlider(dialog_.Bind(acceleration_, IDC_ACCELERATION), 1.0f, 10.0f, this);
    dialog_.Place(IDC_ACCELERATION, 480, 204);
    dialog_.Place(IDC_ACCELERATION_LABEL, 712, 206, 80, 20);
    static constexpr const wchar_t* kRates[] = {L"125 Hz", L"500 Hz", L"1000 Hz"};
    for (int i = 0; i < 3; ++i) {
        CHoverButtonV2& rate = dialog_.Bind(rates_[i], IDC_RATE_125 + i);
        PushButton(rate, tr(kRates[i]), SIZE{112, 32}, true);
        rate.SetNotification(true, -1, this);
        dialog_.Place(IDC_RATE_125 + i, 480 + i * 122, 332);
    }
}

void CPerformancePage::ShowSensitivity() {
    const cfg::PerformanceSettings& p = model_.performance();
    sliderX_.SetValue(static_cast<float>(p.sliderX));
    sliderY_.SetValue(static_cast<float>(p.sliderY));
    independent_.SetTicked(p.independentXY);
    const int x = static_cast<int>(cfg::dpiOfPosition(p.sliderX));
    const int y = static_cast<int>(cfg::dpiOfPosition(p.sliderY));
    HWND dialog = dialog_.hwnd();
    SetDlgItemTextW(dialog, IDC_SENSITIVITY_X_LABEL, number(p.independentXY ? L"X: %d" : L"%d", x).c_str());
    SetDlgItemTextW(dialog, IDC_SENSITIVITY_Y_LABEL, number(p.independentXY ? L"Y: %d" : L"%d", y).c_str());
    const bool shown = IsWindowVisible(sliderX_.hwnd()) != FALSE;
    ShowWindow(sliderY_.hwnd(), shown && p.independentXY ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_SENSITIVITY_Y_LABEL), shown && p.independentXY ? SW_SHOW : SW_HIDE);
}

void CPerformancePage::ShowAcceleration() {
    const cfg::PerformanceSettings& p = model_.performance();
    accelerationOn_.SetTicked(p.accelerationOn);
    acceleration_.SetValue(static_cast<float>(p.acceleration));
    EnableWindow(acceleration_.hwnd(), p.accelerationOn);
    SetDlgItemTextW(dialog_.hwnd(), IDC_ACCELERATION_LABEL, number(L"%d", p.acceleration).c_str());
}

void CPerformancePage::ShowRate() {
    static constexpr std::int32_t kRates[] = {125, 500, 1000};
    for (int i = 0; i < 3; ++i) rates_[i].SetTicked(model_.performance().pollingRate == kRates[i]);
}

void CPerformancePage::Fill() {
    ShowSensitivity();
    ShowAcceleration();
    ShowRate();
    const cfg::ProfileNode* node = model_.current();
    notice_.SetTicked(node && node->sensitivityNotice);
}

bool CPerformancePage::OnCommand(int id) {
    if (id != IDC_STAGES) return false;
    if (dialog_.OpenStagesDialog()) ShowSensitivity();
    return true;
}

void CPerformancePage::OnSliderValueChanged(CBitmapSliderCtrl* control, float value) {
    const cfg::PerformanceSettings& p = model_.performance();
    if (control == &acceleration_) {
        model_.setAcceleration(p.accelerationOn, value);
        ShowAcceleration();
        return;
    }
    const int position = cfg::sliderPosition(value);
    if (control == &sliderX_) model_.setSensitivity(position, p.sliderY);
    else model_.setSensitivity(p.sliderX, position);
    ShowSensitivity();
}

void CPerformancePage::OnHoverButtonV2(int controlId, int value) {
    const cfg::PerformanceSettings& p = model_.performance();
    switch (controlId) {
        case IDC_INDEPENDENT_XY: model_.setIndependentXY(value != 0); ShowSensitivity(); break;
        case IDC_OTFS_NOTICE: model_.setSensitivityNotice(value != 0); break;
        case IDC_ACCELERATION_ON: model_.setAcceleration(value != 0, p.acceleration); ShowAcceleration(); break;
        case IDC_RATE_125: model_.setPollingRate(125); ShowRate(); break;
        case IDC_RATE_500: model_.setPollingRate(500); ShowRate(); break;
        case IDC_RATE_1000: model_.setPollingRate(1000); ShowRate(); break;
        default: break;
    }
}

}  // namespace tessel::cfgapp
