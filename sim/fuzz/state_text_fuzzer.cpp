// The state file is outside input: a hand edit or a half-written file must give an error,
// never a crash, and whatever is read back must write out and read again unchanged.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sim/state_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessel::sim;
    MouseState state;
    try {
        state = parseState(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const StateError&) {
        return 0;
    }
    const std::string text = formatState(state);
    if (!(parseState(text) == state)) std::abort();
    return 0;
}
