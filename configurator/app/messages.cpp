#include "configurator/app/messages.h"

#include "configurator/app/texts.h"
#include "skin_paint.h"

namespace tessel::cfgapp {

void StyleBox(CBitmapMessageBox& box) {
    box.SetBackground(IDB_MESSAGE_BOX);
    box.SetTextStyle(14, DefaultFaceName(), RGB(255, 255, 255));
}

INT_PTR ShowMessage(HWND owner, std::wstring_view title, const std::wstring& text,
                    std::initializer_list<BoxButton> buttons) {
    CBitmapMessageBox box(tr(title), tr(text));
    StyleBox(box);
    for (const BoxButton& button : buttons) box.AddButton(tr(button.caption), button.result);
    return box.Show(owner);
}

void Tell(HWND owner, std::wstring_view title, const std::wstring& text) {
    ShowMessage(owner, title, text, {{L"OK", CBitmapMessageBox::kOk}});
}

bool Ask(HWND owner, std::wstring_view title, const std::wstring& text) {
    return ShowMessage(owner, title, text, {{L"Yes", CBitmapMessageBox::kYes}, {L"No", CBitmapMessageBox::kNo}}) ==
           CBitmapMessageBox::kYes;
}

int TrackTranslatedMenu(HWND owner, int menuId, POINT screen, const std::function<bool(UINT)>& enabled) {
    HMENU resource = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuId));
    if (!resource) return 0;
    HMENU menu = GetSubMenu(resource, 0);
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        wchar_t text[128] = L"";
        GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
        const UINT id = GetMenuItemID(menu, i);
        const UINT state = enabled && !enabled(id) ? MF_GRAYED : 0;
        ModifyMenuW(menu, i, MF_BYPOSITION | MF_STRING | state, id, tr(text).c_str());
    }
    const int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screen.x,
                                       screen.y, 0, owner, nullptr);
    DestroyMenu(resource);
    return command;
}

CWaitingDlg::CWaitingDlg(const std::wstring& text, std::function<int()> command, HWND repaint, DWORD delayMs)
    : CBitmapMessageBox(tr(L"Information"), tr(text)), command_(std::move(command)), repaint_(repaint),
      delayMs_(delayMs) {
    StyleBox(*this);
}

BOOL CWaitingDlg::OnInitDialog() {
    CBitmapMessageBox::OnInitDialog();
    if (HWND close = GetDlgItem(hwnd(), IDC_MESSAGE_CLOSE)) ShowWindow(close, SW_HIDE);
    StartTimer(kTickTimer, 10);
    return TRUE;
}

LRESULT CWaitingDlg::OnCommand(int id, int code, HWND ctl) {
    if (id == IDC_MESSAGE_CLOSE) return 0;
    return CBitmapMessageBox::OnCommand(id, code, ctl);
}

LRESULT CWaitingDlg::OnTimer(UINT_PTR id) {
    if (id != kTickTimer) return CBitmapMessageBox::OnTimer(id);
    if (command_() != 0) {
        idleSince_ = 0;
        if (repaint_ && ++ticks_ % 200 == 0) RedrawWindow(repaint_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        return 0;
    }
    const ULONGLONG now = GetTickCount64();
    if (idleSince_ == 0) idleSince_ = now;
    if (now - idleSince_ >= delayMs_) {
        StopTimer(kTickTimer);
        End(kClosed);
    }
    return 0;
}

}  // namespace tessel::cfgapp
