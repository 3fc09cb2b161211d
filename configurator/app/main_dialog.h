// CCoricCfgDlg: the configurator's main window. It owns the settings model and the
// configuration worker, shows the pages over the model, and decides what Apply, OK, Cancel and
// closing do.
#pragma once

#include <memory>
#include <string>

#include "configurator/app/lighting_page.h"
#include "configurator/app/macro_page.h"
#include "configurator/app/pages.h"
#include "configurator/app/profile_page.h"
#include "configurator/model/configuration_worker.h"
#include "formats/file_system.h"
#include "hover_button_v2.h"
#include "wingui/handles.h"
#include "wingui/window.h"

namespace tessel::cfgapp {

class CCoricCfgApp;
class CWaitingDlg;

// The hidden marker other processes find the configurator by; closing it closes its dialog.
class CMarkerButton : public wingui::Window {
protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

class CCoricCfgDlg : public wingui::Dialog {
public:
    enum Page { kButtonsPage, kPerformancePage, kProfilesPage, kMacrosPage, kLightingPage, kPages };

    explicit CCoricCfgDlg(CCoricCfgApp& app);
    ~CCoricCfgDlg() override;

    cfg::SettingsModel& Model() { return *model_; }
    formats::FileSystem& Files();
    // Places a control of the template in client pixels.
    void Place(int id, int x, int y, int width = 0, int height = 0) const;
    // The sensitivity stages dialog over the current profile; true when it ended with OK.
    bool OpenStagesDialog();
    // Writes the model behind the writing box owned by `owner`; false when any operation
    // failed (the failures were shown).
    bool Write(HWND owner);

    // The profile at `row` becomes the one the pages show.
    void ShowProfile(std::size_t row);
    // The pages again from the model, the page shown staying.
    void RefreshPages();
    // The "PROFILE:" label, after the shown profile was renamed.
    void ShowProfileName();
    // The macro list again, after an import added macros.
    void RefreshMacros();
    // Restore Default of the current profile, asked first; then `page` is shown.
    void AskRestoreDefaults(Page page);
    void OpenManual();
    void OpenUpdatePage();

protected:
    BOOL OnInitDialog() override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT OnEraseBackground(HDC dc) override;
    LRESULT OnCommand(int id, int code, HWND ctl) override;
    LRESULT OnTimer(UINT_PTR id) override;
    LRESULT OnLButtonDown(UINT flags, POINT p) override;
    LRESULT OnRButtonUp(UINT flags, POINT p) override;
    void OnOK() override;
    void OnCancel() override;

private:
    enum class Lost { unplugged, wiredOnly, noMouse };

    void CreateControls();
    void BuildSystemMenu();
    void ShowPage(Page page);
    void FillPages(bool initial);
    void ComposeBackdrop();
    void PaintBackground(HDC dc);
    void ShowHelpText(const std::wstring& text);
    // Runs a progress box until the worker is idle again.
    void RunBox(HWND owner, const std::wstring& text, bool repaint);
    void OnWorkerFinished(int command);
    void CheckConnection();
    void ShowLost(Lost why);
    void RequestClose();
    // Stops the timer and the worker (never forcibly) and ends the dialog.
    void Finish(INT_PTR result);
    bool SystemCommand(UINT_PTR command);

    CCoricCfgApp& app_;
    std::shared_ptr<cfg::SettingsModel> model_;
    std::unique_ptr<cfg::ConfigurationWorker> worker_;
    CButtonPage buttonPage_;
    CPerformancePage performancePage_;
    CProfilePage profilePage_;
    CMacroPage macroPage_;
    CLightingPage lightingPage_;
    Page page_ = kButtonsPage;

    std::array<CHoverButtonV2, kPages> tabs_;
    std::array<CHoverButtonV2, 5> pageCommands_;  // New, Import, Export, Save, Delete
    CHoverButtonV2 ok_, cancel_, apply_, minimize_, close_, manual_;
    CMarkerButton marker_;
    wingui::UniqueBitmap panel_, mousePicture_, backdrop_;
    wingui::UniqueFont titleFont_, textFont_, headingFont_, labelFont_;
    wingui::UniqueBrush labelBrush_;
    std::wstring help_;
    std::wstring profileName_;

    CWaitingDlg* box_ = nullptr;  // the progress box while it shows
    bool skipTick_ = false;       // the first tick after a box started
    bool wiredSeen_ = false;
    bool loaded_ = false;
    bool versionsShown_ = false;
    bool closeRequested_ = false;
    bool finished_ = false;
};

}  // namespace tessel::cfgapp
