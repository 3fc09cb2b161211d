#include "configurator/app/profile_page.h"

#include "configurator/app/file_chooser.h"
#include "configurator/app/info_dialogs.h"
#include "configurator/app/looks.h"
#include "configurator/app/main_dialog.h"
#include "configurator/app/messages.h"
#include "configurator/app/resource.h"
#include "configurator/app/texts.h"
#include "configurator/model/model_exchange.h"
#include "skin_paint.h"

namespace tessel::cfgapp {

namespace {

constexpr int kNameColumn = 0, kApplicationColumn = 1, kSwitchColumn = 2;

FileFilter profileFiles() { return {tr(L"Kavix Exchange Profile File (*.kxp)"), L"*.kxp", L"kxp"}; }

std::wstring applicationText(const cfg::ProfileNode& node) {
    return node.application.empty() ? tr(L"<none>") : toWide(node.application);
}

}  // namespace

void CProfilePage::Create() {
    group_ = {IDC_PROFILE_LIST, IDC_PROFILE_LIST_SCROLL, IDC_PROFILE_NOTICE, IDC_PROFILE_HINT,
              IDC_PAGE_NEW,     IDC_PAGE_IMPORT,         IDC_PAGE_EXPORT,    IDC_PAGE_SAVE, IDC_PAGE_DELETE};
    dialog_.Bind(list_, IDC_PROFILE_LIST);
    dialog_.Place(IDC_PROFILE_LIST, 44, 164, 560, 244);
    list_.AddColumn(tr(L"Profile Name"), 220, true);
    list_.AddColumn(tr(L"Application"), 194, true);
    list_.AddColumn(tr(L"Auto Switch"), 92, false, true);
    list_.SetParentCallback(this);
    dialog_.Bind(bar_, IDC_PROFILE_LIST_SCROLL);
    dialog_.Place(IDC_PROFILE_LIST_SCROLL, 606, 164, 14, 244);
    bar_.LoadBitmaps(IDB_SCROLL_UP, IDB_SCROLL_DOWN, IDB_SCROLL_TRACK, IDB_SCROLL_THUMB);
    list_.AttachScrollBar(&bar_);
    dialog_.Place(IDC_PROFILE_HINT, 44, 414, 560, 20);
    SetDlgItemTextW(dialog_.hwnd(), IDC_PROFILE_HINT,
                    tr(L"Note : Right-click On Profile Name To Access Preview Option").c_str());
    WideCheck(dialog_.Bind(notice_, IDC_PROFILE_NOTICE), tr(L"Enable On-Screen Display"), this);
    notice_.SetHelpText(tr(L"Show the profile's name on screen when the mouse switches to it"));
    dialog_.Place(IDC_PROFILE_NOTICE, 44, 446);
}

void CProfilePage::DrawCaptions(HDC dc, HFONT heading, HFONT) {
    DrawCaption(dc, RECT{44, 130, 600, 150}, tr(L"PROFILES"), heading, kAccent, DT_LEFT | DT_SINGLELINE);
}

void CProfilePage::AddRow(const cfg::ProfileNode& node) {
    list_.AddRow({toWide(node.name), applicationText(node), L""}, node.autoSwitch);
}

void CProfilePage::FillList() {
    filling_ = true;
    list_.EndEdit();
    list_.Clear();
    for (std::size_t row = 0; row < model_.profileCount(); ++row) AddRow(*model_.profileAt(row));
    list_.Select(model_.profileCount() ? static_cast<int>(model_.currentRow()) : -1);
    filling_ = false;
    Fill();
}

void CProfilePage::Fill() {
    const cfg::ProfileNode* node = model_.current();
    notice_.SetTicked(node && node->profileSwitchNotice);
}

bool CProfilePage::EndEdit() {
    if (!list_.Editing()) return false;
    list_.EndEdit();
    return true;
}

int CProfilePage::SelectedRow() const {
    const int row = list_.Selected();
    return row >= 0 && static_cast<std::size_t>(row) < model_.profileCount() ? row : static_cast<int>(model_.currentRow());
}

void CProfilePage::OnListSelectionChanged(HWND, int row) {
    if (filling_ || row < 0) return;
    dialog_.ShowProfile(static_cast<std::size_t>(row));
}

void CProfilePage::OnListRightClick(HWND, int row, POINT screen) {
    if (row < 0) return;
    const int command = TrackTranslatedMenu(dialog_.hwnd(), IDR_PROFILE_LIST_MENU, screen);
    if (command) OnCommand(command);
}

void CProfilePage::OnListEditEnded(HWND, int row, int column, const wchar_t* text) {
    cfg::ProfileNode* node = model_.profileAt(static_cast<std::size_t>(row));
    if (!node) return;
    if (column == kNameColumn) {
        switch (model_.renameProfile(static_cast<std::size_t>(row), toU16(text))) {
            case cfg::ListResult::done: break;
            case cfg::ListResult::nameTaken:
                Tell(dialog_.hwnd(), L"Rename Profile", L"Another profile already has this name.");
                break;
            default:
                Tell(dialog_.hwnd(), L"Rename Profile", L"A profile name has 1 to 19 characters.");
                break;
        }
        // Side files, the tray and links match by name: a refused name keeps the old one.
        list_.SetCellText(row, kNameColumn, toWide(node->name));
        if (static_cast<std::size_t>(row) == model_.currentRow()) dialog_.ShowProfileName();
    } else if (column == kApplicationColumn) {
        const std::wstring application(text);
        model_.setApplication(static_cast<std::size_t>(row), application == tr(L"<none>") ? u"" : toU16(application));
        list_.SetCellText(row, kApplicationColumn, applicationText(*node));
    }
}

void CProfilePage::OnListCellToggled(HWND, int row, int column) {
    if (column == kSwitchColumn) model_.setAutoSwitch(static_cast<std::size_t>(row), list_.Switched(row));
}

void CProfilePage::OnHoverButtonV2(int controlId, int value) {
    if (controlId == IDC_PROFILE_NOTICE) model_.setProfileSwitchNotice(value != 0);
}

bool CProfilePage::OnCommand(int id) {
    switch (id) {
        case IDC_PAGE_NEW:
        case IDM_PROFILE_NEW: New(); return true;
        case IDC_PAGE_IMPORT:
        case IDM_PROFILE_IMPORT: Import(); return true;
        case IDC_PAGE_EXPORT:
        case IDM_PROFILE_EXPORT: Export(false); return true;
        case IDC_PAGE_SAVE:
        case IDM_PROFILE_SAVE: Export(true); return true;
        case IDC_PAGE_DELETE:
        case IDM_PROFILE_DELETE: Delete(); return true;
        case IDM_PROFILE_COPY: Copy(); return true;
        case IDM_PROFILE_ASSIGN: AssignApplication(); return true;
        case IDM_PROFILE_RESTORE: dialog_.AskRestoreDefaults(CCoricCfgDlg::kProfilesPage); return true;
        case IDM_PROFILE_PREVIEW: Preview(); return true;
        default: return false;
    }
}

void CProfilePage::New() {
    EndEdit();
    HWND owner = dialog_.hwnd();
    if (model_.profileCount() >= cfg::kMaxProfiles) return Tell(owner, L"Create Profile", L"Maximum number of profiles reached");
    CBitmapMessageBox box(tr(L"Create Profile"), tr(L"Please enter the name for the new profile:"));
    StyleBox(box);
    box.EnableInput(L"", 20);
    box.AddButton(tr(L"Yes"), CBitmapMessageBox::kYes);
    box.AddButton(tr(L"No"), CBitmapMessageBox::kNo);
    if (box.Show(owner) != CBitmapMessageBox::kYes || box.Input().empty()) return;
    switch (model_.createProfile(toU16(box.Input()))) {
        case cfg::ListResult::done: break;
        case cfg::ListResult::nameInvalid:
            // Refused before anything is created: the mouse keeps 19 characters of a name.
            return Tell(owner, L"Create Profile", L"A profile name has 1 to 19 characters.");
        default: return;  // a name in use is passed over
    }
    AddRow(*model_.profileAt(model_.profileCount() - 1));
    list_.Select(static_cast<int>(model_.profileCount() - 1));
}

void CProfilePage::Copy() {
    EndEdit();
    HWND owner = dialog_.hwnd();
    if (model_.profileCount() >= cfg::kMaxProfiles) return Tell(owner, L"Copy Profile", L"Maximum Number of Profiles reached");
    if (!Ask(owner, L"Copy Profile", L"Are you sure you want to copy this profile?")) return;
    if (model_.copyProfile(static_cast<std::size_t>(SelectedRow())) != cfg::ListResult::done)
        return Tell(owner, L"Copy Profile", L"Error Copying Profile or Profile has been copied before!");
    AddRow(*model_.profileAt(model_.profileCount() - 1));
}

void CProfilePage::Delete() {
    EndEdit();
    HWND owner = dialog_.hwnd();
    const int row = SelectedRow();
    if (row == 0) return Tell(owner, L"Delete Profile", L"Profile 1 is the base profile and may not be deleted");
    if (!Ask(owner, L"Delete Profile", L"Are you sure you want to delete this profile?")) return;
    const std::size_t shown = model_.currentRow();
    if (model_.deleteProfile(static_cast<std::size_t>(row)) != cfg::ListResult::done) return;
    FillList();
    // Buttons that switched to the deleted profile took their default function.
    if (shown == static_cast<std::size_t>(row)) dialog_.ShowProfile(0); else dialog_.RefreshPages();
}

void CProfilePage::Import() {
    EndEdit();
    HWND owner = dialog_.hwnd();
    if (model_.profileCount() >= cfg::kMaxProfiles) return Tell(owner, L"Import Profile", L"Maximum number of profiles reached");
    const std::optional<std::wstring> path = CFileChooser::Open(owner, tr(L"Import Profile"), profileFiles());
    if (!path) return;
    const cfg::ImportResult imported = cfg::importProfile(model_, dialog_.Files(), toU16(*path));
    if (imported.result != cfg::ExchangeResult::done)
        return Tell(owner, L"Import Profile", ExchangeFailureText(imported.result, true));
    FillList();
    dialog_.ShowProfile(imported.row);
    if (imported.macrosAdded) dialog_.RefreshMacros();
}

void CProfilePage::Export(bool save) {
    EndEdit();
    HWND owner = dialog_.hwnd();
    const wchar_t* title = save ? L"Save Profile" : L"Export Profile";
    const std::optional<std::wstring> path = CFileChooser::Save(owner, tr(title), profileFiles(), save);
    if (!path) return;
    const cfg::ExchangeResult written =
        cfg::exportProfile(model_, static_cast<std::size_t>(SelectedRow()), dialog_.Files(), toU16(*path));
    if (written != cfg::ExchangeResult::done) Tell(owner, title, ExchangeFailureText(written, true));
}

void CProfilePage::AssignApplication() {
    EndEdit();
    const int row = SelectedRow();
    const std::optional<std::wstring> path =
        CFileChooser::Open(dialog_.hwnd(), tr(L"Choose Application"), {tr(L"Executables (*.exe)"), L"*.Exe", L"exe"});
    if (!path || model_.setApplication(static_cast<std::size_t>(row), toU16(*path)) != cfg::ListResult::done) return;
    list_.SetCellText(row, kApplicationColumn, applicationText(*model_.profileAt(static_cast<std::size_t>(row))));
}

void CProfilePage::Preview() {
    EndEdit();
    if (const cfg::ProfileNode* node = model_.profileAt(static_cast<std::size_t>(SelectedRow())))
        CPreviewDlg(model_, *node).Show(dialog_.hwnd());
}

}  // namespace tessel::cfgapp
