// The lighting and maintenance page: the three lights of the current profile, the versions of
// the firmware and the middleware, the download page and Restore Default.
#pragma once

#include <array>

#include "configurator/app/pages.h"
#include "configurator/model/device_session.h"

namespace tessel::cfgapp {

class CLightingPage : public CPage, private HoverButtonV2Parent {
public:
    CLightingPage(CCoricCfgDlg& dialog, cfg::SettingsModel& model) : dialog_(dialog), model_(model) {}
    void Create();
    // The current profile's lights; the dock's pair only while the mouse is not on its cable.
    void Fill(bool wired);
    // The version labels, from what the connection read.
    void ShowVersions(const cfg::ConnectionState& state);
    bool OnCommand(int id);

    // Captions drawn under the controls: (text, rectangle) pairs.
    static void DrawCaptions(HDC dc, HFONT heading, HFONT text);

private:
    // HoverButtonV2Parent
    void OnHoverButtonV2(int controlId, int value) override;
    void ShowLights();

    CCoricCfgDlg& dialog_;
    cfg::SettingsModel& model_;
    std::array<CHoverButtonV2, 6> lights_;  // on, off of wheel, battery, dock
    CHoverButtonV2 updates_, restore_;
};

}  // namespace tessel::cfgapp
