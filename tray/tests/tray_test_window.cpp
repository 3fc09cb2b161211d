// A window program for the tray's tests. Copied as "TesselCfg.exe" it stands in for the
// configurator: one instance, a main window holding the hidden marker button "memu_Marlo_2"
// that answers the handshake and passes WM_CLOSE on to its dialog. Under any other name it is
// a program that comes to the foreground, titled with its file name (a game, for the tray's
// automatic profile switch).
#include <windows.h>

#include <string>

namespace {

constexpr UINT kHandshakeMessage = WM_USER + 301;
// Makes the program hang for wParam milliseconds, as a configurator busy or stuck would.
constexpr UINT kHangMessage = WM_USER + 500;
WNDPROC markerDefault = nullptr;

LRESULT CALLBACK markerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kHandshakeMessage) return 0x2A3B4C5D;
    // WM_CLOSE to the marker closes the configurator, not the marker alone.
    if (message == WM_CLOSE) return SendMessageW(GetParent(window), WM_CLOSE, 0, 0);
    return CallWindowProcW(markerDefault, window, message, wParam, lParam);
}

LRESULT CALLBACK mainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kHandshakeMessage) return 0x2A3B4C5D;
    if (message == kHangMessage) {
        Sleep(static_cast<DWORD>(wParam));
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::wstring ownFileName() {
    // Names of up to 260 characters in a folder: longer than MAX_PATH.
    std::wstring full(32768, L'\0');
    full.resize(GetModuleFileNameW(nullptr, full.data(), static_cast<DWORD>(full.size())));
    return full.substr(full.find_last_of(L'\\') + 1);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const std::wstring name = ownFileName();
    const bool configurator = CompareStringOrdinal(name.c_str(), -1, L"TesselCfg.exe", -1, TRUE) == CSTR_EQUAL;
    if (configurator) {
        CreateMutexW(nullptr, FALSE, L"TesselConfigurator");
        if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;
    }
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = mainProcedure;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"TrayTestWindow";
    RegisterClassW(&windowClass);
    HWND main = CreateWindowExW(0, windowClass.lpszClassName, configurator ? L"Tessel Configurator" : name.c_str(),
                                WS_OVERLAPPEDWINDOW, 100, 100, 320, 200, nullptr, nullptr, instance, nullptr);
    if (configurator) {
        HWND marker = CreateWindowExW(0, L"BUTTON", L"memu_Marlo_2", WS_CHILD, 0, 0, 10, 10, main, nullptr, instance,
                                      nullptr);
        markerDefault = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(marker, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(markerProcedure)));
    }
    ShowWindow(main, SW_SHOWNORMAL);
    SetForegroundWindow(main);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
