// Seeds for the fuzzers of the device layer and of the simulator, made from real traffic: the
// device layer's own commands run against the simulated mouse, and what went over the wire is
// written out in each fuzzer's input form. Seeds made this way follow the protocol and the state
// file as they change; hand-written ones would drift.
// usage: make_fuzz_seeds FOLDER   (writes FOLDER/<fuzzer>/<seed>)
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "middleware/device/driver_handler.h"
#include "middleware/device/macro_codec.h"
#include "middleware/device/macro_memory.h"
#include "middleware/device/memory_ports.h"
#include "middleware/device/onboard_profiles.h"
#include "middleware/device/settings_commands.h"
#include "sim/simulated_hid.h"
#include "sim/state_text.h"

namespace {

using namespace tessel;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class SeedFolder {
public:
    SeedFolder(const fs::path& root, const std::string& fuzzer) : folder_(root / fuzzer) {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void write(const std::string& name, const Bytes& bytes) {
        std::ofstream file(folder_ / name, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!file) throw std::runtime_error("cannot write " + (folder_ / name).string());
    }
    void write(const std::string& name, const std::string& text) { write(name, Bytes(text.begin(), text.end())); }

private:
    fs::path folder_;
};

records::_TMacroElement key(std::uint32_t scanCode, bool up, std::int32_t delayMs) {
    records::_TMacroElement element{};
    element.action.actionType = records::BUTTON_ACTION_KEYCODE;
    element.action.info.keycodeInfo.ulScanCode = scanCode;
    element.action.info.keycodeInfo.options = up ? records::KEYCODE_OPTIONS_BREAK : records::KEYCODE_CLICK_OPTIONS_NONE;
    element.lDelayMs = delayMs;
    return element;
}

records::_TMacroElement click(records::_TMouseClickType which, std::int32_t delayMs) {
    records::_TMacroElement element{};
    element.action.actionType = records::BUTTON_ACTION_CLICK;
    element.action.info.clickInfo.mouseClick = which;
    element.lDelayMs = delayMs;
    return element;
}

// Macros of the kinds a user records: keys with short and long pauses, clicks, an empty one.
const std::vector<std::vector<records::_TMacroElement>> kMacros = {
    {},
    {key(0x1E, false, 0), key(0x1E, true, 20)},
    {click(records::MOUSE_CLICK_LCLICK, 0), click(records::MOUSE_CLICK_RCLICK, 300),
     click(records::MOUSE_CLICK_BUTTON5CLK, 70000)},
    {key(0x2A, false, 0), key(0x10, false, 5), key(0x10, true, 5), key(0x2A, true, 16777215)},
};

struct Traffic {
    std::string name;
    std::function<HResult(device::DriverHandler&)> run;
};

// The device layer's commands, each one seed of the exchanges it makes.
std::vector<Traffic> commands() {
    using namespace device;
    return {
        {"identity", [](DriverHandler& h) { std::u16string text; return GetFirmwareVersion(&h, text); }},
        {"serial", [](DriverHandler& h) { std::u16string text; return GetSerialNumber(&h, text); }},
        {"polling", [](DriverHandler& h) { return SetRate(&h, 500); }},
        {"stages", [](DriverHandler& h) { records::_stDpiStageType stages{}; return GetDpiStages(&h, 1, stages); }},
        {"profiles", [](DriverHandler& h) { std::vector<std::uint8_t> numbers; return GetProfilesInUse(&h, numbers); }},
        {"profile-name", [](DriverHandler& h) { return SetProfileName(&h, 2, u"Seed"); }},
        {"memory", [](DriverHandler& h) { std::int32_t units = 0; return GetRemainingSpace(&h, units); }},
        {"macro", [](DriverHandler& h) {
             std::uint8_t index = 0;
             if (HResult status = CreateMacro(&h, index); hr::failed(status)) return status;
             if (HResult status = SetMacroElements(&h, index, 10, kMacros[3]); hr::failed(status)) return status;
             DecodedMacro macro;
             return GetMacroElements(&h, index, macro);
         }},
        {"directory", [](DriverHandler& h) { MacroDirectory directory; return ReadMacroDirectory(&h, directory); }},
    };
}

// One firmware-fuzzer access: the control byte (bit 7 set, bits 3-5 the time that passes,
// interface and opener 0: the wired mouse, first opener), the length, the report.
void appendAccess(Bytes& seed, const sim::LoggedReport& access) {
    seed.push_back(static_cast<std::uint8_t>((access.set ? 0x80 : 0x00) | (1 << 3)));
    seed.push_back(static_cast<std::uint8_t>(access.bytes.size()));
    seed.insert(seed.end(), access.bytes.begin(), access.bytes.end());
}

void make(const fs::path& root) {
    device::VirtualClock clock;
    sim::SimulatedHid hid(sim::StateStore::inMemory(sim::MouseState::factory()), clock);
    device::MemoryMutexPort mutexes;
    device::DevicePorts ports{hid, mutexes, clock};
    device::DriverHandler handler(ports, device::kProductWired);
    if (hr::failed(handler.Open())) throw std::runtime_error("the simulated mouse was not found");

    SeedFolder firmware(root, "fuzz_sim_firmware");
    SeedFolder answers(root, "fuzz_device_answers");
    std::set<Bytes> answered;
    for (const Traffic& traffic : commands()) {
        hid.clearReportLog();
        if (hr::failed(traffic.run(handler))) throw std::runtime_error("the command for seed " + traffic.name + " failed");
        Bytes seed;
        for (const sim::LoggedReport& access : hid.reportLog()) {
            if (access.where != sim::Interface::wired) continue;
            appendAccess(seed, access);
            if (!access.set && access.ok) answered.insert(access.bytes);
        }
        firmware.write(traffic.name, seed);
    }
    int count = 0;
    for (const Bytes& answer : answered) answers.write("answer-" + std::to_string(++count), answer);

    SeedFolder images(root, "fuzz_macro_codec");
    for (std::size_t i = 0; i < kMacros.size(); ++i) {
        Bytes image;
        if (hr::failed(device::EncodeMacroImage(10 + static_cast<std::uint32_t>(i), kMacros[i], image)))
            throw std::runtime_error("macro " + std::to_string(i) + " does not encode");
        images.write("macro-" + std::to_string(i), image);
    }

    // State files: factory-fresh, after the commands above (a name, a macro, a rate), and with
    // both links and faults set.
    SeedFolder states(root, "fuzz_sim_state_text");
    states.write("factory", sim::formatState(sim::MouseState::factory()));
    states.write("used", sim::formatState(hid.store().read()));
    sim::MouseState faulty = hid.store().read();
    sim::connect(faulty, {sim::Interface::wired, sim::Interface::wireless});
    faulty.faults.slowAnswerMs = 40;
    faulty.faults.statusSequence = {0x05, 0x02};
    states.write("faults", sim::formatState(faulty));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    try {
        make(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_fuzz_seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
