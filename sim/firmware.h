#pragma once
// The mouse's side of HID feature-report access: the 91-byte transactions (readiness poll,
// request, answer poll, end report) with every command, the short reports of the wireless
// receiver, and the faults injected into answers. Works on a MouseState handed in for one
// access; the link (plugging, paths, handles) is simulated_hid's business.
#include <cstdint>
#include <span>

#include "middleware/device/dova_report.h"
#include "sim/mouse_state.h"

namespace tessel::sim {

// Status byte of an answer.
namespace status {
inline constexpr std::uint8_t busy = 0x01;
inline constexpr std::uint8_t done = 0x02;
inline constexpr std::uint8_t checksumError = 0x03;  // worth sending again
inline constexpr std::uint8_t invalid = 0x09;        // wrong length, selector or header
inline constexpr std::uint8_t unknownCommand = 0x0A;
inline constexpr std::uint8_t refused = 0x0B;        // not possible now: no room, no such macro ...
}  // namespace status

// System errors of a feature access the interface does not take.
namespace hiderror {
inline constexpr std::uint32_t invalidFunction = 1;     // no such report on this interface
inline constexpr std::uint32_t invalidParameter = 87;   // wrong length for the report
}  // namespace hiderror

// Short feature reports of the wireless receiver (byte 0 is the report id).
namespace shortreport {
inline constexpr std::uint8_t firmware = 0x04;  // 3 bytes
inline constexpr std::uint8_t serial = 0x05;    // 20 bytes
inline constexpr std::uint8_t battery = 0x06;   // 2 bytes
inline constexpr std::uint8_t distance = 0x51;  // 2 bytes
}  // namespace shortreport

// Command codes of the 91-byte protocol.
namespace command {
inline constexpr std::uint8_t identity = 0x02;
inline constexpr std::uint8_t performance = 0x05;
inline constexpr std::uint8_t profileBlock = 0x06;
inline constexpr std::uint8_t deleteProfile = 0x07;
inline constexpr std::uint8_t macroDirectory = 0x08;  // read: a page; write: allocate
inline constexpr std::uint8_t deleteMacro = 0x0C;
inline constexpr std::uint8_t macroChunk = 0x0D;
inline constexpr std::uint8_t macroName = 0x0E;
inline constexpr std::uint8_t profileName = 0x22;
inline constexpr std::uint8_t memory = 0x23;
inline constexpr std::uint8_t downloadMode = 0x24;
}  // namespace command

inline constexpr std::size_t kDirectoryPageEntries = 20;
inline constexpr std::size_t kMacroChunkBytes = 80;

// Runs one request to its answer, as the mouse does once the request is taken: checks the
// checksum, the header and the lengths, applies or reads, and returns the answer with its
// status (done or a failure). Counts checksum errors and refusals.
device::DovaReport execute(MouseState& state, Interface where, const device::DovaReport& request);

// One feature access of the host on an interface of the mouse, by the opener `opener`, at
// `nowMs` of the host's clock. False with `error` set when the interface does not take it.
class Firmware {
public:
    Firmware(MouseState& state, std::uint64_t nowMs) : state_(state), nowMs_(nowMs) {}

    bool get(Interface where, OpenerId opener, std::span<std::uint8_t> buffer, std::uint32_t& error);
    bool set(Interface where, OpenerId opener, std::span<const std::uint8_t> buffer, std::uint32_t& error);

private:
    void noteOpener(OpenerId opener);
    void readiness(device::DovaReport& answer);
    void answerPoll(Interface where, device::DovaReport& answer);
    void finishAnswer(device::DovaReport& answer);
    bool getShort(std::span<std::uint8_t> buffer, std::uint32_t& error);
    bool setShort(std::span<const std::uint8_t> buffer, std::uint32_t& error);

    MouseState& state_;
    std::uint64_t nowMs_;
};

}  // namespace tessel::sim
