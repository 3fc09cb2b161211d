// Failures of the driver and waiting with a time-out.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace uidriver {

using std::chrono::milliseconds;

// Long enough for a program under Wine to start and paint, short enough that a broken test
// fails in seconds rather than at the ctest time-out.
inline constexpr milliseconds kDefaultTimeout{10000};

// Every failure of the driver (a time-out, a missing window, a refused call) is thrown as this,
// with a message that names what was looked for; GoogleTest prints it as the test's failure.
class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& message) : std::runtime_error(message) {}
    explicit Failure(std::wstring_view message);
};

std::string toUtf8(std::wstring_view text);

// Polls `done` until it returns true; throws Failure("timed out after N ms waiting for <what>")
// otherwise. `what` is evaluated only on failure, so it can describe the last state seen.
void waitUntil(const std::function<bool()>& done, milliseconds timeout,
               const std::function<std::wstring()>& what);

}  // namespace uidriver
