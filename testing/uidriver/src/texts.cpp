#include "uidriver/texts.h"

#include "uidriver/find.h"
#include "controls/row_query.h"

#include <algorithm>
#include <cwchar>
#include <optional>

namespace uidriver {

std::wstring windowText(HWND window, milliseconds timeout) {
    auto ask = [&](UINT message, WPARAM wParam, LPARAM lParam) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, UINT(timeout.count()), &result)) {
            throw Failure(L"window " + handleText(window) + L" did not answer WM_GETTEXT within " +
                          std::to_wstring(timeout.count()) + L" ms");
        }
        return result;
    };
    // WM_GETTEXTLENGTH only sizes the first try: a control that keeps its own text may answer
    // WM_GETTEXT alone. A buffer filled to the brim may have cut the text, so it grows.
    size_t size = std::max<size_t>(ask(WM_GETTEXTLENGTH, 0, 0) + 1, 256);
    for (;;) {
        std::wstring text(size, L'\0');
        // Across processes the system copies the text back, bounded by the buffer we give.
        const size_t copied = ask(WM_GETTEXT, size, LPARAM(text.data()));
        if (copied + 1 < size || size >= (size_t(1) << 20)) {
            text.resize(std::min(copied, wcsnlen(text.data(), size)));
            return text;
        }
        size *= 2;
    }
}

void waitForText(HWND window, std::wstring_view expected, milliseconds timeout) {
    std::wstring last;
    waitUntil([&] { return (last = windowText(window)) == expected; }, timeout, [&] {
        return L"the text \"" + std::wstring(expected) + L"\" in " + describe(window) + L"; last read \"" + last + L"\"";
    });
}

namespace {

// The answer arrives as WM_COPYDATA to a message window of the asking thread while that thread
// waits in SendMessageTimeout, which dispatches sent messages.
struct PendingAnswer {
    int row;
    std::optional<Row> answer;
    std::wstring refused;  // what arrived instead, for the failure message
};

LRESULT CALLBACK answerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        auto* pending = reinterpret_cast<PendingAnswer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        // Anything not shaped as the answer to the row we asked for is refused, never trusted;
        // the size is checked before a byte of the payload is read.
        if (!pending) return FALSE;
        const auto* answer = static_cast<const RowQueryAnswer*>(data->lpData);
        if (data->dwData != kRowQueryCopyDataTag || data->cbData != sizeof(RowQueryAnswer) || !answer) {
            wchar_t tag[32];
            swprintf(tag, 32, L"0x%llx", static_cast<unsigned long long>(data->dwData));
            pending->refused = L"; refused WM_COPYDATA with tag " + std::wstring(tag) + L", " + std::to_wstring(data->cbData) + L" bytes (expected " +
                               std::to_wstring(sizeof(RowQueryAnswer)) + L")";
            return FALSE;
        }
        if (answer->row != pending->row) {
            pending->refused = L"; refused the answer for row " + std::to_wstring(answer->row);
            return FALSE;
        }
        pending->answer = Row{answer->row, answer->value,
                              std::wstring(answer->text, wcsnlen(answer->text, std::size(answer->text)))};
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND makeAnswerWindow(PendingAnswer& pending) {
    static const ATOM windowClass = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = answerWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"UidriverRowAnswer";
        return RegisterClassW(&wc);
    }();
    HWND window = CreateWindowExW(0, MAKEINTATOM(windowClass), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) throw Failure("cannot create the window that receives row answers");
    SetWindowLongPtrW(window, GWLP_USERDATA, LONG_PTR(&pending));
    return window;
}

// Sends the row query; returns the list's row count and, for an existing row, its answer.
int askRow(HWND list, int row, std::optional<Row>* answer, std::wstring* refused = nullptr) {
    PendingAnswer pending{row, std::nullopt, {}};
    HWND answerWindow = makeAnswerWindow(pending);
    DWORD_PTR count = 0;
    const BOOL answered = SendMessageTimeoutW(list, kRowQueryMessage, row < 0 ? WPARAM(-1) : WPARAM(row),
                                              LPARAM(answerWindow), SMTO_ABORTIFHUNG, 2000, &count);
    DestroyWindow(answerWindow);
    if (!answered) throw Failure(L"the row query timed out at " + describe(list));
    if (answer) *answer = std::move(pending.answer);
    if (refused) *refused = std::move(pending.refused);
    return int(count);
}

}  // namespace

int rowCount(HWND list) { return askRow(list, -1, nullptr); }

Row readRow(HWND list, int index) {
    std::optional<Row> answer;
    std::wstring refused;
    const int count = askRow(list, index, &answer, &refused);
    if (index < 0 || index >= count)
        throw Failure(L"row " + std::to_wstring(index) + L" asked of " + describe(list) + L", which has " +
                      std::to_wstring(count) + L" rows");
    if (!answer)
        throw Failure(L"no answer to the row query for row " + std::to_wstring(index) + L" of " + describe(list) + refused);
    return *answer;
}

std::vector<Row> readRows(HWND list) {
    std::vector<Row> rows;
    const int count = rowCount(list);
    for (int i = 0; i < count; ++i) rows.push_back(readRow(list, i));
    return rows;
}

}  // namespace uidriver
