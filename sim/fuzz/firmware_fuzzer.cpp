// Whatever a host sends, the mouse answers without crashing and its state stays one that the
// state file can hold. Each access: one byte chooses the interface, the opener, the time that
// passes, get or set and whether the report is made well-formed; one byte the length; then
// the report.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sim/firmware.h"
#include "sim/state_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessel::sim;
    MouseState state = MouseState::factory();
    connect(state, {Interface::wired, Interface::wireless, Interface::download});
    std::uint64_t now = 0;
    while (size >= 2) {
        const std::uint8_t how = data[0];
        std::size_t length = std::min<std::size_t>(data[1], size - 2);
        data += 2;
        size -= 2;
        std::vector<std::uint8_t> buffer(data, data + length);
        data += length;
        size -= length;
        // Most of the time a well-formed 91-byte report, so the commands behind the checks run.
        if (how & 0x40) {
            buffer.resize(tessel::device::DovaReport::size);
            buffer[0] = 0;
            buffer[1] = 1;
            buffer[2] = 0;
            buffer[90] = 1;
            std::uint8_t sum = 0;
            for (std::size_t i = 3; i < 89; ++i) sum ^= buffer[i];
            buffer[89] = sum;
        }

        constexpr Interface kWhere[] = {Interface::wired, Interface::wireless, Interface::download, Interface::foreign};
        const Interface where = kWhere[how & 3];
        const OpenerId opener = 1 + ((how >> 2) & 1);
        std::uint32_t error = 0;
        Firmware firmware(state, now += (how >> 3) & 7);
        if (how & 0x80)
            firmware.set(where, opener, buffer, error);
        else
            firmware.get(where, opener, buffer, error);
    }
    if (!(parseState(formatState(state)) == state)) std::abort();
    return 0;
}
