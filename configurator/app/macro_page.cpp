#include "configurator/app/macro_page.h"

#include <cwchar>

#include "configurator/app/file_chooser.h"
#include "configurator/app/looks.h"
#include "configurator/app/main_dialog.h"
#include "configurator/app/messages.h"
#include "configurator/app/resource.h"
#include "configurator/app/texts.h"
#include "configurator/model/model_exchange.h"
#include "skin_paint.h"

namespace tessel::cfgapp {

namespace {

constexpr RECT kKeyList{44, 200, 384, 500};

FileFilter macroFiles() { return {tr(L"Kavix Exchange Macro File (*.kxm)"), L"*.kxm", L"kxm"}; }

}  // namespace

void CMacroPage::Create() {
    group_ = {IDC_MACRO_NAME,  IDC_KEY_LIST,        IDC_KEY_LIST_SCROLL,  IDC_RECORD_STATUS, IDC_MACRO_ADVANCED,
              IDC_MACRO_RECORD, IDC_IGNORE_DELAY, IDC_DEFAULT_DELAY_ON, IDC_MACRO_ASSIGNMENT, IDC_DEFAULT_DELAY,
              IDC_PAGE_NEW,    IDC_PAGE_IMPORT,     IDC_PAGE_EXPORT,      IDC_PAGE_SAVE,     IDC_PAGE_DELETE};
    HWND dialog = dialog_.hwnd();
    CBitmapComboBox& names = dialog_.Bind(names_, IDC_MACRO_NAME);
    dialog_.Place(IDC_MACRO_NAME, 160, 160);
    names.LoadBitmaps(IDB_COMBO, IDB_COMBO_HOVER, IDB_COMBO_OPEN, IDB_COMBO_DISABLED);
    names.SetParent(this);
    names.SetHelpText(tr(L"Choose the macro to show and edit"));
    namesList_.Create(names, 12);
    namesList_.SetParents(this, nullptr);

    dialog_.Bind(keys_, IDC_KEY_LIST);
    dialog_.Place(IDC_KEY_LIST, kKeyList.left, kKeyList.top, kKeyList.right - kKeyList.left, kKeyList.bottom - kKeyList.top);
    keys_.SetParentCallback(this);
    dialog_.Bind(bar_, IDC_KEY_LIST_SCROLL);
    dialog_.Place(IDC_KEY_LIST_SCROLL, kKeyList.right + 2, kKeyList.top, 14, kKeyList.bottom - kKeyList.top);
    bar_.LoadBitmaps(IDB_SCROLL_UP, IDB_SCROLL_DOWN, IDB_SCROLL_TRACK, IDB_SCROLL_THUMB);
    keys_.AttachScrollBar(&bar_);
    dialog_.Bind(scan_, IDC_SCAN_FIELD);
    scan_.SetParentCallback(this);
    ShowWindow(scan_.hwnd(), SW_HIDE);
    dialog_.Place(IDC_RECORD_STATUS, kKeyList.left, kKeyList.bottom + 8, 380, 20);

    PushButton(dialog_.Bind(record_, IDC_MACRO_RECORD), tr(L"Record"), SIZE{160, 32});
    record_.SetHelpText(tr(L"Record keys and mouse buttons into the macro"));
    dialog_.Place(IDC_MACRO_RECORD, 410, 200);
    PushButton(dialog_.Bind(advanced_, IDC_MACRO_ADVANCED), tr(L"Advanced"), SIZE{160, 32});
    advanced_.SetHelpText(tr(L"Insert ready-made key combinations"));
    dialog_.Place(IDC_MACRO_ADVANCED, 410, 244);
    // The wide checks stand below the page's command buttons.
    WideCheck(dialog_.Bind(ignoreDelay_, IDC_IGNORE_DELAY), tr(L"Ignore Delay Between Events"), this);
    dialog_.Place(IDC_IGNORE_DELAY, 410, 384);
    WideCheck(dialog_.Bind(defaultDelayOn_, IDC_DEFAULT_DELAY_ON), tr(L"Insert Default Delay"), this);
    dialog_.Place(IDC_DEFAULT_DELAY_ON, 410, 418);
    CBitmapSpinCtrl& delay = dialog_.Bind(defaultDelay_, IDC_DEFAULT_DELAY);
    delay.SetRange(0, static_cast<int>(cfg::kMaxDelayMs), 10);
    delay.SetHelpText(tr(L"The default delay in milliseconds"));
    dialog_.Place(IDC_DEFAULT_DELAY, 410, 318);
    dialog_.Place(IDC_MACRO_ASSIGNMENT, 410, 456, 230, 80);
    SetWindowTextW(GetDlgItem(dialog, IDC_RECORD_STATUS), L"");
    Fill();
}

void CMacroPage::DrawCaptions(HDC dc, HFONT heading, HFONT text) {
    DrawCaption(dc, RECT{44, 130, 600, 150}, tr(L"MACROS"), heading, kAccent, DT_LEFT | DT_SINGLELINE);
    DrawCaption(dc, RECT{44, 160, 156, 186}, tr(L"Macro Name"), text, kText, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    DrawCaption(dc, RECT{410, 296, 640, 316}, tr(L"Default Delay (ms)"), text, kText, DT_LEFT | DT_SINGLELINE);
}

void CMacroPage::Fill() { defaultDelay_.SetValue(model_.macroDefaultDelayMs()); }

void CMacroPage::FillNames() {
    namesList_.Clear();
    for (std::size_t row = 0; row < model_.macroCount(); ++row) namesList_.AddItem(toWide(model_.macroAt(row)->name), 0);
    // The page opens on a macro when there is one.
    std::optional<std::size_t> shown = model_.currentMacroRow();
    if (!shown && model_.macroCount() > 0) shown = 0;
    Show(shown);
}

void CMacroPage::Show(std::optional<std::size_t> macroRow) {
    if (macroRow && !editor_.show(*macroRow)) macroRow.reset();
    shown_ = macroRow;
    names_.SetCurSel(macroRow ? static_cast<int>(*macroRow) : -1);
    ShowRows();
}

// Key rows show the key's label as keyboards print it, untranslated; delays are shown as the
// list itself shows an edited delay, so both read alike in every language.
std::wstring CMacroPage::RowText(const cfg::KeyRow& row) {
    switch (row.kind) {
    case cfg::KeyRowKind::delay: return CBitmapListCtrlV2::DelayText(row.delayMs / 1000.0);
    case cfg::KeyRowKind::mouseEvent: return tr(toWide(cfg::rowText(row)));
    default: return toWide(cfg::rowText(row));
    }
}

void CMacroPage::ShowRows() {
    keys_.EndEdit();
    keys_.Clear();
    if (shown_) {
        for (const cfg::KeyRow& row : editor_.rows()) {
            const auto kind = static_cast<CBitmapListCtrlV2::RowKind>(row.kind);
            keys_.AddRow(RowText(row), kind, row.kind == cfg::KeyRowKind::delay ? row.delayMs : row.code);
        }
    }
    if (keys_.RowCount()) keys_.Select(keys_.RowCount() - 1);
    ShowAssignment();
}

// Which buttons of the profile shown play the macro shown.
void CMacroPage::ShowAssignment() {
    std::wstring text = tr(L"Current Macro Assignment") + L":";
    const cfg::ProfileNode* profile = model_.current();
    const cfg::MacroNode* macro = shown_ ? model_.macroAt(*shown_) : nullptr;
    bool any = false;
    for (int row = 0; profile && macro && row < cfg::kButtonRows; ++row) {
        if (profile->macroLinks[cfg::buttonRow(row).tableEntry] != macro) continue;
        text += L"\n" + tr(CButtonPage::RowCaption(row));
        any = true;
    }
    if (!any) text += L"\n" + tr(L"<none>");
    SetDlgItemTextW(dialog_.hwnd(), IDC_MACRO_ASSIGNMENT, text.c_str());
}

void CMacroPage::OnComboBoxChoice(int, int itemIndex) {
    if (editor_.recording() || itemIndex < 0) return;
    Show(static_cast<std::size_t>(itemIndex));
}

// --- the recorder ---

void CMacroPage::EnableControls(bool on) {
    for (int id : {IDC_PAGE_NEW, IDC_PAGE_IMPORT, IDC_PAGE_EXPORT, IDC_PAGE_SAVE, IDC_PAGE_DELETE, IDC_MACRO_ADVANCED,
                   IDC_IGNORE_DELAY, IDC_DEFAULT_DELAY_ON, IDC_DEFAULT_DELAY, IDC_KEY_LIST, IDC_MACRO_NAME})
        EnableWindow(GetDlgItem(dialog_.hwnd(), id), on);
}

void CMacroPage::StartRecording() {
    if (!shown_) return;
    keys_.EndEdit();
    model_.setMacroDefaultDelayMs(defaultDelay_.Value());
    const cfg::RecorderOptions options{ignoreDelay_.Ticked(), defaultDelayOn_.Ticked()};
    if (!editor_.startRecording(GetTickCount64(), options)) return;
    EnableControls(false);
    record_.SetCaption(tr(L"Stop"));
    InvalidateRect(record_.hwnd(), nullptr, FALSE);
    SetDlgItemTextW(dialog_.hwnd(), IDC_RECORD_STATUS, tr(L"Recording: press keys, or mouse buttons over the list").c_str());
    ShowRows();
    scan_.Start(kKeyList);
}

void CMacroPage::StopRecording() {
    if (!editor_.recording() && !scan_.Active()) return;
    editor_.stopRecording();
    scan_.Stop();
    EnableControls(true);
    record_.SetCaption(tr(L"Record"));
    InvalidateRect(record_.hwnd(), nullptr, FALSE);
    SetDlgItemTextW(dialog_.hwnd(), IDC_RECORD_STATUS, L"");
    ShowRows();
}

void CMacroPage::Recorded(cfg::RecordResult result) {
    if (result == cfg::RecordResult::recorded) ShowRows();
    else if (result == cfg::RecordResult::stopped) StopRecording();
}

void CMacroPage::OnScanKeyDown(UINT key) {
    Recorded(editor_.keyDown(static_cast<std::uint16_t>(key & CScanMacro::kKeyCode), (key & CScanMacro::kRepeat) != 0,
                             GetTickCount64()));
}

void CMacroPage::OnScanKeyUp(UINT key) {
    Recorded(editor_.keyUp(static_cast<std::uint16_t>(key & CScanMacro::kKeyCode), GetTickCount64()));
}

void CMacroPage::OnScanMouseDown(int button) { Recorded(editor_.mouseButton(button, true, GetTickCount64())); }
void CMacroPage::OnScanMouseUp(int button) { Recorded(editor_.mouseButton(button, false, GetTickCount64())); }

void CMacroPage::TypeKey(UINT virtualKey) {
    if (!editor_.recording()) return;
    const auto code = static_cast<std::uint16_t>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    Recorded(editor_.keyDown(code, false, GetTickCount64()));
    if (editor_.recording()) Recorded(editor_.keyUp(code, GetTickCount64()));
}

// --- the key list's menu ---

void CMacroPage::Refused(cfg::EditResult result) {
    switch (result) {
        case cfg::EditResult::tooManyEvents:
            return Tell(dialog_.hwnd(), L"Edit Macro", L"A macro holds at most 16 events.");
        case cfg::EditResult::tooLong:
            return Tell(dialog_.hwnd(), L"Edit Macro", L"This macro has more than 16 events: record it anew to change it.");
        case cfg::EditResult::invalidKey: return Tell(dialog_.hwnd(), L"Edit Key", L"The mouse cannot play this key.");
        default: return;
    }
}

void CMacroPage::OnListRightClick(HWND, int row, POINT screen) {
    if (!shown_ || editor_.recording()) return;
    // Edit and Delete need a row; a delay may be inserted at the end.
    const int command = TrackTranslatedMenu(dialog_.hwnd(), IDR_KEY_LIST_MENU, screen,
                                            [row](UINT id) { return row >= 0 || id == IDM_KEY_INSERT_DELAY; });
    const std::size_t at = row < 0 ? editor_.rows().size() : static_cast<std::size_t>(row);
    switch (command) {
        case IDM_KEY_INSERT_DELAY: Refused(editor_.insertDelay(at)); break;
        case IDM_KEY_EDIT: EditRow(row); return;
        case IDM_KEY_DELETE: Refused(editor_.deleteRow(at)); break;
        default: return;
    }
    ShowRows();
}

void CMacroPage::EditRow(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= editor_.rows().size()) return;
    const cfg::KeyRow key = editor_.rows()[static_cast<std::size_t>(row)];
    if (key.kind == cfg::KeyRowKind::delay) {
        keys_.BeginEdit(row);  // whole milliseconds; the result arrives in OnListEditEnded
        return;
    }
    if (key.kind == cfg::KeyRowKind::mouseEvent) return;
    CBitmapMessageBox box(tr(L"Edit Key"), tr(L"Please type new Key"));
    StyleBox(box);
    box.EnableKeyCapture();
    box.AddButton(tr(L"OK"), CBitmapMessageBox::kOk);
    box.AddButton(tr(L"Cancel"), CBitmapMessageBox::kCancel);
    if (box.Show(dialog_.hwnd()) != CBitmapMessageBox::kOk || box.KeyCode() == 0) return;
    Refused(editor_.replaceKey(static_cast<std::size_t>(row), static_cast<std::uint16_t>(box.KeyCode() & CScanMacro::kKeyCode)));
    ShowRows();
}

void CMacroPage::OnListEditEnded(HWND, int row, int, const wchar_t* text) {
    wchar_t* end = nullptr;
    const long long ms = std::wcstoll(text, &end, 10);
    if (end != text) Refused(editor_.editDelay(static_cast<std::size_t>(row), ms));
    ShowRows();
}

void CMacroPage::Advanced() {
    if (!shown_) return;
    CMacroAdvancedDlg dialog;
    if (dialog.Show(dialog_.hwnd()) != CMacroAdvancedDlg::kInserted) return;
    const int selected = keys_.Selected();
    const std::optional<std::size_t> after =
        selected >= 0 ? std::optional(static_cast<std::size_t>(selected)) : std::nullopt;
    Refused(dialog.ChosenList() == 0 ? editor_.insertBasicCommand(dialog.ChosenIndex(), after)
                                     : editor_.insertAdditionalCommand(dialog.ChosenIndex(), after));
    ShowRows();
}

// --- page commands ---

bool CMacroPage::OnCommand(int id) {
    switch (id) {
        case IDC_MACRO_RECORD:
            if (editor_.recording()) StopRecording(); else StartRecording();
            return true;
        case IDC_MACRO_ADVANCED: Advanced(); return true;
        case IDC_DEFAULT_DELAY: model_.setMacroDefaultDelayMs(defaultDelay_.Value()); return true;
        default: break;
    }
    if (editor_.recording()) return id >= IDC_PAGE_NEW && id <= IDC_PAGE_DELETE;
    switch (id) {
        case IDC_PAGE_NEW: New(); return true;
        case IDC_PAGE_IMPORT: Import(); return true;
        case IDC_PAGE_EXPORT: Export(false); return true;
        case IDC_PAGE_SAVE: Export(true); return true;
        case IDC_PAGE_DELETE: Delete(); return true;
        default: return false;
    }
}

void CMacroPage::New() {
    HWND owner = dialog_.hwnd();
    CBitmapMessageBox box(tr(L"Create Macro"), tr(L"Please enter the name for the new macro:"));
    StyleBox(box);
    box.EnableInput(L"", 19);
    box.AddButton(tr(L"Yes"), CBitmapMessageBox::kYes);
    box.AddButton(tr(L"No"), CBitmapMessageBox::kNo);
    if (box.Show(owner) != CBitmapMessageBox::kYes || box.Input().empty()) return;
    if (model_.createMacro(toU16(box.Input())) != cfg::ListResult::done) return;  // a name in use is passed over
    const std::size_t row = model_.macroCount() - 1;
    model_.selectMacro(row);
    FillNames();
}

void CMacroPage::Delete() {
    if (!shown_) return;
    HWND owner = dialog_.hwnd();
    if (!Ask(owner, L"Delete Macro", L"Are you sure you want to delete this macro?")) return;
    if (model_.deleteMacro(*shown_) != cfg::ListResult::done) return;
    shown_.reset();
    FillNames();
    // Buttons that played the macro took their default function.
    dialog_.RefreshPages();
}

void CMacroPage::Import() {
    HWND owner = dialog_.hwnd();
    const std::optional<std::wstring> path = CFileChooser::Open(owner, tr(L"Import Macro"), macroFiles());
    if (!path) return;
    const cfg::ImportResult imported = cfg::importMacro(model_, dialog_.Files(), toU16(*path));
    if (imported.result != cfg::ExchangeResult::done)
        return Tell(owner, L"Import Macro", ExchangeFailureText(imported.result, false));
    model_.selectMacro(imported.row);
    FillNames();
}

void CMacroPage::Export(bool save) {
    if (!shown_) return;
    HWND owner = dialog_.hwnd();
    const wchar_t* title = save ? L"Save Macro" : L"Export Macro";
    const std::optional<std::wstring> path = CFileChooser::Save(owner, tr(title), macroFiles(), save);
    if (!path) return;
    const cfg::ExchangeResult written = cfg::exportMacro(model_, *shown_, dialog_.Files(), toU16(*path));
    if (written != cfg::ExchangeResult::done) Tell(owner, title, ExchangeFailureText(written, false));
}

// --- the advanced dialog ---

CMacroAdvancedDlg::CMacroAdvancedDlg() : CBitmapMessageBox(tr(L"Advanced Settings"), L"") {
    StyleBox(*this);
    SetBackground(IDB_ABOUT_BOX);
    AddButton(tr(L"Close"), kCancel);
}

INT_PTR CMacroAdvancedDlg::Show(HWND owner) { return CBitmapMessageBox::Show(owner, IDD_MACRO_ADVANCED); }

BOOL CMacroAdvancedDlg::OnInitDialog() {
    CBitmapMessageBox::OnInitDialog();
    const std::span<const std::u16string_view> names[2] = {cfg::basicCommandNames(), cfg::additionalCommandNames()};
    for (int i = 0; i < 2; ++i) {
        const int box = i == 0 ? IDC_ADVANCED_BASIC : IDC_ADVANCED_MORE;
        const int insert = i == 0 ? IDC_ADVANCED_BASIC_INSERT : IDC_ADVANCED_MORE_INSERT;
        CBitmapComboBox& combo = Bind(boxes_[i], box);
        combo.LoadBitmaps(IDB_COMBO, IDB_COMBO_HOVER, IDB_COMBO_OPEN, IDB_COMBO_DISABLED);
        combo.SetParent(this);
        SetWindowPos(combo.hwnd(), nullptr, 30, 76 + i * 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        lists_[i].Create(combo, 9);
        lists_[i].SetParents(this, nullptr);
        for (std::u16string_view name : names[i]) lists_[i].AddItem(tr(toWide(name)), 0);
        combo.SetCurSel(0);
        PushButton(Bind(inserts_[i], insert), tr(L"Insert"), SIZE{110, 32});
        SetWindowPos(inserts_[i].hwnd(), nullptr, 300, 72 + i * 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    return TRUE;
}

void CMacroAdvancedDlg::PaintBackground(HDC dc) {
    CBitmapMessageBox::PaintBackground(dc);
    if (!font_) font_ = MakeFont(13, DefaultFaceName(), true);
    DrawCaption(dc, RECT{30, 54, 300, 72}, tr(L"Basic Commands"), font_.get(), kAccent, DT_LEFT | DT_SINGLELINE);
    DrawCaption(dc, RECT{30, 114, 300, 132}, tr(L"Additional Commands"), font_.get(), kAccent, DT_LEFT | DT_SINGLELINE);
}

void CMacroAdvancedDlg::OnComboBoxChoice(int, int) {}

LRESULT CMacroAdvancedDlg::OnCommand(int id, int code, HWND ctl) {
    if (code == BN_CLICKED && (id == IDC_ADVANCED_BASIC_INSERT || id == IDC_ADVANCED_MORE_INSERT)) {
        list_ = id == IDC_ADVANCED_BASIC_INSERT ? 0 : 1;
        const int chosen = boxes_[list_].CurSel();
        if (chosen < 0) return 0;
        index_ = static_cast<std::size_t>(chosen);
        End(kInserted);
        return 0;
    }
    return CBitmapMessageBox::OnCommand(id, code, ctl);
}

}  // namespace tessel::cfgapp
