#include "sim/firmware.h"

#include <algorithm>
#include <optional>

namespace tessel::sim {

using device::DovaReport;

namespace {

constexpr std::size_t kProfileBlockBytes = 56;       // bytes 9-64
constexpr std::size_t kFixedMappingBlockBytes = 65;  // bytes 9-73
constexpr std::size_t kNameRecordParam = 41;         // byte 9 and the 40 name bytes
constexpr std::size_t kPerformanceBytes = 5;

// Everything one command handler needs.
struct Exchange {
    MouseState& state;
    const DovaReport& request;
    DovaReport& answer;

    std::uint8_t param() const { return request[DovaReport::param]; }
    std::uint8_t byte(std::size_t offset) const { return request[offset]; }
};

// Profile number named by a selector: 1-5, or 0 for the active profile.
std::optional<int> profileNumber(const MouseState& state, std::uint8_t selector) {
    if (selector == 0) return state.activeProfile;
    if (selector >= 1 && selector <= kProfileCount) return selector;
    return std::nullopt;
}

bool validNumber(std::uint8_t number) { return number >= 1 && number <= kProfileCount; }

std::uint16_t bigEndian16(const DovaReport& report, std::size_t offset) {
    return static_cast<std::uint16_t>(report[offset] << 8 | report[offset + 1]);
}

// --- the commands ---

std::uint8_t readIdentity(Exchange& x) {
    if (x.param() != 1) return status::invalid;
    std::copy(x.state.serial.begin(), x.state.serial.end(), x.answer.bytes.begin() + DovaReport::data);
    x.answer[41] = x.state.firmwareMajor;
    x.answer[42] = x.state.firmwareMinor;
    return status::done;
}

std::uint8_t readPerformance(Exchange& x) {
    if (x.param() > 1) return status::invalid;
    x.answer[9] = x.state.activeProfile;
    x.answer[10] = x.state.pollingCode;
    x.answer[11] = x.state.currentStage;
    x.answer[12] = x.state.current.x;
    x.answer[13] = x.state.current.y;
    return status::done;
}

std::uint8_t writePerformance(Exchange& x) {
    if (x.param() != kPerformanceBytes || !validNumber(x.byte(9))) return status::invalid;
    x.state.activeProfile = x.byte(9);
    x.state.pollingCode = x.byte(10);
    x.state.currentStage = x.byte(11);
    x.state.current = {x.byte(12), x.byte(13)};
    return status::done;
}

void encodeProfile(const Profile& profile, DovaReport& answer) {
    answer[10] = profile.lighting;
    answer[11] = profile.defaultStage;
    answer[12] = profile.stageCount;
    for (int i = 0; i < kStageCount; ++i) {
        answer[13 + 2 * i] = profile.stages[i].x;
        answer[14 + 2 * i] = profile.stages[i].y;
    }
    std::copy(profile.reserved.begin(), profile.reserved.end(), answer.bytes.begin() + 23);
    for (int i = 0; i < kButtonCount; ++i) {
        const ButtonEntry& entry = profile.buttons[i];
        const std::size_t at = 29 + 4 * i;
        answer[at] = entry.button;
        answer[at + 1] = entry.function;
        answer[at + 2] = entry.first;
        answer[at + 3] = entry.second;
    }
}

void decodeProfile(const DovaReport& request, Profile& profile) {
    profile.lighting = request[10];
    profile.defaultStage = request[11];
    profile.stageCount = request[12];
    for (int i = 0; i < kStageCount; ++i) profile.stages[i] = {request[13 + 2 * i], request[14 + 2 * i]};
    std::copy_n(request.bytes.begin() + 23, profile.reserved.size(), profile.reserved.begin());
    for (int i = 0; i < kButtonCount; ++i) {
        const std::size_t at = 29 + 4 * i;
        profile.buttons[i] = {request[at], request[at + 1], request[at + 2], request[at + 3]};
    }
}

std::uint8_t readProfile(Exchange& x) {
    const auto number = profileNumber(x.state, x.byte(9));
    if (x.param() != 1 || !number) return status::invalid;
    x.answer[9] = x.byte(9);
    encodeProfile(x.state.profile(*number), x.answer);
    return status::done;
}

std::uint8_t writeProfile(Exchange& x) {
    if (x.param() == kFixedMappingBlockBytes) {
        const auto first = x.request.bytes.begin() + DovaReport::data;
        x.state.fixedMappingBlock.assign(first, first + kFixedMappingBlockBytes);
        return status::done;
    }
    const auto number = profileNumber(x.state, x.byte(9));
    if (x.param() != kProfileBlockBytes || !number) return status::invalid;
    decodeProfile(x.request, x.state.profile(*number));
    return status::done;
}

std::uint8_t deleteProfile(Exchange& x) {
    if (x.param() != 1 || !validNumber(x.byte(9))) return status::invalid;
    // The mouse cannot run without its active profile.
    if (x.byte(9) == x.state.activeProfile) return status::refused;
    Profile& profile = x.state.profile(x.byte(9));
    profile = Profile{};
    profile.name = freeName();
    return status::done;
}

std::uint8_t readProfileName(Exchange& x) {
    if (x.param() != 1 || !validNumber(x.byte(9))) return status::invalid;
    const NameRecord& name = x.state.profile(x.byte(9)).name;
    x.answer[9] = x.byte(9);
    std::copy(name.begin(), name.end(), x.answer.bytes.begin() + 10);
    return status::done;
}

std::uint8_t writeProfileName(Exchange& x) {
    if (x.param() != kNameRecordParam || !validNumber(x.byte(9))) return status::invalid;
    NameRecord& name = x.state.profile(x.byte(9)).name;
    std::copy_n(x.request.bytes.begin() + 10, name.size(), name.begin());
    return status::done;
}

std::uint8_t readMemory(Exchange& x) {
    if (x.param() != 0) return status::invalid;
    x.answer[9] = x.state.memoryUnits;
    x.answer[10] = static_cast<std::uint8_t>(std::min<std::uint32_t>(x.state.usedUnits(), 0xFF));
    return status::done;
}

// The directory lists a place for every index up to the highest one in use; places of
// deleted macros in between carry size 0, so the host reuses them.
std::uint8_t readDirectory(Exchange& x) {
    if (x.param() != 0) return status::invalid;
    const auto& macros = x.state.macros;
    const std::size_t places = macros.empty() ? 0 : std::size_t{macros.rbegin()->first} + 1;
    const std::size_t first = std::size_t{x.byte(8)} * kDirectoryPageEntries;
    const std::size_t count = first < places ? std::min(kDirectoryPageEntries, places - first) : 0;
    for (std::size_t i = 0; i < count; ++i) {
        const auto index = static_cast<std::uint8_t>(first + i);
        const auto found = macros.find(index);
        const std::size_t size = found == macros.end() ? 0 : found->second.size();
        const std::size_t at = DovaReport::data + 4 * i;
        x.answer[at] = index;
        x.answer[at + 1] = static_cast<std::uint8_t>(size >> 8);
        x.answer[at + 2] = static_cast<std::uint8_t>(size & 0xFF);
        x.answer[at + 3] = static_cast<std::uint8_t>(unitsFor(size));
    }
    x.answer[DovaReport::param] = static_cast<std::uint8_t>(4 * count);
    return status::done;
}

std::uint8_t allocateMacro(Exchange& x) {
    const std::uint16_t size = bigEndian16(x.request, 10);
    if (x.param() != 4 || size == 0) return status::invalid;
    auto& macros = x.state.macros;
    const auto found = macros.find(x.byte(9));
    const std::uint32_t released = found == macros.end() ? 0 : unitsFor(found->second.size());
    if (x.state.usedUnits() - released + unitsFor(size) > x.state.memoryUnits) return status::refused;
    macros[x.byte(9)].assign(size, 0);
    return status::done;
}

std::uint8_t deleteMacro(Exchange& x) {
    if (x.param() != 1) return status::invalid;
    return x.state.macros.erase(x.byte(9)) ? status::done : status::refused;
}

// Chunks of 80 bytes; bytes 6-7 count the chunks still to follow, so the offset follows from
// the macro's size and a repeated chunk lands where it belongs.
struct Chunk {
    std::vector<std::uint8_t>* image = nullptr;
    std::size_t offset = 0;
    std::size_t length = 0;
};

std::optional<Chunk> chunkOf(Exchange& x, std::uint8_t& failure) {
    const auto found = x.state.macros.find(x.byte(8));
    if (found == x.state.macros.end()) {
        failure = status::refused;
        return std::nullopt;
    }
    std::vector<std::uint8_t>& image = found->second;
    const std::size_t chunks = (image.size() + kMacroChunkBytes - 1) / kMacroChunkBytes;
    const std::size_t toFollow = bigEndian16(x.request, 6);
    if (toFollow >= chunks) {
        failure = status::invalid;
        return std::nullopt;
    }
    const std::size_t offset = (chunks - 1 - toFollow) * kMacroChunkBytes;
    return Chunk{&image, offset, std::min(kMacroChunkBytes, image.size() - offset)};
}

std::uint8_t writeChunk(Exchange& x) {
    std::uint8_t failure = status::done;
    const auto chunk = chunkOf(x, failure);
    if (!chunk) return failure;
    if (x.param() != chunk->length) return status::invalid;
    std::copy_n(x.request.bytes.begin() + DovaReport::data, chunk->length, chunk->image->begin() + chunk->offset);
    return status::done;
}

std::uint8_t readChunk(Exchange& x) {
    std::uint8_t failure = status::done;
    if (x.param() != 0) return status::invalid;
    const auto chunk = chunkOf(x, failure);
    if (!chunk) return failure;
    std::copy_n(chunk->image->begin() + chunk->offset, chunk->length, x.answer.bytes.begin() + DovaReport::data);
    x.answer[DovaReport::param] = static_cast<std::uint8_t>(chunk->length);
    return status::done;
}

// A macro's name record is the first 40 bytes of its image.
std::uint8_t readMacroName(Exchange& x) {
    if (x.param() != 0) return status::invalid;
    const auto found = x.state.macros.find(x.byte(8));
    if (found == x.state.macros.end()) return status::refused;
    const std::vector<std::uint8_t>& image = found->second;
    std::copy_n(image.begin(), std::min(kMacroNameBytes, image.size()), x.answer.bytes.begin() + DovaReport::data);
    return status::done;
}

std::uint8_t writeMacroName(Exchange& x) {
    if (x.param() != 0) return status::invalid;
    const auto found = x.state.macros.find(x.byte(8));
    // An image too short to hold a name would lose it.
    if (found == x.state.macros.end() || found->second.size() < kMacroNameBytes) return status::refused;
    std::copy_n(x.request.bytes.begin() + DovaReport::data, kMacroNameBytes, found->second.begin());
    return status::done;
}

std::uint8_t setDownloadMode(Exchange& x) {
    if (x.param() != 1) return status::invalid;
    switch (x.byte(9)) {
    case 1: x.state.downloadMode = true; return status::done;
    case 2: x.state.downloadMode = false; return status::done;
    default: return status::invalid;
    }
}

struct Handler {
    std::uint8_t command;
    bool read;
    std::uint8_t (*run)(Exchange&);
};

constexpr Handler kMouseCommands[] = {
    {command::identity, true, readIdentity},
    {command::performance, true, readPerformance},
    {command::performance, false, writePerformance},
    {command::profileBlock, true, readProfile},
    {command::profileBlock, false, writeProfile},
    {command::deleteProfile, false, deleteProfile},
    {command::macroDirectory, true, readDirectory},
    {command::macroDirectory, false, allocateMacro},
    {command::deleteMacro, false, deleteMacro},
    {command::macroChunk, true, readChunk},
    {command::macroChunk, false, writeChunk},
    {command::macroName, true, readMacroName},
    {command::macroName, false, writeMacroName},
    {command::profileName, true, readProfileName},
    {command::profileName, false, writeProfileName},
    {command::memory, true, readMemory},
};

// In download mode the mouse knows only who it is and how to leave or enter that mode.
constexpr Handler kDownloadCommands[] = {
    {command::identity, true, readIdentity},
    {command::downloadMode, false, setDownloadMode},
};

template <std::size_t N>
const Handler* findHandler(const Handler (&table)[N], std::uint8_t code, bool read) {
    for (const Handler& handler : table)
        if (handler.command == code && handler.read == read) return &handler;
    return nullptr;
}

DovaReport answerHeader(const DovaReport& request, std::uint8_t code) {
    DovaReport answer;
    for (std::size_t i = DovaReport::readFlag; i < DovaReport::data; ++i) answer[i] = request[i];
    // A write answers with the data it took.
    if (request[DovaReport::readFlag] == 0)
        std::copy(request.bytes.begin() + DovaReport::data, request.bytes.begin() + DovaReport::checksum,
                  answer.bytes.begin() + DovaReport::data);
    answer[DovaReport::status] = code;
    return answer;
}

void seal(DovaReport& answer) { answer[DovaReport::checksum] = answer.computeChecksum(); }

DovaReport toReport(const std::vector<std::uint8_t>& bytes) {
    DovaReport report;
    std::copy_n(bytes.begin(), std::min(bytes.size(), DovaReport::size), report.bytes.begin());
    return report;
}

std::vector<std::uint8_t> toBytes(const DovaReport& report) { return {report.bytes.begin(), report.bytes.end()}; }

}  // namespace

DovaReport execute(MouseState& state, Interface where, const DovaReport& request) {
    DovaReport answer = answerHeader(request, status::done);
    auto finish = [&](std::uint8_t code) {
        answer[DovaReport::status] = code;
        if (code != status::done) ++state.counters.refused;
        seal(answer);
        return answer;
    };
    if (request[DovaReport::checksum] != request.computeChecksum()) {
        ++state.counters.checksumErrors;
        return finish(status::checksumError);
    }
    const std::uint8_t readFlag = request[DovaReport::readFlag];
    if (request[DovaReport::control] != 1 || request[DovaReport::status] != 0 ||
        request[DovaReport::trailer] != 1 || readFlag > 1)
        return finish(status::invalid);

    const std::uint8_t code = request[DovaReport::command];
    const bool read = readFlag == 1;
    const Handler* handler = where == Interface::download ? findHandler(kDownloadCommands, code, read)
                                                          : findHandler(kMouseCommands, code, read);
    if (!handler) return finish(status::unknownCommand);
    Exchange exchange{state, request, answer};
    return finish(handler->run(exchange));
}

// --- the transaction ---

void Firmware::noteOpener(OpenerId opener) {
    Transaction& t = state_.transaction;
    if (t.owner == 0) {
        t.owner = opener;
    } else if (t.owner != opener && t.intruder != opener) {
        // Someone else's report before the owner's end report: the exclusion failed.
        ++state_.counters.interleaved;
        t.intruder = opener;
    }
}

void Firmware::readiness(DovaReport& answer) {
    Faults& faults = state_.faults;
    if (faults.busyReadyPolls > 0) {
        --faults.busyReadyPolls;
        answer[DovaReport::control] = faults.busyReadyControl;
    }
}

void Firmware::finishAnswer(DovaReport& answer) {
    seal(answer);
    state_.transaction.answer = toBytes(answer);
    state_.transaction.pending.clear();
    state_.transaction.phase = Phase::answered;
}

void Firmware::answerPoll(Interface where, DovaReport& answer) {
    Transaction& t = state_.transaction;
    Faults& faults = state_.faults;
    const DovaReport request = toReport(t.pending);
    auto busy = [&] { answer = answerHeader(request, status::busy); };

    if (faults.busyAnswerPolls > 0) {
        --faults.busyAnswerPolls;
        return busy();
    }
    if (nowMs_ < t.answerReadyAtMs) return busy();
    if (!faults.statusSequence.empty()) {
        const std::uint8_t code = faults.statusSequence.front();
        faults.statusSequence.pop_front();
        if (code == 0x00 || code == status::busy) {
            answer = answerHeader(request, code);
            return;
        }
        if (code != status::done) {
            answer = answerHeader(request, code);  // the request is not carried out
            return finishAnswer(answer);
        }
    }
    if (faults.garbageAnswers > 0) {
        --faults.garbageAnswers;
        for (std::uint8_t& byte : answer.bytes) {
            faults.noiseSeed = faults.noiseSeed * 1664525u + 1013904223u;
            byte = static_cast<std::uint8_t>(faults.noiseSeed >> 24);
        }
        answer[DovaReport::reportId] = 0;
        // Noise that happened to read "busy" or "done" would not be noise the host can see.
        if (answer[DovaReport::status] <= 0x08) answer[DovaReport::status] += 0x10;
        return finishAnswer(answer);
    }
    answer = execute(state_, where, request);
    finishAnswer(answer);
}

bool Firmware::get(Interface where, OpenerId opener, std::span<std::uint8_t> buffer, std::uint32_t& error) {
    if (where == Interface::foreign) {
        error = hiderror::invalidFunction;
        return false;
    }
    if (where == Interface::wireless && !buffer.empty() && buffer[0] != 0) return getShort(buffer, error);
    if (buffer.size() != DovaReport::size || buffer[0] != 0) {
        error = buffer.size() != DovaReport::size ? hiderror::invalidParameter : hiderror::invalidFunction;
        return false;
    }
    noteOpener(opener);
    DovaReport answer;
    switch (state_.transaction.phase) {
    case Phase::idle: readiness(answer); break;
    case Phase::awaitingAnswer: answerPoll(where, answer); break;
    case Phase::answered: answer = toReport(state_.transaction.answer); break;
    }
    seal(answer);
    std::copy(answer.bytes.begin(), answer.bytes.end(), buffer.begin());
    return true;
}

bool Firmware::set(Interface where, OpenerId opener, std::span<const std::uint8_t> buffer, std::uint32_t& error) {
    if (where == Interface::foreign) {
        error = hiderror::invalidFunction;
        return false;
    }
    if (where == Interface::wireless && !buffer.empty() && buffer[0] != 0) return setShort(buffer, error);
    if (buffer.size() != DovaReport::size || buffer[0] != 0) {
        error = buffer.size() != DovaReport::size ? hiderror::invalidParameter : hiderror::invalidFunction;
        return false;
    }
    noteOpener(opener);
    DovaReport report;
    std::copy(buffer.begin(), buffer.end(), report.bytes.begin());
    Transaction& t = state_.transaction;
    if (report.bytes == DovaReport::endReport().bytes) {
        ++state_.counters.endReports;
        t = Transaction{};
        return true;
    }
    ++state_.counters.requests;
    t.pending = toBytes(report);
    t.answer.clear();
    t.phase = Phase::awaitingAnswer;
    t.answerReadyAtMs = nowMs_ + state_.faults.slowAnswerMs;
    return true;
}

bool Firmware::getShort(std::span<std::uint8_t> buffer, std::uint32_t& error) {
    auto fill = [&](std::size_t length, auto&& write) {
        if (buffer.size() != length) {
            error = hiderror::invalidParameter;
            return false;
        }
        std::fill(buffer.begin() + 1, buffer.end(), 0);
        write();
        return true;
    };
    switch (buffer[0]) {
    case shortreport::firmware:
        return fill(3, [&] {
            buffer[1] = state_.firmwareMajor;
            buffer[2] = state_.firmwareMinor;
        });
    case shortreport::serial:
        return fill(20, [&] {
            const std::string& text = state_.receiverSerial;
            std::copy_n(text.begin(), std::min(text.size(), kReceiverSerialChars), buffer.begin() + 1);
        });
    case shortreport::battery: return fill(2, [&] { buffer[1] = state_.battery; });
    case shortreport::distance: return fill(2, [&] { buffer[1] = state_.wirelessDistance; });
    default: error = hiderror::invalidFunction; return false;
    }
}

bool Firmware::setShort(std::span<const std::uint8_t> buffer, std::uint32_t& error) {
    if (buffer[0] != shortreport::distance) {  // the others are read-only
        error = hiderror::invalidFunction;
        return false;
    }
    if (buffer.size() != 2) {
        error = hiderror::invalidParameter;
        return false;
    }
    state_.wirelessDistance = buffer[1];
    return true;
}

}  // namespace tessel::sim
