// Starting a program of the suite and finding its main window.
#pragma once

#include "uidriver/failure.h"

#include <string>

namespace uidriver {

// A started program; one that is still running when this is destroyed is terminated, so a
// failing test leaves nothing behind on its display.
class Program {
public:
    // Shared: the program writes to this process's output (a test log shows it). Discarded: its
    // output goes nowhere, for a program that outlives this process and must not hold its pipes.
    enum class Output { Shared, Discarded };

    explicit Program(std::wstring commandLine, Output output = Output::Shared);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD processId() const { return processId_; }
    bool running() const;
    // The first shown top-level window of the program.
    HWND waitForMainWindow(milliseconds timeout = kDefaultTimeout) const;
    DWORD waitForExit(milliseconds timeout = kDefaultTimeout) const;  // the exit code
    void terminate();
    void detach();  // leave it running after this object is gone

private:
    std::wstring commandLine_;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

}  // namespace uidriver
