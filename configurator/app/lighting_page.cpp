#include "configurator/app/lighting_page.h"

#include <cwchar>

#include "configurator/app/looks.h"
#include "configurator/app/main_dialog.h"
#include "configurator/app/resource.h"
#include "configurator/app/texts.h"
#include "skin_paint.h"

namespace tessel::cfgapp {

namespace {

struct Light {
    const wchar_t* caption;
    std::uint32_t bit;
};
constexpr Light kLights[] = {{L"Scroll Wheel", cfg::kLedScrollWheel},
                             {L"Battery Indicator", cfg::kLedBatteryIndicator},
                             {L"Charging Dock", cfg::kLedChargingDock}};
constexpr int kRowTop = 168, kRowStep = 44;

std::wstring versionText(const wchar_t* format, const std::u16string& version) {
    return trPrintf(format, toWide(version.empty() ? u"0.00" : version).c_str());
}

}  // namespace

void CLightingPage::Create() {
    group_ = {IDC_CHECK_UPDATES, IDC_RESTORE_DEFAULTS, IDC_FIRMWARE_VERSION, IDC_DRIVER_VERSION, IDC_LIGHTS_NOTE};
    for (int i = 0; i < 6; ++i) {
        const int id = IDC_LED_WHEEL_ON + i;
        group_.push_back(id);
        CHoverButtonV2& button = dialog_.Bind(lights_[i], id);
        PushButton(button, tr(i % 2 == 0 ? L"On" : L"Off"), SIZE{84, 32}, true);
        button.SetNotification(true, -1, this);
        dialog_.Place(id, 250 + (i % 2) * 94, kRowTop + (i / 2) * kRowStep);
    }
    lights_[0].SetHelpText(tr(L"Switch the scroll wheel light on or off"));
    dialog_.Place(IDC_LIGHTS_NOTE, 44, kRowTop + 3 * kRowStep + 8, 400, 20);
    SetDlgItemTextW(dialog_.hwnd(), IDC_LIGHTS_NOTE, tr(L"Note: Switch the lights off for longer battery life.").c_str());

    dialog_.Place(IDC_FIRMWARE_VERSION, 480, 168, 380, 20);
    dialog_.Place(IDC_DRIVER_VERSION, 480, 194, 380, 20);
    PushButton(dialog_.Bind(updates_, IDC_CHECK_UPDATES), tr(L"Check For Updates"), SIZE{300, 32});
    updates_.SetHelpText(tr(L"Open the download page of the mouse's software"));
    dialog_.Place(IDC_CHECK_UPDATES, 480, 236);
    PushButton(dialog_.Bind(restore_, IDC_RESTORE_DEFAULTS), tr(L"Restore All Settings To Default"), SIZE{300, 32});
    restore_.SetHelpText(tr(L"Give the current profile its factory settings"));
    dialog_.Place(IDC_RESTORE_DEFAULTS, 480, 280);
    ShowVersions({});
}

void CLightingPage::DrawCaptions(HDC dc, HFONT heading, HFONT text) {
    DrawCaption(dc, RECT{44, 130, 420, 150}, tr(L"Lighting"), heading, kAccent, DT_LEFT | DT_SINGLELINE);
    DrawCaption(dc, RECT{480, 130, 860, 150}, tr(L"Maintenance"), heading, kAccent, DT_LEFT | DT_SINGLELINE);
    for (int i = 0; i < 3; ++i)
        DrawCaption(dc, RECT{44, kRowTop + i * kRowStep, 240, kRowTop + i * kRowStep + 32}, tr(kLights[i].caption),
                    text, kText, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void CLightingPage::ShowLights() {
    const cfg::ProfileNode* node = model_.current();
    const std::uint32_t bits = node ? node->ledBits : 0;
    for (int i = 0; i < 3; ++i) {
        const bool on = (bits & kLights[i].bit) != 0;
        lights_[2 * i].SetTicked(on);
        lights_[2 * i + 1].SetTicked(!on);
    }
}

void CLightingPage::Fill(bool wired) {
    ShowLights();
    EnableWindow(lights_[4].hwnd(), !wired);
    EnableWindow(lights_[5].hwnd(), !wired);
}

void CLightingPage::ShowVersions(const cfg::ConnectionState& state) {
    const std::u16string& firmware = state.wiredConnected     ? state.wiredFirmware
                                     : state.wirelessConnected ? state.wirelessFirmware
                                                               : std::u16string();
    HWND dialog = dialog_.hwnd();
    SetDlgItemTextW(dialog, IDC_FIRMWARE_VERSION, versionText(L"Firmware Version : %s", firmware).c_str());
    SetDlgItemTextW(dialog, IDC_DRIVER_VERSION, versionText(L"Driver Version : %s", state.driverVersion).c_str());
}

void CLightingPage::OnHoverButtonV2(int controlId, int) {
    const int index = controlId - IDC_LED_WHEEL_ON;
    if (index < 0 || index >= 6) return;
    // A button already showing its pressed look stays as it is; the model changes once.
    model_.setLed(kLights[index / 2].bit, index % 2 == 0);
    ShowLights();
}

bool CLightingPage::OnCommand(int id) {
    switch (id) {
        case IDC_CHECK_UPDATES:
            RedrawWindow(updates_.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            dialog_.OpenUpdatePage();
            return true;
        case IDC_RESTORE_DEFAULTS: dialog_.AskRestoreDefaults(CCoricCfgDlg::kLightingPage); return true;
        default: return false;
    }
}

}  // namespace tessel::cfgapp
