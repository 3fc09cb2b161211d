// CDPIStagesDlg: edits the current profile's sensitivity stages on a copy; OK and Apply hand
// the copy to the model, Apply also writes it at once through the main dialog.
#pragma once

#include <array>
#include <functional>

#include "bitmap_slider.h"
#include "bitmap_spin.h"
#include "configurator/model/settings_model.h"
#include "message_box.h"

namespace tessel::cfgapp {

class CDPIStagesDlg : public CBitmapMessageBox, private CSliderCtrlParent, private HoverButtonV2Parent {
public:
    // `write` writes the model behind a progress box owned by the given window.
    CDPIStagesDlg(cfg::SettingsModel& model, std::function<void(HWND)> write);

protected:
    BOOL OnInitDialog() override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT OnCommand(int id, int code, HWND ctl) override;
    void PaintBackground(HDC dc) override;
    void OnOK() override;

private:
    struct Stage {
        cfg::Sensitivity value;
        bool independent = false;
    };
    // CSliderCtrlParent
    void OnSliderThumbPressed(CBitmapSliderCtrl*, float) override {}
    void OnSliderValueChanging(CBitmapSliderCtrl*, float) override {}
    void OnSliderValueChanged(CBitmapSliderCtrl* slider, float value) override;
    // HoverButtonV2Parent
    void OnHoverButtonV2(int controlId, int value) override;

    void Select(int stage);
    void SetCount(int count);
    void ShowStage(int stage);
    void ShowSliders();
    void Collect();
    void Changed();

    cfg::SettingsModel& model_;
    std::function<void(HWND)> write_;
    cfg::StageRecord record_;
    std::array<Stage, cfg::kMaxStages> stages_{};
    int count_ = 5;
    int selected_ = 1;
    std::array<CHoverButtonV2, cfg::kMaxStages> buttons_;
    CHoverButtonV2 independent_;
    CBitmapSliderCtrl sliderX_, sliderY_;
    CBitmapSpinCtrl count_spin_;
    wingui::UniqueFont labelFont_;
    wingui::UniqueBrush labelBrush_;
};

}  // namespace tessel::cfgapp
