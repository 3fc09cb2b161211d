// tesselsim: the control tool of the simulated Tessel. Creates the state file, plugs and
// unplugs the mouse, injects faults, presses the mouse's own buttons and prints its state.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/key_injection.h"
#include "sim/platform.h"
#include "sim/presses.h"
#include "sim/simulated_hid.h"
#include "sim/state_store.h"
#include "sim/state_text.h"

namespace tessel::sim {
namespace {

constexpr const char* kUsage = R"(usage: tesselsim [--state FILE] COMMAND [ARGUMENTS]

The simulated Tessel mouse. FILE holds the mouse's state; without --state, the TESSEL_SIM
environment variable names it (the middleware talks to the same file when TESSEL_SIM is set).

Commands:
  create [--force]          write a factory-fresh mouse; --force replaces an existing one
  show                      print the whole state
  paths                     list the interface paths as the system lists them
  connect CONNECTION        plug exactly these interfaces: none, wired, wireless, both, download,
                            or a list such as wired,download; newly plugged ones get new paths
  replug                    pull every plugged interface and plug it back under a new path
  fault busy-ready N [CONTROL]
                            the next N readiness polls answer busy with CONTROL (default 1)
  fault busy-answer N       the next N answer polls answer status 0x01
  fault status CODE...      the next answers carry these status codes (hex), e.g. 05 05 05
  fault garbage N           the next N answers are noise
  fault slow MS             every answer stays busy for MS ms after its request (0: off)
  fault drop-after N [MS]   unplug after N more reports; back under new paths MS ms later
  fault clear               remove every injected fault
  press ACTION [--no-keys]  press one of the mouse's own buttons: stage-up, stage-down,
                            stage N, profile N, refresh, or button N (what the active
                            profile gives button N); the keys F20-F24 go to the system
                            unless --no-keys is given (on Windows only)
  set FIELD VALUE           battery 1-4, distance 0-255, firmware MAJOR.MINOR,
                            polling-code 0-255, memory-units 0-255, receiver-serial TEXT
  counters [--reset]        print the protocol counters, or set them to zero
  help, --help              this text
)";

// A mistake in the command line: the usage hint follows the message.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::uint64_t parseNumber(const std::string& text, std::uint64_t max, const char* what, int base = 10) {
    std::size_t used = 0;
    std::uint64_t value = 0;
    try {
        if (text.empty() || text[0] == '-' || text[0] == '+') throw std::invalid_argument(text);
        value = std::stoull(text, &used, base);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || used == 0 || value > max)
        throw UsageError(std::string(what) + " must be a number from 0 to " + std::to_string(max) + ", not \"" + text + "\"");
    return value;
}

std::vector<Interface> parseConnection(const std::string& text) {
    static const std::map<std::string, std::vector<Interface>> kNames = {
        {"none", {}},
        {"wired", {Interface::wired}},
        {"wireless", {Interface::wireless}},
        {"both", {Interface::wired, Interface::wireless}},
        {"download", {Interface::download}},
    };
    std::vector<Interface> out;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const auto found = kNames.find(text.substr(at, comma - at));
        if (found == kNames.end())
            throw UsageError("unknown connection \"" + text.substr(at, comma - at) +
                             "\" (none, wired, wireless, both, download)");
        out.insert(out.end(), found->second.begin(), found->second.end());
        at = comma + 1;
    }
    return out;
}

class Tool {
public:
    Tool(std::string statePath, std::vector<std::string> args) : path_(std::move(statePath)), args_(std::move(args)) {}

    int run() {
        const std::string command = take("a command");
        static const std::map<std::string, void (Tool::*)()> kCommands = {
            {"create", &Tool::create},   {"show", &Tool::show},       {"paths", &Tool::paths},
            {"connect", &Tool::connect}, {"replug", &Tool::replug},   {"fault", &Tool::fault},
            {"press", &Tool::press},     {"set", &Tool::set},         {"counters", &Tool::counters},
        };
        const auto found = kCommands.find(command);
        if (found == kCommands.end()) throw UsageError("unknown command \"" + command + "\"");
        (this->*found->second)();
        return exitCode_;
    }

private:
    std::string take(const char* what) {
        if (args_.empty()) throw UsageError(std::string("missing ") + what);
        std::string next = std::move(args_.front());
        args_.erase(args_.begin());
        return next;
    }
    bool takeFlag(const char* flag) {
        const auto found = std::find(args_.begin(), args_.end(), flag);
        if (found == args_.end()) return false;
        args_.erase(found);
        return true;
    }
    std::optional<std::string> takeOptional() {
        if (args_.empty()) return std::nullopt;
        return take("");
    }
    void noMore() {
        if (!args_.empty()) throw UsageError("unexpected \"" + args_.front() + "\"");
    }

    // Every command but create works on an existing mouse.
    StateStore& store() {
        if (!store_) {
            std::error_code error;
            if (!std::filesystem::exists(std::filesystem::path(reinterpret_cast<const char8_t*>(path_.c_str())), error))
                throw StateError("no state file at " + path_ + " (tesselsim create makes one)");
            store_ = StateStore::inFile(path_);
        }
        return *store_;
    }
    void update(const std::function<void(MouseState&)>& change) { store().update(change); }

    void create() {
        const bool force = takeFlag("--force");
        noMore();
        std::error_code error;
        if (!force && std::filesystem::exists(std::filesystem::path(reinterpret_cast<const char8_t*>(path_.c_str())), error))
            throw StateError(path_ + " exists already (--force replaces it)");
        writeStateFile(path_);
        std::printf("created a factory-fresh mouse in %s\n", path_.c_str());
    }

    void show() {
        noMore();
        std::fputs(formatState(store().read()).c_str(), stdout);
    }

    void paths() {
        noMore();
        const MouseState state = store().read();
        std::printf("%s  (another vendor's mouse)\n", toUtf8(interfacePath(Interface::foreign, 0)).c_str());
        constexpr const char* kRoles[] = {"", "cable, product 0x13", "wireless receiver, product 0x14",
                                          "download mode, product 0x0F"};
        for (Interface which : kMouseInterfaces)
            if (state.link.present(which))
                std::printf("%s  (%s)\n", toUtf8(interfacePath(which, state.link.generation(which))).c_str(),
                            kRoles[static_cast<int>(which)]);
    }

    void connect() {
        const std::vector<Interface> which = parseConnection(take("a connection"));
        noMore();
        update([&](MouseState& state) { sim::connect(state, which); });
        std::printf("connected: %zu mouse interface(s)\n", which.size());
    }

    void replug() {
        noMore();
        update(replugAll);
        std::printf("replugged under new paths\n");
    }

    void fault() {
        const std::string kind = take("a fault");
        std::function<void(Faults&)> change;
        if (kind == "busy-ready") {
            const auto polls = static_cast<std::uint32_t>(parseNumber(take("a count"), UINT32_MAX, "the count"));
            const auto control = static_cast<std::uint8_t>(parseNumber(takeOptional().value_or("1"), 255, "the control value"));
            if (control == 0) throw UsageError("a busy control value is not 0");
            change = [=](Faults& f) {
                f.busyReadyPolls = polls;
                f.busyReadyControl = control;
            };
        } else if (kind == "busy-answer") {
            const auto polls = static_cast<std::uint32_t>(parseNumber(take("a count"), UINT32_MAX, "the count"));
            change = [=](Faults& f) { f.busyAnswerPolls = polls; };
        } else if (kind == "status") {
            std::deque<std::uint8_t> codes;
            do codes.push_back(static_cast<std::uint8_t>(parseNumber(take("a status code"), 0xFF, "a status code", 16)));
            while (!args_.empty());
            change = [=](Faults& f) { f.statusSequence = codes; };
        } else if (kind == "garbage") {
            const auto answers = static_cast<std::uint32_t>(parseNumber(take("a count"), UINT32_MAX, "the count"));
            change = [=](Faults& f) { f.garbageAnswers = answers; };
        } else if (kind == "slow") {
            const auto ms = static_cast<std::uint32_t>(parseNumber(take("milliseconds"), UINT32_MAX, "the time"));
            change = [=](Faults& f) { f.slowAnswerMs = ms; };
        } else if (kind == "drop-after") {
            const auto reports = static_cast<std::uint32_t>(parseNumber(take("a count"), UINT32_MAX, "the count"));
            std::optional<std::uint32_t> replugMs;
            if (auto ms = takeOptional()) replugMs = static_cast<std::uint32_t>(parseNumber(*ms, UINT32_MAX, "the time"));
            change = [=](Faults& f) {
                f.dropAfterReports = reports;
                f.replugAfterMs = replugMs;
            };
        } else if (kind == "clear") {
            change = [](Faults& f) {
                Faults cleared;
                cleared.noiseSeed = f.noiseSeed;  // the noise goes on where it was
                f = cleared;
            };
        } else {
            throw UsageError("unknown fault \"" + kind + "\"");
        }
        noMore();
        update([&](MouseState& state) { change(state.faults); });
        std::printf("fault %s set\n", kind.c_str());
    }

    void press() {
        const bool sendKeys = !takeFlag("--no-keys");
        const std::string action = take("an action");
        std::function<PressOutcome(MouseState&)> run;
        auto numbered = [&](const char* what) {
            return static_cast<std::uint8_t>(parseNumber(take(what), 255, what));
        };
        if (action == "stage-up") {
            run = [](MouseState& s) { return sim::press(s, {PressKind::stageUp}); };
        } else if (action == "stage-down") {
            run = [](MouseState& s) { return sim::press(s, {PressKind::stageDown}); };
        } else if (action == "stage") {
            run = [n = numbered("the stage")](MouseState& s) { return sim::press(s, {PressKind::selectStage, n}); };
        } else if (action == "profile") {
            run = [n = numbered("the profile")](MouseState& s) { return sim::press(s, {PressKind::selectProfile, n}); };
        } else if (action == "refresh") {
            run = [](MouseState& s) { return sim::press(s, {PressKind::refresh}); };
        } else if (action == "button") {
            run = [n = numbered("the button")](MouseState& s) { return pressButton(s, n); };
        } else {
            throw UsageError("unknown action \"" + action + "\"");
        }
        noMore();
        PressOutcome outcome;
        update([&](MouseState& state) { outcome = run(state); });
        std::printf("%s\n", outcome.description.c_str());
        if (outcome.keys.empty()) return;
        // The state is saved first: the host reads the mouse when the keys arrive.
        const std::string keys = describeKeys(outcome.keys);
        if (!sendKeys) {
            std::printf("keys %s: not sent (--no-keys)\n", keys.c_str());
        } else if (!canInjectKeys()) {
            std::printf("keys %s: not sent (this build has no input stream)\n", keys.c_str());
        } else if (injectKeys(outcome.keys)) {
            std::printf("keys %s: sent\n", keys.c_str());
        } else {
            std::fprintf(stderr, "tesselsim: the system refused the keys %s\n", keys.c_str());
            exitCode_ = 1;
        }
    }

    void set() {
        const std::string field = take("a field");
        const std::string value = take("a value");
        noMore();
        std::function<void(MouseState&)> change;
        if (field == "battery") {
            const auto state = static_cast<std::uint8_t>(parseNumber(value, 255, "the battery state"));
            change = [=](MouseState& s) { s.battery = state; };
        } else if (field == "distance") {
            const auto distance = static_cast<std::uint8_t>(parseNumber(value, 255, "the distance"));
            change = [=](MouseState& s) { s.wirelessDistance = distance; };
        } else if (field == "firmware") {
            const auto dot = value.find('.');
            if (dot == std::string::npos) throw UsageError("the firmware version is written MAJOR.MINOR");
            const auto major = static_cast<std::uint8_t>(parseNumber(value.substr(0, dot), 255, "the major version"));
            const auto minor = static_cast<std::uint8_t>(parseNumber(value.substr(dot + 1), 255, "the minor version"));
            change = [=](MouseState& s) {
                s.firmwareMajor = major;
                s.firmwareMinor = minor;
            };
        } else if (field == "polling-code") {
            const auto code = static_cast<std::uint8_t>(parseNumber(value, 255, "the polling code"));
            change = [=](MouseState& s) { s.pollingCode = code; };
        } else if (field == "memory-units") {
            const auto units = static_cast<std::uint8_t>(parseNumber(value, 255, "the memory size"));
            change = [=](MouseState& s) { s.memoryUnits = units; };
        } else if (field == "receiver-serial") {
            if (value.size() > kReceiverSerialChars) throw UsageError("the receiver serial holds at most 19 characters");
            change = [=](MouseState& s) { s.receiverSerial = value; };
        } else {
            throw UsageError("unknown field \"" + field + "\"");
        }
        update(change);
        std::printf("%s set to %s\n", field.c_str(), value.c_str());
    }

    void counters() {
        const bool reset = takeFlag("--reset");
        noMore();
        Counters counters;
        update([&](MouseState& state) {
            counters = state.counters;
            if (reset) state.counters = Counters{};
        });
        std::printf("requests %llu\nend-reports %llu\ninterleaved %llu\nchecksum-errors %llu\nrefused %llu\n",
                    static_cast<unsigned long long>(counters.requests),
                    static_cast<unsigned long long>(counters.endReports),
                    static_cast<unsigned long long>(counters.interleaved),
                    static_cast<unsigned long long>(counters.checksumErrors),
                    static_cast<unsigned long long>(counters.refused));
        if (reset) std::printf("(now reset to zero)\n");
    }

    std::string path_;
    std::vector<std::string> args_;
    std::unique_ptr<StateStore> store_;
    int exitCode_ = 0;
};

int run(std::vector<std::string> args) {
    try {
        std::optional<std::string> statePath = platform::environment("TESSEL_SIM");
        if (!args.empty() && args.front() == "--state") {
            if (args.size() < 2) throw UsageError("--state needs a file");
            statePath = args[1];
            args.erase(args.begin(), args.begin() + 2);
        }
        if (args.empty()) throw UsageError("missing a command");
        if (args.front() == "help" || args.front() == "--help" || args.front() == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (!statePath || statePath->empty()) throw UsageError("no state file: give --state FILE or set TESSEL_SIM");
        return Tool(*statePath, std::move(args)).run();
    } catch (const UsageError& error) {
        std::fprintf(stderr, "tesselsim: %s\n(tesselsim --help lists the commands)\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tesselsim: %s\n", error.what());
        return 1;
    }
}

}  // namespace
}  // namespace tessel::sim

int main(int argc, char** argv) { return tessel::sim::run(tessel::sim::platform::arguments(argc, argv)); }
