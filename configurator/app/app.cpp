#include "configurator/app/app.h"

#include <commctrl.h>
#include <objbase.h>

#include "configurator/app/main_dialog.h"
#include "configurator/app/resource.h"
#include "configurator/app/texts.h"
#include "embedded_font.h"
#include "formats/translation_table.h"
#include "gdiplus_bitmap.h"
#include "middleware/store/win32_registry.h"
#include "skin_paint.h"
#include "wingui/window.h"

namespace tessel::cfgapp {

namespace {

constexpr wchar_t kMutexName[] = L"TesselConfigurator";
constexpr wchar_t kEmbeddedFace[] = L"Play";

struct KernelHandle {
    HANDLE handle;
    ~KernelHandle() { if (handle) CloseHandle(handle); }
};

struct Apartment {
    HRESULT status = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~Apartment() { if (SUCCEEDED(status)) CoUninitialize(); }
};

BOOL CALLBACK findMarker(HWND window, LPARAM found) {
    wchar_t text[32] = L"";
    if (GetWindowTextW(window, text, 32) > 0 && std::wstring_view(text) == kMarkerText) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK findMarkerBelow(HWND topLevel, LPARAM found) {
    EnumChildWindows(topLevel, findMarker, found);  // every descendant, not only children
    return *reinterpret_cast<HWND*>(found) == nullptr;
}

}  // namespace

HWND CCoricCfgApp::FindRunning() {
    HWND marker = nullptr;
    EnumWindows(findMarkerBelow, reinterpret_cast<LPARAM>(&marker));
    return marker ? GetParent(marker) : nullptr;
}

void CCoricCfgApp::ReadSettings() {
    store::Win32Registry registry;
    settings_ = formats::readInstallSettings(registry, formats::LanguageValues::withFonts);
    tray_.SetInstallDir(toWide(settings_.installDir));
}

void CCoricCfgApp::TakeFonts() const {
    std::wstring face = kEmbeddedFace;
    if (settings_.translation < settings_.languages.size() &&
        !settings_.languages[settings_.translation].defaultFont.empty())
        face = toWide(settings_.languages[settings_.translation].defaultFont);
    SetDefaultFaceName(face);
}

bool CCoricCfgApp::ChangeLanguage(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= settings_.languages.size() ||
        static_cast<std::uint32_t>(index) == settings_.translation)
        return false;
    settings_.translation = static_cast<std::uint32_t>(index);
    restart_ = true;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, toWide(formats::kSettingsKey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) == ERROR_SUCCESS) {
        const DWORD value = settings_.translation;
        RegSetValueExW(key, L"Translation", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
    }
    TakeFonts();
    tray_.NotifyLater(kTrayLanguageChanged, 1000);
    return true;
}

int CCoricCfgApp::Run() {
    // The handle stays open for the life of the process: it is what a second start sees.
    KernelHandle mutex{CreateMutexW(nullptr, FALSE, kMutexName)};
    if (!mutex.handle || GetLastError() == ERROR_ALREADY_EXISTS) {
        if (HWND running = FindRunning()) {
            if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
            SetForegroundWindow(running);
        }
        return 0;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    InitCommonControlsEx(&controls);
    Apartment apartment;
    GdiPlusSession gdiplus;
    EmbeddedFont font;
    font.Register(instance_, {IDR_FONT_REGULAR, IDR_FONT_BOLD});
    wingui::Window::RegisterSkinClass(instance_);

    for (;;) {
        ReadSettings();
        formats::TranslationTable table(files_, settings_.translationPath(), settings_.translationMode != 0);
        setTranslations(&table);
        if (restart_) {
            restart_ = false;
        } else {
            tray_.Start();
            TakeFonts();
        }
        INT_PTR result;
        {
            CCoricCfgDlg dialog(*this);
            result = dialog.DoModal(instance_, IDD_TESSELCFG_DIALOG, nullptr);
        }
        setTranslations(nullptr);
        if ((result == IDOK || result == IDCANCEL) && restart_) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            continue;
        }
        return 0;
    }
}

}  // namespace tessel::cfgapp

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    tessel::cfgapp::CCoricCfgApp app(instance);
    return app.Run();
}
