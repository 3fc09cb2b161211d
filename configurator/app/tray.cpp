#include "configurator/app/tray.h"

#include <shellapi.h>

namespace tessel::cfgapp {

namespace {
constexpr wchar_t kTrayClass[] = L"Kavix_Tessel_Tray";
constexpr wchar_t kTrayTitle[] = L"Kavix Tessel Tray";
constexpr wchar_t kTrayProgram[] = L"KavixTesselTray.exe";
constexpr UINT kMessageTimeoutMs = 3000;

std::wstring ownFolder() {
    wchar_t path[MAX_PATH] = L"";
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

struct LaterMessage {
    UINT message;
    DWORD delayMs;
};
}  // namespace

bool WaitPumping(const std::function<bool()>& done, int tries, DWORD intervalMs) {
    for (int i = 0; i < tries; ++i) {
        if (done()) return true;
        const ULONGLONG until = GetTickCount64() + intervalMs;
        for (ULONGLONG now = GetTickCount64(); now < until; now = GetTickCount64()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(until - now), QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }
    return done();
}

HWND CTrayControl::Find() { return FindWindowW(kTrayClass, kTrayTitle); }

std::wstring CTrayControl::SuiteFolder(const std::wstring& installDir) {
    return installDir.empty() ? ownFolder() : installDir;
}

std::wstring CTrayControl::ProgramPath() const { return SuiteFolder(installDir_) + kTrayProgram; }

bool CTrayControl::Start() {
    if (Find()) return true;
    const std::wstring program = ProgramPath();
    const std::wstring folder = program.substr(0, program.find_last_of(L"\\/") + 1);
    if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = program.c_str();
    info.lpDirectory = folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) return false;
    started_ = true;
    Sleep(1000);  // the tray makes its window
    return true;
}

bool CTrayControl::Notify(UINT message) const {
    HWND tray = Find();
    DWORD_PTR answer = 0;
    return tray && SendMessageTimeoutW(tray, message, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &answer);
}

void CTrayControl::NotifyLater(UINT message, DWORD delayMs) const {
    auto* later = new LaterMessage{message, delayMs};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* parameter) -> DWORD {
            const LaterMessage later = *static_cast<LaterMessage*>(parameter);
            delete static_cast<LaterMessage*>(parameter);
            Sleep(later.delayMs);
            if (HWND tray = Find()) {
                DWORD_PTR answer = 0;
                SendMessageTimeoutW(tray, later.message, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &answer);
            }
            return 0;
        },
        later, 0, nullptr);
    if (thread) CloseHandle(thread); else delete later;
}

void CTrayControl::Stop() const {
    if (!Notify(kTrayClose)) return;
    WaitPumping([] { return Find() == nullptr; }, 21, 500);
}

void CTrayControl::AwaitHandshake() const {
    WaitPumping(
        [] {
            HWND tray = Find();
            DWORD_PTR answer = 0;
            return tray && SendMessageTimeoutW(tray, kHandshakeMessage, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                                               &answer) &&
                   static_cast<LRESULT>(answer) == kHandshakeAnswer;
        },
        3000, 5);
}

void CTrayControl::ReloadProfiles() const {
    // Without a tray that ever ran there is nothing to wait for.
    if (!Find() && !started_) return;
    if (!WaitPumping([] { return Find() != nullptr; }, 1000, 5)) return;
    Notify(kTrayReloadProfiles);
    WaitPumping([] { return false; }, 1, 1000);
    AwaitHandshake();
}

void CTrayControl::StopForRateChange() const {
    if (!Find()) return;
    Stop();
    WaitPumping([] { return Find() == nullptr; }, 1000, 5);
}

void CTrayControl::StartAfterRateChange() {
    if (!Start()) return;
    if (WaitPumping([] { return Find() != nullptr; }, 1000, 5)) AwaitHandshake();
}

}  // namespace tessel::cfgapp
