// The two exports of OSD.dll.
#include "osd/notice_window.h"

namespace {

HINSTANCE g_library = nullptr;
bool g_initialized = false;

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_library = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr && g_initialized) {
        // Unloaded by FreeLibrary: the class must not outlive its window procedure.
        UnregisterClassW(osd::kNoticeClass, g_library);
    }
    return TRUE;
}

extern "C" OSD_API BOOL OsdInitialize(int version) {
    if (version != OSD_VERSION) {
        return FALSE;
    }
    if (g_initialized) {
        return TRUE;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    // Global within the process, so the windows can belong to the caller's module.
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = osd::NoticeWindow::windowProc;
    windowClass.hInstance = g_library;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = osd::kNoticeClass;
    g_initialized = RegisterClassExW(&windowClass) != 0;
    return g_initialized;
}

extern "C" OSD_API OsdWindow* OsdCreate(HINSTANCE instance, const char* text) {
    if (!g_initialized) {
        return nullptr;
    }
    return osd::NoticeWindow::create(instance, text);
}
