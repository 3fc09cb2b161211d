#include "uidriver/program.h"

#include "uidriver/find.h"

namespace uidriver {

Program::Program(std::wstring commandLine, Output output) : commandLine_(std::move(commandLine)) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    // A program that outlives us must not keep our output open: whoever reads it (a script's
    // $(...), ctest) would wait for the program to end. Under Wine a child keeps the parent's Unix
    // output unless it is given other standard handles, and inheriting handles would pass on our
    // own standard handles too; so it gets a pipe whose reading end is closed, and inherits nothing.
    HANDLE sink = nullptr;
    if (output == Output::Discarded) {
        HANDLE readEnd = nullptr;
        if (CreatePipe(&readEnd, &sink, nullptr, 0)) CloseHandle(readEnd);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = startup.hStdOutput = startup.hStdError = sink;
    }
    PROCESS_INFORMATION info{};
    std::wstring mutableLine = commandLine_;  // CreateProcessW may write into it
    const BOOL started = CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE,
                                        output == Output::Discarded ? DETACHED_PROCESS : 0, nullptr, nullptr,
                                        &startup, &info);
    const DWORD error = GetLastError();
    if (sink) CloseHandle(sink);
    if (!started) throw Failure(L"cannot start " + commandLine_ + L" (error " + std::to_wstring(error) + L")");
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
}

Program::~Program() {
    if (process_) {
        terminate();
        CloseHandle(process_);
    }
}

void Program::detach() {
    CloseHandle(process_);
    process_ = nullptr;
}

bool Program::running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

HWND Program::waitForMainWindow(milliseconds timeout) const {
    HWND found = nullptr;
    const Match main{.processId = processId_, .visible = true};
    waitUntil(
        [&] {
            for (HWND window : findAll(main))
                if (!(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) && !GetWindow(window, GW_OWNER)) return (found = window);
            if (!running()) throw Failure(commandLine_ + L" ended before it showed a window");
            return static_cast<HWND>(nullptr);
        },
        timeout, [&] { return L"the main window of " + commandLine_; });
    return found;
}

DWORD Program::waitForExit(milliseconds timeout) const {
    if (!process_) throw Failure(commandLine_ + L" was left running on its own");
    waitUntil([&] { return !running(); }, timeout, [&] { return commandLine_ + L" to end"; });
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

void Program::terminate() {
    if (running()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
}

}  // namespace uidriver
