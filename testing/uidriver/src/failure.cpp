#include "uidriver/failure.h"

namespace uidriver {

std::string toUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

Failure::Failure(std::wstring_view message) : std::runtime_error(toUtf8(message)) {}

void waitUntil(const std::function<bool()>& done, milliseconds timeout,
               const std::function<std::wstring()>& what) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (done()) return;
        if (GetTickCount64() - start >= ULONGLONG(timeout.count())) break;
        // A test may own windows itself (a control made in the test process): keep them alive.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    throw Failure(L"timed out after " + std::to_wstring(timeout.count()) + L" ms waiting for " + what());
}

}  // namespace uidriver
