// The profile page: the list of the mouse's profiles (name, application, automatic switch), the
// profile-switch notice, and New, Copy, Delete, Import, Export, Save, Assign Application,
// Restore Default and Preview, from the page's buttons and the list's menu.
#pragma once

#include "bitmap_list.h"
#include "bitmap_scrollbar.h"
#include "configurator/app/pages.h"

namespace tessel::cfgapp {

class CProfilePage : public CPage, private BitmapListCtrlV2Parent, private HoverButtonV2Parent {
public:
    CProfilePage(CCoricCfgDlg& dialog, cfg::SettingsModel& model) : dialog_(dialog), model_(model) {}
    void Create();
    // The whole list, the current profile selected.
    void FillList();
    // The current profile's settings this page shows.
    void Fill();
    // Ends an open in-place edit; true when one was open.
    bool EndEdit();
    // The page commands (New, Import, Export, Save, Delete) and the list's menu.
    bool OnCommand(int id);

    static void DrawCaptions(HDC dc, HFONT heading, HFONT text);

private:
    // BitmapListCtrlV2Parent
    void OnListSelectionChanged(HWND list, int row) override;
    void OnListRightClick(HWND list, int row, POINT screen) override;
    void OnListEditEnded(HWND list, int row, int column, const wchar_t* text) override;
    void OnListCellToggled(HWND list, int row, int column) override;
    // HoverButtonV2Parent
    void OnHoverButtonV2(int controlId, int value) override;

    int SelectedRow() const;
    void AddRow(const cfg::ProfileNode& node);
    void New();
    void Copy();
    void Delete();
    void Import();
    void Export(bool save);
    void AssignApplication();
    void Preview();

    CCoricCfgDlg& dialog_;
    cfg::SettingsModel& model_;
    CBitmapListCtrlV3 list_;
    CBitmapScrollbar bar_;
    CHoverButtonV2 notice_;
    bool filling_ = false;
};

}  // namespace tessel::cfgapp
