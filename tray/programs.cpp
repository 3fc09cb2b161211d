#include "tray/programs.h"

#include <shellapi.h>

#include <vector>

namespace tessel::tray {
namespace {

struct TitleSearch {
    std::wstring_view title;
    HWND found = nullptr;
};

bool hasTitle(HWND window, std::wstring_view title) {
    std::vector<wchar_t> text(title.size() + 2);
    const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return length >= 0 && std::wstring_view(text.data(), static_cast<size_t>(length)) == title;
}

BOOL CALLBACK visitChild(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<TitleSearch*>(context);
    if (hasTitle(window, search->title)) search->found = window;
    return TRUE;
}

BOOL CALLBACK visitTopLevel(HWND window, LPARAM context) {
    visitChild(window, context);
    // EnumChildWindows walks every descendant, not only the direct children.
    EnumChildWindows(window, visitChild, context);
    return TRUE;
}

std::wstring withSeparator(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}

}  // namespace

HWND findWindowByTitle(std::wstring_view title) {
    TitleSearch search{title};
    EnumWindows(visitTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

LRESULT sendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, 2000, &answer))
        return 0;
    return static_cast<LRESULT>(answer);
}

std::wstring programFolder(const std::wstring& installDir) {
    if (!installDir.empty()) return withSeparator(installDir);
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

bool startProgram(const std::wstring& folder, std::wstring_view program, std::wstring_view arguments) {
    if (folder.empty()) return false;  // never relative to the current directory
    const std::wstring path = folder + std::wstring(program);
    const std::wstring parameters(arguments);
    SHELLEXECUTEINFOW start{};
    start.cbSize = sizeof(start);
    start.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    start.lpVerb = L"open";
    start.lpFile = path.c_str();
    start.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    start.lpDirectory = folder.c_str();
    start.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&start) != FALSE;
}

std::wstring programNameOfWindow(HWND window) {
    DWORD processId = 0;
    if (!window || !GetWindowThreadProcessId(window, &processId)) return {};
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) return {};
    // A name of up to 260 characters in a folder makes a path longer than MAX_PATH.
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    const BOOL named = QueryFullProcessImageNameW(process, 0, path.data(), &size);
    CloseHandle(process);
    if (!named) return {};
    std::wstring_view full(path.data(), size);
    const size_t slash = full.find_last_of(L"\\/");
    return std::wstring(slash == std::wstring_view::npos ? full : full.substr(slash + 1));
}

}  // namespace tessel::tray
