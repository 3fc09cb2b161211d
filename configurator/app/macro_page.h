// The macro page: the macro names, the key list of the chosen macro with its menu, the recorder
// and its delay options, the advanced dialog, and New, Delete, Import, Export and Save of macros.
#pragma once

#include <memory>

#include "bitmap_list.h"
#include "bitmap_scrollbar.h"
#include "bitmap_spin.h"
#include "configurator/app/pages.h"
#include "configurator/model/macro_editor.h"
#include "message_box.h"
#include "scan_macro.h"

namespace tessel::cfgapp {

class CMacroPage : public CPage,
                   private BitmapListCtrlV2Parent,
                   private ComboBoxParent,
                   private HoverButtonV2Parent,
                   private ScanMacroParent {
public:
    CMacroPage(CCoricCfgDlg& dialog, cfg::SettingsModel& model)
        : dialog_(dialog), model_(model), editor_(model) {}
    void Create();
    // The name list (after reading or an import), the current macro shown again.
    void FillNames();
    // The page's settings from the model (default delay).
    void Fill();
    // Apply, OK, Cancel and closing end a recording first.
    void StopRecording();
    // Hands a typed key to the recorder (Escape, which the dialog would otherwise take).
    void TypeKey(UINT virtualKey);
    // The page commands and the key list's menu.
    bool OnCommand(int id);

    static void DrawCaptions(HDC dc, HFONT heading, HFONT text);

private:
    // BitmapListCtrlV2Parent
    void OnListRightClick(HWND list, int row, POINT screen) override;
    void OnListEditEnded(HWND list, int row, int column, const wchar_t* text) override;
    // ComboBoxParent
    void OnComboBoxEnter(int) override {}
    void OnComboBoxLeave(int) override {}
    void OnComboListLeft(int) override {}
    void OnComboBoxChoice(int ownerId, int itemIndex) override;
    // HoverButtonV2Parent
    // The delay options are read when a recording starts: nothing to store when they change.
    void OnHoverButtonV2(int, int) override {}
    // ScanMacroParent
    void OnScanKeyDown(UINT key) override;
    void OnScanKeyUp(UINT key) override;
    void OnScanMouseDown(int button) override;
    void OnScanMouseUp(int button) override;

    void Show(std::optional<std::size_t> macroRow);
    void ShowRows();
    static std::wstring RowText(const cfg::KeyRow& row);
    void ShowAssignment();
    void Recorded(cfg::RecordResult result);
    void StartRecording();
    void EnableControls(bool on);
    void Refused(cfg::EditResult result);
    void New();
    void Delete();
    void Import();
    void Export(bool save);
    void EditRow(int row);
    void Advanced();

    CCoricCfgDlg& dialog_;
    cfg::SettingsModel& model_;
    cfg::MacroEditor editor_;
    std::optional<std::size_t> shown_;  // the macro row shown
    CBitmapComboBox names_;
    CComboBoxList namesList_;
    CBitmapListCtrlV2 keys_;
    CBitmapScrollbar bar_;
    CScanMacro scan_;
    CHoverButtonV2 record_, advanced_, ignoreDelay_, defaultDelayOn_;
    CBitmapSpinCtrl defaultDelay_;
};

// "Advanced Settings": ready-made key combinations to insert into the macro.
class CMacroAdvancedDlg : public CBitmapMessageBox, private ComboBoxParent {
public:
    CMacroAdvancedDlg();
    INT_PTR Show(HWND owner);
    // The list whose "Insert" was pressed (0 basic, 1 additional) and the chosen entry.
    int ChosenList() const { return list_; }
    std::size_t ChosenIndex() const { return index_; }
    static constexpr int kInserted = 10;  // the result when a command was chosen

protected:
    BOOL OnInitDialog() override;
    LRESULT OnCommand(int id, int code, HWND ctl) override;
    void PaintBackground(HDC dc) override;

private:
    void OnComboBoxEnter(int) override {}
    void OnComboBoxLeave(int) override {}
    void OnComboListLeft(int) override {}
    void OnComboBoxChoice(int ownerId, int itemIndex) override;

    std::array<CBitmapComboBox, 2> boxes_;
    std::array<CComboBoxList, 2> lists_;
    std::array<CHoverButtonV2, 2> inserts_;
    wingui::UniqueFont font_;
    int list_ = 0;
    std::size_t index_ = 0;
};

}  // namespace tessel::cfgapp
