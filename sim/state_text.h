#pragma once
// The readable text form of the simulated mouse's state: INI-like sections of "key = value"
// lines, "#" comment lines, closed by an [end] line so that a write cut off half-way shows.
// The state file holds it and tesselsim prints it. Keys that a hand edit leaves out keep their
// factory value.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "sim/mouse_state.h"

namespace tessel::sim {

// A state text that cannot be read; names the line.
class StateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string formatState(const MouseState& state);
MouseState parseState(std::string_view text);

// UTF-8 and UTF-16 for names; invalid sequences become U+FFFD.
std::string toUtf8(std::u16string_view text);
std::u16string toUtf16(std::string_view text);

}  // namespace tessel::sim
