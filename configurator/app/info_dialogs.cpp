#include "configurator/app/info_dialogs.h"

#include <algorithm>

#include "configurator/app/looks.h"
#include "configurator/app/messages.h"
#include "configurator/app/pages.h"
#include "configurator/app/resource.h"
#include "configurator/app/texts.h"
#include "skin_paint.h"

namespace tessel::cfgapp {

namespace {
constexpr COLORREF kBoxFill = RGB(23, 26, 33);
constexpr std::array<std::uint32_t, cfg::kMaxStages> kDefaultDpi = {500, 1000, 1500, 2000, 4000};
}  // namespace

CTextBox::CTextBox(const std::wstring& title, int background) : CBitmapMessageBox(title, L"") {
    StyleBox(*this);
    SetBackground(background);
    AddButton(tr(L"OK"), kOk);
}

BOOL CTextBox::OnInitDialog() {
    CBitmapMessageBox::OnInitDialog();
    font_ = MakeFont(14, DefaultFaceName(), false);
    brush_.reset(CreateSolidBrush(kBoxFill));
    LabelFont(hwnd(), font_.get());
    FillTexts();
    return TRUE;
}

LRESULT CTextBox::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // Texts in columns ("caption<tab>value") are drawn with tab stops wide enough for the captions.
    if (msg == WM_DRAWITEM && reinterpret_cast<const DRAWITEMSTRUCT*>(lp)->CtlType == ODT_STATIC) {
        const DRAWITEMSTRUCT& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        FillRect(item.hDC, &item.rcItem, brush_.get());
        const int length = GetWindowTextLengthW(item.hwndItem);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        GetWindowTextW(item.hwndItem, text.data(), length + 1);
        text.resize(static_cast<std::size_t>(length));
        HGDIOBJ old = SelectObject(item.hDC, font_.get());
        SetTextColor(item.hDC, kText);
        SetBkMode(item.hDC, TRANSPARENT);
        RECT area = item.rcItem;
        DrawTextW(item.hDC, text.c_str(), length, &area, DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS | DT_TABSTOP | (TabStop(static_cast<int>(item.CtlID)) << 8));
        SelectObject(item.hDC, old);
        return TRUE;
    }
    if (msg == WM_CTLCOLORSTATIC) {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, kText);
        SetBkColor(dc, kBoxFill);
        return reinterpret_cast<LRESULT>(brush_.get());
    }
    return CBitmapMessageBox::OnMessage(msg, wp, lp);
}

// --- About ---

CAboutDlg::CAboutDlg() : CTextBox(tr(L"About Kavix Tessel"), IDB_ABOUT_BOX) {}

INT_PTR CAboutDlg::Show(HWND owner) { return CBitmapMessageBox::Show(owner, IDD_ABOUTBOX); }

void CAboutDlg::FillTexts() {
    SetWindowPos(GetDlgItem(hwnd(), IDC_ABOUT_VERSION), nullptr, 30, 52, 380, 20, SWP_NOZORDER);
    SetWindowPos(GetDlgItem(hwnd(), IDC_ABOUT_TEXT), nullptr, 30, 84, 380, 70, SWP_NOZORDER);
    SetDlgItemTextW(hwnd(), IDC_ABOUT_VERSION, trPrintf(L"Kavix Tessel Config Application Version %d.%d.%d", 4, 0, 0).c_str());
    // The description written in the template, in the dialog's language.
    wchar_t about[256] = L"";
    GetDlgItemTextW(hwnd(), IDC_ABOUT_TEXT, about, 256);
    SetDlgItemTextW(hwnd(), IDC_ABOUT_TEXT, tr(about).c_str());
}

// --- Preview ---

CPreviewDlg::CPreviewDlg(const cfg::SettingsModel& model, const cfg::ProfileNode& profile)
    : CTextBox(tr(L"Profile Preview"), IDB_PREVIEW_BOX), model_(model), profile_(profile) {}

INT_PTR CPreviewDlg::Show(HWND owner) { return CBitmapMessageBox::Show(owner, IDD_PREVIEW); }

std::wstring CPreviewDlg::AssignmentText(const cfg::SettingsModel&, const cfg::ProfileNode& profile, int row) {
    const int entry = cfg::buttonRow(row).tableEntry;
    if (const cfg::ProfileNode* target = profile.profileLinks[entry])
        return trPrintf(L"Profile: %s", toWide(target->name).c_str());
    if (const cfg::MacroNode* macro = profile.macroLinks[entry])
        return trPrintf(L"Macro: %s", toWide(macro->name).c_str());
    const cfg::MappingTable table = profile.mappings ? *profile.mappings : cfg::defaultMappings();
    const std::optional<cfg::ButtonFunction> function = cfg::functionOf(row, table[entry]);
    return function ? tr(toWide(cfg::functionName(*function))) : std::wstring();
}

int CPreviewDlg::TabStop(int id) const { return id == IDC_PREVIEW_STAGES ? 10 : 30; }

void CPreviewDlg::FillTexts() {
    for (int id : {IDC_PREVIEW_BUTTONS, IDC_PREVIEW_STAGES}) {
        HWND text = GetDlgItem(hwnd(), id);
        SetWindowLongPtrW(text, GWL_STYLE, (GetWindowLongPtrW(text, GWL_STYLE) & ~SS_TYPEMASK) | SS_OWNERDRAW);
    }
    SetWindowPos(GetDlgItem(hwnd(), IDC_PREVIEW_BUTTONS), nullptr, 30, 50, 380, 290, SWP_NOZORDER);
    SetWindowPos(GetDlgItem(hwnd(), IDC_PREVIEW_STAGES), nullptr, 420, 50, 160, 290, SWP_NOZORDER);
    std::wstring buttons;
    for (int row = 0; row < cfg::kButtonRows; ++row) {
        if (row) buttons += L"\n";
        buttons += tr(CButtonPage::RowCaption(row)) + L":\t" + AssignmentText(model_, profile_, row);
    }
    SetDlgItemTextW(hwnd(), IDC_PREVIEW_BUTTONS, buttons.c_str());
    std::wstring stages = tr(L"Sensitivity Stages");
    const int count = profile_.stages ? std::min(static_cast<int>(profile_.stages->count), cfg::kMaxStages) : cfg::kMaxStages;
    for (int k = 0; k < count; ++k) {
        const cfg::Sensitivity value = profile_.stages ? profile_.stages->stages[k]
                                                       : cfg::Sensitivity{kDefaultDpi[k], kDefaultDpi[k]};
        stages += L"\n" + trPrintf(L"Stage %d", k + 1) + L":\t" +
                  (value.x == value.y ? trPrintf(L"%d", static_cast<int>(value.x))
                                      : trPrintf(L"X: %d Y: %d", static_cast<int>(value.x), static_cast<int>(value.y)));
    }
    SetDlgItemTextW(hwnd(), IDC_PREVIEW_STAGES, stages.c_str());
}

}  // namespace tessel::cfgapp
