// Stands in for the tray in lhc's tests; copied under the tray's file name.
//   --hold MS   behaves as the running tray: a window of the tray's class for MS milliseconds.
//   otherwise   the restarted tray: writes "started.txt" beside itself with its command line,
//               its path, its current directory, whether a tray window still existed, and its
//               creation time; then ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "lhc/restart.h"

namespace {

std::wstring modulePath() {
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return std::wstring(path, n);
}

int hold(DWORD ms) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = lhc::kTrayWindowClass;
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, lhc::kTrayWindowClass, L"Kavix Tessel Tray", WS_POPUP,
                                        0, 0, 0, 0, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) {
        return 3;
    }
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    DestroyWindow(window);
    return 0;
}

int record(const wchar_t* arguments) {
    const bool oldTray = FindWindowW(lhc::kTrayWindowClass, nullptr) != nullptr;
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    wchar_t directory[MAX_PATH * 2];
    GetCurrentDirectoryW(MAX_PATH * 2, directory);
    const std::wstring path = modulePath();
    const std::wstring file = path.substr(0, path.find_last_of(L'\\')) + L"\\started.txt";
    const unsigned long long time =
        (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    // One field a line, in UTF-8.
    const std::wstring text = std::wstring(arguments) + L'\n' + path + L'\n' + directory + L'\n' +
                              (oldTray ? L"1" : L"0") + L'\n' + std::to_wstring(time) + L'\n';
    std::string bytes(text.size() * 4, '\0');
    bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(
        CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
        static_cast<int>(bytes.size()), nullptr, nullptr)));
    FILE* out = _wfopen(file.c_str(), L"wb");
    if (out == nullptr) {
        return 4;
    }
    fwrite(bytes.data(), 1, bytes.size(), out);
    return fclose(out) == 0 ? 0 : 4;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
    if (std::wcsncmp(arguments, L"--hold ", 7) == 0) {
        return hold(static_cast<DWORD>(std::wcstoul(arguments + 7, nullptr, 10)));
    }
    return record(arguments);
}
