// The configurator's message boxes: skinned boxes with translated texts, and the progress box
// shown while the configuration worker reads or writes.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

#include "message_box.h"

namespace tessel::cfgapp {

struct BoxButton {
    const wchar_t* caption;
    int result;
};

// A box with the message bitmap, white text of size 14 and the given buttons; title, text and
// captions are translated. Answers the result of the button pressed.
INT_PTR ShowMessage(HWND owner, std::wstring_view title, const std::wstring& text,
                    std::initializer_list<BoxButton> buttons);
// A box with "OK", and a question with "Yes" and "No" (true for "Yes").
void Tell(HWND owner, std::wstring_view title, const std::wstring& text);
bool Ask(HWND owner, std::wstring_view title, const std::wstring& text);
// The first popup of menu resource `menuId` at `screen`, its texts translated; items for which
// `enabled` answers false are greyed. Answers the command chosen, 0 for none.
int TrackTranslatedMenu(HWND owner, int menuId, POINT screen, const std::function<bool(UINT)>& enabled = {});
// The same look for boxes built by their callers.
void StyleBox(CBitmapMessageBox& box);

// The progress box: it closes itself `delayMs` after the worker's command word has become 0,
// and meanwhile repaints `repaint` every two seconds when given.
class CWaitingDlg : public CBitmapMessageBox {
public:
    CWaitingDlg(const std::wstring& text, std::function<int()> command, HWND repaint, DWORD delayMs);

protected:
    BOOL OnInitDialog() override;
    LRESULT OnTimer(UINT_PTR id) override;
    LRESULT OnCommand(int id, int code, HWND ctl) override;
    void OnOK() override {}
    void OnCancel() override {}  // only the worker ends the wait

private:
    static constexpr UINT_PTR kTickTimer = 1;
    std::function<int()> command_;
    HWND repaint_;
    DWORD delayMs_;
    unsigned ticks_ = 0;
    ULONGLONG idleSince_ = 0;
};

}  // namespace tessel::cfgapp
