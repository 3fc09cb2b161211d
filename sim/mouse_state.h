#pragma once
// Everything the simulated mouse keeps: its own memory (identity, performance block, five
// profiles, macros), the link to the host (which interfaces are plugged, under which path
// generation), the transaction in progress, injected faults and counters. Plain data: the
// firmware (firmware.h) and the presses (presses.h) change it, state_text.h stores it.
#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tessel::sim {

inline constexpr int kProfileCount = 5;
inline constexpr int kStageCount = 5;
inline constexpr int kButtonCount = 9;
inline constexpr std::size_t kNameBytes = 40;       // UTF-16, 19 characters and a terminator
inline constexpr std::size_t kSerialBytes = 32;
inline constexpr std::size_t kMacroNameBytes = 40;  // bytes 0-39 of a macro image
inline constexpr std::size_t kMemoryUnitBytes = 480;
inline constexpr std::size_t kReceiverSerialChars = 19;

struct StageCodes {
    std::uint8_t x = 0;
    std::uint8_t y = 0;
    bool operator==(const StageCodes&) const = default;
};

struct ButtonEntry {
    std::uint8_t button = 0;
    std::uint8_t function = 0;
    std::uint8_t first = 0;
    std::uint8_t second = 0;
    bool operator==(const ButtonEntry&) const = default;
};

// Button functions of a profile's button entries that the mouse acts on itself.
namespace function {
inline constexpr std::uint8_t stageUp = 11;    // MOUSE_BUTTON_DPI_UP
inline constexpr std::uint8_t stageDown = 12;  // MOUSE_BUTTON_DPI_DOWN
inline constexpr std::uint8_t selectStage = 0x21;
inline constexpr std::uint8_t selectProfile = 0x22;
inline constexpr std::uint8_t keyboardKey = 0x31;
inline constexpr std::uint8_t runMacro = 0x41;
}  // namespace function

using NameRecord = std::array<std::uint8_t, kNameBytes>;

// One onboard profile: the name record and the 55 bytes of the profile block after its
// selector byte.
struct Profile {
    NameRecord name{};                     // all 0xFF: the number is free
    std::uint8_t lighting = 0;             // block byte 10
    std::uint8_t defaultStage = 0;         // 11
    std::uint8_t stageCount = 0;           // 12
    std::array<StageCodes, kStageCount> stages{};  // 13-22
    std::array<std::uint8_t, 6> reserved{};        // 23-28, carried unchanged
    std::array<ButtonEntry, kButtonCount> buttons{};  // 29-64

    bool free() const { return name[0] == 0xFF; }
    bool operator==(const Profile&) const = default;
};

// The HID interfaces the simulator lists. The foreign one belongs to another vendor's mouse
// that is always present.
enum class Interface { foreign, wired, wireless, download };
inline constexpr std::array<Interface, 3> kMouseInterfaces = {Interface::wired, Interface::wireless,
                                                              Interface::download};

struct Link {
    // The plugged mouse interfaces and the generation under which each was plugged in; the
    // generation is part of the path, so a re-plugged mouse has to be found again.
    std::map<Interface, std::uint32_t> plugged;
    std::uint32_t nextGeneration = 1;
    // After an automatic unplug: the interfaces that come back, and when (Clock ms).
    std::vector<Interface> replug;
    std::optional<std::uint64_t> replugAtMs;

    bool present(Interface which) const { return which == Interface::foreign || plugged.contains(which); }
    std::uint32_t generation(Interface which) const {
        const auto found = plugged.find(which);
        return found == plugged.end() ? 0 : found->second;
    }
    bool operator==(const Link&) const = default;
};

enum class Phase {
    idle,           // after an end report: a get is a readiness poll
    awaitingAnswer, // a request arrived: a get is an answer poll
    answered,       // the answer was given: a get repeats it until the end report
};

// Opener: one open handle of one process; 0 = none.
using OpenerId = std::uint64_t;

struct Transaction {
    Phase phase = Phase::idle;
    OpenerId owner = 0;
    OpenerId intruder = 0;  // the last opener counted as interleaving into `owner`'s transaction
    std::vector<std::uint8_t> pending;  // the request awaiting its answer (91 bytes)
    std::vector<std::uint8_t> answer;   // the answer given (91 bytes)
    std::uint64_t answerReadyAtMs = 0;
    bool operator==(const Transaction&) const = default;
};

// Faults injected for the next reports; each counts down as it is used.
struct Faults {
    std::uint32_t busyReadyPolls = 0;     // readiness polls answered busy
    std::uint8_t busyReadyControl = 1;    // the control value they carry
    std::uint32_t busyAnswerPolls = 0;    // answer polls answered status 0x01
    std::deque<std::uint8_t> statusSequence;  // status codes for the next answers instead of done
    std::uint32_t garbageAnswers = 0;     // answers replaced by noise
    std::uint32_t slowAnswerMs = 0;       // every answer stays busy this long after its request
    std::optional<std::uint32_t> dropAfterReports;  // unplug everything after this many more reports
    std::optional<std::uint32_t> replugAfterMs;     // ... and plug back in this long after
    std::uint32_t noiseSeed = 0x2545F491;
    bool operator==(const Faults&) const = default;
};

struct Counters {
    std::uint64_t requests = 0;
    std::uint64_t endReports = 0;
    std::uint64_t interleaved = 0;  // transactions started while another opener's was open
    std::uint64_t checksumErrors = 0;
    std::uint64_t refused = 0;      // requests answered with a failure status by the firmware
    bool operator==(const Counters&) const = default;
};

struct MouseState {
    Link link;

    // Identity.
    std::array<std::uint8_t, kSerialBytes> serial{};
    std::uint8_t firmwareMajor = 0;
    std::uint8_t firmwareMinor = 0;
    std::string receiverSerial;       // report 0x05, ASCII
    std::uint8_t battery = 1;         // report 0x06, state 1-4
    std::uint8_t wirelessDistance = 0;  // report 0x51
    bool downloadMode = false;

    // Performance block.
    std::uint8_t activeProfile = 1;
    std::uint8_t pollingCode = 1;
    std::uint8_t currentStage = 1;
    StageCodes current;

    std::array<Profile, kProfileCount> profiles{};
    // The fixed mapping block (command 0x06 with 65 data bytes), kept as received.
    std::vector<std::uint8_t> fixedMappingBlock;

    std::uint8_t memoryUnits = 64;
    std::map<std::uint8_t, std::vector<std::uint8_t>> macros;  // index -> image

    Transaction transaction;
    Faults faults;
    Counters counters;

    Profile& profile(int number) { return profiles[static_cast<std::size_t>(number - 1)]; }
    const Profile& profile(int number) const { return profiles[static_cast<std::size_t>(number - 1)]; }
    std::uint32_t usedUnits() const;
    bool operator==(const MouseState&) const = default;

    // A mouse as it leaves the factory, plugged in by cable.
    static MouseState factory();
};

// Units of 480 bytes that an image of `size` bytes occupies.
std::uint32_t unitsFor(std::size_t size);

// The default profile the host writes for a new profile: lighting 7, stage 3 of five stages
// (500, 1000, 1500, 2000, 4000 DPI) and the standard button functions.
Profile defaultProfile();
NameRecord freeName();
NameRecord nameRecord(const std::u16string& text);  // truncated to 19 characters
// The text of a name record up to its terminator; nullopt for a free one.
std::optional<std::u16string> nameText(const NameRecord& record);

// Plugs exactly the interfaces in `which` (those newly plugged get a new path generation) and
// unplugs the others; the transaction in progress dies with the last interface.
void connect(MouseState& state, const std::vector<Interface>& which);
// Every plugged interface is pulled and plugged back: same interfaces, new paths.
void replugAll(MouseState& state);
void unplugAll(MouseState& state);
std::vector<Interface> pluggedInterfaces(const MouseState& state);

}  // namespace tessel::sim
