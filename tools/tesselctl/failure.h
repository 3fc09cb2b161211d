#pragma once
// Failures of the middleware as the user reads them: every status code gets a name and a
// sentence, and the exit code tells scripts what kind of failure it was.
#include <windows.h>

#include <initializer_list>
#include <stdexcept>
#include <string>

namespace tessel::ctl {

// Exit codes of tesselctl.
namespace exit_code {
inline constexpr int ok = 0;
inline constexpr int failed = 1;          // the middleware or the mouse refused an operation
inline constexpr int usage = 2;           // the command line is wrong
inline constexpr int noMouse = 3;         // no mouse is attached (or it is not answering)
inline constexpr int notInstalled = 4;    // the middleware cannot be created
}  // namespace exit_code

// Status codes of the middleware that the component runtime does not name.
inline constexpr HRESULT kNoMouseFound = static_cast<HRESULT>(0x80070103);  // the device list ran out

// "E_FAIL (0x80004005)".
std::string statusName(HRESULT status);
// What the code means to a user of this tool, e.g. "no mouse found".
std::string statusText(HRESULT status);
int exitCodeFor(HRESULT status);

// A text that says more than statusText for one code in one place.
struct Hint {
    HRESULT status;
    std::string text;
};

// An operation of the middleware that failed: "reading the firmware version", its status,
// and the text to show for it.
class Failure : public std::runtime_error {
public:
    Failure(const std::string& operation, HRESULT status, std::string text);
    const std::string& operation() const { return operation_; }
    HRESULT status() const { return status_; }
    const std::string& text() const { return text_; }

private:
    std::string operation_;
    HRESULT status_;
    std::string text_;
};

// Throws a Failure for a failed status; `hints` replace the general text for their codes.
void check(HRESULT status, const std::string& operation, std::initializer_list<Hint> hints = {});

}  // namespace tessel::ctl
