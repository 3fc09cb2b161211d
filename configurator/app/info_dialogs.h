// The configurator's two read-only boxes: the About box and the preview of a profile.
#pragma once

#include <string>

#include "configurator/model/settings_model.h"
#include "message_box.h"
#include "wingui/handles.h"

namespace tessel::cfgapp {

// Boxes whose texts stand in static controls of their template (so they can be read back).
class CTextBox : public CBitmapMessageBox {
protected:
    CTextBox(const std::wstring& title, int background);
    BOOL OnInitDialog() override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // The static texts of the template, filled once the box exists.
    virtual void FillTexts() = 0;
    // The tab stop, in average characters, of an owner-drawn static text in columns.
    virtual int TabStop(int) const { return 8; }

private:
    wingui::UniqueFont font_;
    wingui::UniqueBrush brush_;
};

class CAboutDlg : public CTextBox {
public:
    CAboutDlg();
    INT_PTR Show(HWND owner);

protected:
    void FillTexts() override;
};

// The nine button assignments and the sensitivity stages of one profile.
class CPreviewDlg : public CTextBox {
public:
    CPreviewDlg(const cfg::SettingsModel& model, const cfg::ProfileNode& profile);
    INT_PTR Show(HWND owner);

    // What the preview shows for the button in `row`.
    static std::wstring AssignmentText(const cfg::SettingsModel& model, const cfg::ProfileNode& profile, int row);

protected:
    void FillTexts() override;
    int TabStop(int id) const override;

private:
    const cfg::SettingsModel& model_;
    const cfg::ProfileNode& profile_;
};

}  // namespace tessel::cfgapp
