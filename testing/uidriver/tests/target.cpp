// A plain Win32 window for the driver's own tests: a button, an edit, a list that answers the
// row query, and a colour patch; a status line reports what arrived.
#include "controls/row_query.h"
#include "target.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <iterator>

namespace {

struct Counts {
    int button = 0, left = 0, right = 0, doubles = 0;
} counts;

HWND status;

void showCounts() {
    wchar_t text[128];
    swprintf(text, std::size(text), L"button %d left %d right %d double %d", counts.button, counts.left, counts.right,
             counts.doubles);
    SetWindowTextW(status, text);
}

struct Entry {
    const wchar_t* text;
    int64_t value;
} const kRows[] = {{L"Alpha", 10}, {L"Beta \u00e9\u4e2d", -20}, {L"Gamma", int64_t(1) << 40}};

WNDPROC listDefault;

LRESULT CALLBACK listProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRowQueryMessage) {
        const int count = int(std::size(kRows));
        if (wParam < WPARAM(count)) {
            RowQueryAnswer answer{};
            answer.row = int32_t(wParam);
            answer.value = kRows[wParam].value;
            wcsncpy(answer.text, kRows[wParam].text, std::size(answer.text) - 1);
            COPYDATASTRUCT data{kRowQueryCopyDataTag, sizeof(answer), &answer};
            SendMessageW(HWND(lParam), WM_COPYDATA, WPARAM(window), LPARAM(&data));
        }
        return count;
    }
    return CallWindowProcW(listDefault, window, message, wParam, lParam);
}

LRESULT CALLBACK patchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRowQueryMessage) {  // a faulty list: one row, answered too short
        if (wParam == 0) {
            const int32_t shortAnswer[2] = {0, 0};
            COPYDATASTRUCT data{kRowQueryCopyDataTag, sizeof(shortAnswer), const_cast<int32_t*>(shortAnswer)};
            SendMessageW(HWND(lParam), WM_COPYDATA, WPARAM(window), LPARAM(&data));
        }
        return 1;
    }
    switch (message) {
    case WM_LBUTTONDOWN: ++counts.left; showCounts(); return 0;
    case WM_RBUTTONDOWN: ++counts.right; showCounts(); return 0;
    case WM_GETTEXT: {  // keeps its text itself, as skinned controls do, and no WM_GETTEXTLENGTH
        if (wParam == 0) return 0;
        const size_t copied = std::min<size_t>(wParam - 1, target::kPatchText.size());
        wmemcpy(reinterpret_cast<wchar_t*>(lParam), target::kPatchText.data(), copied);
        reinterpret_cast<wchar_t*>(lParam)[copied] = L'\0';
        return LRESULT(copied);
    }
    case WM_LBUTTONDBLCLK: ++counts.doubles; showCounts(); return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        HBRUSH brush = CreateSolidBrush(RGB(target::kPatchRed, target::kPatchGreen, target::kPatchBlue));
        RECT client;
        GetClientRect(window, &client);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        EndPaint(window, &ps);
        return 0;
    }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

UINT postedMessage;  // registered under target::kPostedMessage

LRESULT CALLBACK mainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == postedMessage && postedMessage) {
        wchar_t text[64];
        swprintf(text, std::size(text), L"posted %llu %lld", static_cast<unsigned long long>(wParam),
                 static_cast<long long>(lParam));
        SetWindowTextW(status, text);
        return 0;
    }
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == target::kButton && HIWORD(wParam) == BN_CLICKED) {
            ++counts.button;
            showCounts();
        }
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND child(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int w, int h, HWND parent, int id) {
    return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, HMENU(INT_PTR(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW main{};
    main.lpfnWndProc = mainProc;
    main.hInstance = instance;
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
    main.lpszClassName = target::kClass;
    RegisterClassW(&main);
    WNDCLASSW patch = main;
    patch.style = CS_DBLCLKS;
    patch.lpfnWndProc = patchProc;
    patch.lpszClassName = L"UidriverPatch";
    RegisterClassW(&patch);
    postedMessage = RegisterWindowMessageW(target::kPostedMessage);

    HWND window = CreateWindowExW(0, target::kClass, target::kTitle, WS_OVERLAPPEDWINDOW, 40, 40, 360, 260, nullptr,
                                  nullptr, instance, nullptr);
    child(L"BUTTON", L"Press", BS_PUSHBUTTON, 20, 20, 120, 30, window, target::kButton);
    child(L"EDIT", L"", WS_BORDER | ES_AUTOHSCROLL, 20, 60, 200, 24, window, target::kEdit);
    HWND list = child(L"LISTBOX", L"", WS_BORDER, 20, 96, 200, 80, window, target::kList);
    for (const Entry& row : kRows) SendMessageW(list, LB_ADDSTRING, 0, LPARAM(row.text));
    listDefault = WNDPROC(SetWindowLongPtrW(list, GWLP_WNDPROC, LONG_PTR(listProc)));
    child(L"UidriverPatch", L"", 0, target::kPatchX, target::kPatchY, target::kPatchWidth, target::kPatchHeight, window,
          target::kPatch);
    status = child(L"STATIC", L"", 0, 20, 190, 320, 20, window, target::kStatus);
    showCounts();
    ShowWindow(window, SW_SHOW);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
