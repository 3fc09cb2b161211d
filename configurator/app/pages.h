// The pages of the main dialog that this program has: thin views over the settings model. Each
// binds the dialog's controls of its group, fills them from the model and turns the user's
// input into the model's edits.
#pragma once

#include <array>
#include <vector>

#include "bitmap_slider.h"
#include "combo_box.h"
#include "configurator/model/settings_model.h"
#include "hover_button_v2.h"

namespace tessel::cfgapp {

class CCoricCfgDlg;

// Posted to the dialog: the button rows show the model again.
inline constexpr UINT kShowButtonRows = WM_APP + 2;

class CPage {
public:
    virtual ~CPage() = default;
    void Show(HWND dialog, bool on) const;
    const std::vector<int>& Group() const { return group_; }

protected:
    std::vector<int> group_;  // the ids of the page's controls
};

// The nine button rows.
class CButtonPage : public CPage, private ComboBoxParent, private ComboBoxParentV2 {
public:
    CButtonPage(CCoricCfgDlg& dialog, cfg::SettingsModel& model) : dialog_(dialog), model_(model) {}
    void Create();
    // Every row from the current profile's mapping table.
    void Fill();
    // The row captions, drawn by the dialog under the lists.
    static const wchar_t* RowCaption(int row);

private:
    // ComboBoxParent
    void OnComboBoxEnter(int) override {}
    void OnComboBoxLeave(int) override {}
    void OnComboListLeft(int) override {}
    void OnComboBoxChoice(int ownerId, int itemIndex) override;
    // ComboBoxParentV2
    const void* OnItemWithValue(int ownerId, int itemIndex, int itemValue) override;
    void OnItemWithoutValue(int, int) override {}
    int HasSecondLevel(int ownerId, int itemIndex) override;
    void FillSecondLevel(int ownerId, int itemIndex, HMENU menu) override;
    void OnSecondLevelChoice(int ownerId, int itemIndex, int command, HMENU menu) override;

    static cfg::ButtonFunction FunctionAt(int row, int index);
    static int IndexOf(int row, cfg::ButtonFunction function);
    void Choose(int row, cfg::ButtonFunction function, std::int32_t keyCode = 0);
    void ShowRow(int row);
    // The key of the Single Key box as the mouse's key code; 0 when cancelled or not a key the
    // mouse knows.
    std::int32_t AskKey();

    CCoricCfgDlg& dialog_;
    cfg::SettingsModel& model_;
    std::array<CBitmapComboBox, cfg::kButtonRows> boxes_;
    std::array<CComboBoxList, cfg::kButtonRows> lists_;
    std::array<int, cfg::kButtonRows> lastAccepted_{};
};

// Sensitivity, acceleration, polling rate and the on-the-fly notice.
class CPerformancePage : public CPage, private CSliderCtrlParent, private HoverButtonV2Parent {
public:
    CPerformancePage(CCoricCfgDlg& dialog, cfg::SettingsModel& model) : dialog_(dialog), model_(model) {}
    void Create();
    // From the model: the current profile's sensitivity and notice, the device-wide settings.
    void Fill();
    // The sensitivity sliders and labels alone (after the stages dialog).
    void ShowSensitivity();
    bool OnCommand(int id);

private:
    // CSliderCtrlParent
    void OnSliderThumbPressed(CBitmapSliderCtrl*, float) override {}
    void OnSliderValueChanging(CBitmapSliderCtrl*, float) override {}
    void OnSliderValueChanged(CBitmapSliderCtrl* slider, float value) override;
    // HoverButtonV2Parent
    void OnHoverButtonV2(int controlId, int value) override;

    void ShowRate();
    void ShowAcceleration();

    CCoricCfgDlg& dialog_;
    cfg::SettingsModel& model_;
    CBitmapSliderCtrl sliderX_, sliderY_, acceleration_;
    CHoverButtonV2 independent_, notice_, accelerationOn_, stages_;
    std::array<CHoverButtonV2, 3> rates_;
};

}  // namespace tessel::cfgapp
