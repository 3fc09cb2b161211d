#include "lhc/restart.h"

#include <vector>

namespace lhc {
namespace {

bool isPlainFileName(std::wstring_view name) {
    return !name.empty() && name != L"." && name != L".." &&
           name.find_first_of(L"\\/:\"") == std::wstring_view::npos;
}

std::wstring ownFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            std::wstring full(path.data(), n);
            return full.substr(0, full.find_last_of(L'\\'));
        }
        path.resize(path.size() * 2);
    }
}

} // namespace

std::optional<RestartRequest> parseRestartRequest(std::wstring_view commandLine) {
    const auto skipSpaces = [&] {
        while (!commandLine.empty() && (commandLine.front() == L' ' || commandLine.front() == L'\t')) {
            commandLine.remove_prefix(1);
        }
    };
    skipSpaces();
    if (commandLine.empty()) {
        return RestartRequest{L"KavixTesselTray.exe", L"/r"};
    }
    std::wstring_view program;
    if (commandLine.front() == L'"') {
        const std::size_t close = commandLine.find(L'"', 1);
        if (close == std::wstring_view::npos) {
            return std::nullopt;
        }
        program = commandLine.substr(1, close - 1);
        commandLine.remove_prefix(close + 1);
    } else {
        const std::size_t end = commandLine.find_first_of(L" \t");
        program = commandLine.substr(0, end);
        commandLine.remove_prefix(program.size());
    }
    if (!isPlainFileName(program)) {
        return std::nullopt;
    }
    skipSpaces();
    return RestartRequest{std::wstring(program), std::wstring(commandLine)};
}

bool waitForTrayToEnd(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const HWND tray = FindWindowW(kTrayWindowClass, nullptr);
        if (tray == nullptr) {
            return true;
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) {
            return false;
        }
        DWORD processId = 0;
        GetWindowThreadProcessId(tray, &processId);
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
        if (process != nullptr) {
            WaitForSingleObject(process, timeoutMs - elapsed);
            CloseHandle(process);
        } else {
            // Not ours to wait on: watch its window instead.
            Sleep(50);
        }
    }
}

bool startFromOwnFolder(const RestartRequest& request) {
    const std::wstring folder = ownFolder();
    if (folder.empty()) {
        return false;
    }
    const std::wstring path = folder + L'\\' + request.program;
    std::wstring commandLine = L'"' + path + L'"';
    if (!request.arguments.empty()) {
        commandLine += L' ' + request.arguments;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace lhc
