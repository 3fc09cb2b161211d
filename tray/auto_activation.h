// The profile switch by the program in the foreground: which profile its executable calls for,
// taken once while that program stays in front (the tray looks every cycle).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tray/device_context.h"

namespace tessel::tray {

// Executable names compare whole and without regard to case, as Windows names files.
bool sameProgramName(std::wstring_view a, std::wstring_view b);

class AutoActivation {
public:
    // The index of the profile to activate for `program` (a file name) in front: the first
    // profile bound to it, unless that program was the last one taken or its profile does not
    // load by itself. A bound program is taken either way, so it is not looked at again.
    std::optional<size_t> forForeground(std::wstring_view program, const TrayProfileList& profiles);

    // A profile was activated by any means: its own program is the last one taken.
    void activated(const TrayProfileEntry& entry);

private:
    // The whole name: a name cut short would never compare equal and switch again every cycle.
    std::wstring last_;
};

}  // namespace tessel::tray
