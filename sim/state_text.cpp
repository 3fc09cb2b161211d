#include "sim/state_text.h"

#include <charconv>
#include <cstdio>
#include <functional>
#include <limits>
#include <vector>

#include "middleware/device/dova_report.h"

namespace tessel::sim {

namespace {

constexpr std::uint64_t kFormatVersion = 1;
constexpr std::size_t kHexBytesPerLine = 32;
constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kMax64 = std::numeric_limits<std::uint64_t>::max();

// --- values to text ---

std::string hexBytes(const std::uint8_t* bytes, std::size_t count) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i) text += ' ';
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0xF];
    }
    return text;
}

template <typename Container>
std::string hexBytes(const Container& bytes) {
    return hexBytes(bytes.data(), bytes.size());
}

std::string hexByte(std::uint8_t byte) { return hexBytes(&byte, 1); }

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

const char* interfaceName(Interface which) {
    switch (which) {
    case Interface::wired: return "wired";
    case Interface::wireless: return "wireless";
    case Interface::download: return "download";
    case Interface::foreign: break;
    }
    return "foreign";
}

constexpr std::array<std::pair<Phase, const char*>, 3> kPhaseNames = {
    {{Phase::idle, "idle"}, {Phase::awaitingAnswer, "awaiting-answer"}, {Phase::answered, "answered"}}};

std::string nameValue(const NameRecord& record) {
    if (record == freeName()) return "free";
    const auto text = nameText(record);
    // Only a record the text gives back exactly is shown as text; anything else stays bytes.
    if (!text || nameRecord(*text) != record || toUtf16(toUtf8(*text)) != *text) return "hex " + hexBytes(record);
    return quoted(toUtf8(*text));
}

std::string number(std::uint64_t value) { return std::to_string(value); }
std::string optionalNumber(const std::optional<std::uint64_t>& value) { return value ? number(*value) : "none"; }
std::string optionalNumber(const std::optional<std::uint32_t>& value) { return value ? number(*value) : "none"; }

// --- text to values ---

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto start = text.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) break;
        auto end = text.find_first_of(" \t", start);
        if (end == std::string_view::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        at = end;
    }
    return out;
}

std::uint64_t toNumber(std::string_view text, std::uint64_t max, int base = 10) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value > max)
        throw StateError("\"" + std::string(text) + "\" is not a number from 0 to " + std::to_string(max));
    return value;
}

std::uint8_t toByte(std::string_view text) { return static_cast<std::uint8_t>(toNumber(text, 0xFF)); }
std::uint32_t toNumber32(std::string_view text) { return static_cast<std::uint32_t>(toNumber(text, kMax32)); }

std::uint8_t toHexByte(std::string_view text) {
    if (text.size() != 2) throw StateError("\"" + std::string(text) + "\" is not a two-digit hex byte");
    return static_cast<std::uint8_t>(toNumber(text, 0xFF, 16));
}

std::vector<std::uint8_t> toHexBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    for (std::string_view word : words(text)) bytes.push_back(toHexByte(word));
    return bytes;
}

template <std::size_t N>
std::array<std::uint8_t, N> toFixedBytes(std::string_view text) {
    const std::vector<std::uint8_t> bytes = toHexBytes(text);
    if (bytes.size() != N)
        throw StateError("expected " + std::to_string(N) + " bytes, found " + std::to_string(bytes.size()));
    std::array<std::uint8_t, N> out;
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return out;
}

bool toSwitch(std::string_view text) {
    if (text == "on") return true;
    if (text == "off") return false;
    throw StateError("expected on or off, found \"" + std::string(text) + "\"");
}

template <typename T>
std::optional<T> toOptional(std::string_view text, std::uint64_t max) {
    if (text == "none") return std::nullopt;
    return static_cast<T>(toNumber(text, max));
}

std::string unquote(std::string_view text) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"')
        throw StateError("expected a quoted text, found " + std::string(text));
    std::string out;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '\\' && i + 2 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

Interface toInterface(std::string_view text) {
    for (Interface which : kMouseInterfaces)
        if (text == interfaceName(which)) return which;
    throw StateError("unknown interface \"" + std::string(text) + "\"");
}

NameRecord toName(std::string_view text) {
    if (text == "free") return freeName();
    if (text.starts_with("hex ")) return toFixedBytes<kNameBytes>(text.substr(4));
    const std::u16string name = toUtf16(unquote(text));
    if (name.size() > kNameBytes / 2 - 1) throw StateError("a name holds at most 19 characters");
    return nameRecord(name);
}

StageCodes toStage(std::string_view text) {
    const auto slash = text.find('/');
    if (slash == std::string_view::npos) throw StateError("a stage is written X/Y, found \"" + std::string(text) + "\"");
    return {toByte(text.substr(0, slash)), toByte(text.substr(slash + 1))};
}

ButtonEntry toButton(std::string_view text) {
    std::array<std::uint8_t, 4> parts{};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto part = text.substr(0, text.find(':'));
        parts[i] = toHexByte(part);
        text.remove_prefix(std::min(text.size(), part.size() + 1));
    }
    if (!text.empty()) throw StateError("a button entry is written bb:ff:11:22");
    return {parts[0], parts[1], parts[2], parts[3]};
}

template <typename T, std::size_t N, typename Convert>
std::array<T, N> toList(std::string_view text, Convert convert) {
    const auto items = words(text);
    if (items.size() != N)
        throw StateError("expected " + std::to_string(N) + " entries, found " + std::to_string(items.size()));
    std::array<T, N> out;
    for (std::size_t i = 0; i < N; ++i) out[i] = convert(items[i]);
    return out;
}

// --- the sections: one table of keys for writing and reading ---

template <typename T>
struct Field {
    const char* key;
    // The values to write, one line each (none: the key is left out).
    std::function<std::vector<std::string>(const T&)> write;
    std::function<void(T&, std::string_view)> read;
};

template <typename T, typename Get, typename Set>
Field<T> field(const char* key, Get get, Set set) {
    return {key, [get](const T& t) { return std::vector<std::string>{get(t)}; }, set};
}

template <typename T, typename Member>
Field<T> byteField(const char* key, Member member) {
    return field<T>(key, [member](const T& t) { return number(t.*member); },
                    [member](T& t, std::string_view v) { t.*member = toByte(v); });
}

template <typename T, typename Member>
Field<T> countField(const char* key, Member member, std::uint64_t max) {
    return field<T>(key, [member](const T& t) { return number(t.*member); },
                    [member, max](T& t, std::string_view v) {
                        t.*member = static_cast<std::remove_reference_t<decltype(t.*member)>>(toNumber(v, max));
                    });
}

std::vector<Field<MouseState>> makeLinkFields() {
    std::vector<Field<MouseState>> fields;
    for (Interface which : kMouseInterfaces) {
        fields.push_back(field<MouseState>(
            interfaceName(which),
            [which](const MouseState& s) {
                return s.link.present(which) ? number(s.link.generation(which)) : std::string("off");
            },
            [which](MouseState& s, std::string_view v) {
                if (v == "off")
                    s.link.plugged.erase(which);
                else
                    s.link.plugged[which] = toNumber32(v);
            }));
    }
    fields.push_back(field<MouseState>(
        "next-generation", [](const MouseState& s) { return number(s.link.nextGeneration); },
        [](MouseState& s, std::string_view v) { s.link.nextGeneration = toNumber32(v); }));
    fields.push_back({"replug",
                      [](const MouseState& s) {
                          if (!s.link.replugAtMs) return std::vector<std::string>{};
                          std::string names;
                          for (Interface which : s.link.replug) names += (names.empty() ? "" : " ") + std::string(interfaceName(which));
                          return std::vector<std::string>{names.empty() ? "none" : names};
                      },
                      [](MouseState& s, std::string_view v) {
                          s.link.replug.clear();
                          if (v != "none")
                              for (auto word : words(v)) s.link.replug.push_back(toInterface(word));
                      }});
    fields.push_back(field<MouseState>(
        "replug-at-ms", [](const MouseState& s) { return optionalNumber(s.link.replugAtMs); },
        [](MouseState& s, std::string_view v) { s.link.replugAtMs = toOptional<std::uint64_t>(v, kMax64); }));
    return fields;
}

const std::vector<Field<MouseState>>& linkFields() {
    static const std::vector<Field<MouseState>> fields = makeLinkFields();
    return fields;
}

std::vector<Field<MouseState>> makeIdentityFields() {
    return {
        field<MouseState>(
            "serial",
            [](const MouseState& s) {
                std::string text;
                for (std::uint8_t b : s.serial) text += (text.empty() ? "" : " ") + number(b);
                return text;
            },
            [](MouseState& s, std::string_view v) { s.serial = toList<std::uint8_t, kSerialBytes>(v, toByte); }),
        field<MouseState>(
            "firmware",
            [](const MouseState& s) {
                char text[16];
                std::snprintf(text, sizeof text, "%d.%02d", s.firmwareMajor, s.firmwareMinor);
                return std::string(text);
            },
            [](MouseState& s, std::string_view v) {
                const auto dot = v.find('.');
                if (dot == std::string_view::npos) throw StateError("firmware is written major.minor");
                s.firmwareMajor = toByte(v.substr(0, dot));
                s.firmwareMinor = toByte(v.substr(dot + 1));
            }),
        field<MouseState>(
            "receiver-serial", [](const MouseState& s) { return quoted(s.receiverSerial); },
            [](MouseState& s, std::string_view v) {
                std::string text = unquote(v);
                if (text.size() > kReceiverSerialChars) throw StateError("receiver-serial holds at most 19 characters");
                s.receiverSerial = std::move(text);
            }),
        byteField<MouseState>("battery", &MouseState::battery),
        byteField<MouseState>("wireless-distance", &MouseState::wirelessDistance),
        field<MouseState>(
            "download-mode", [](const MouseState& s) { return std::string(s.downloadMode ? "on" : "off"); },
            [](MouseState& s, std::string_view v) { s.downloadMode = toSwitch(v); }),
    };
}

const std::vector<Field<MouseState>>& identityFields() {
    static const std::vector<Field<MouseState>> fields = makeIdentityFields();
    return fields;
}

std::vector<Field<MouseState>> makePerformanceFields() {
    return {
        byteField<MouseState>("active-profile", &MouseState::activeProfile),
        byteField<MouseState>("polling-code", &MouseState::pollingCode),
        byteField<MouseState>("current-stage", &MouseState::currentStage),
        field<MouseState>(
            "current-codes", [](const MouseState& s) { return number(s.current.x) + "/" + number(s.current.y); },
            [](MouseState& s, std::string_view v) { s.current = toStage(v); }),
    };
}

const std::vector<Field<MouseState>>& performanceFields() {
    static const std::vector<Field<MouseState>> fields = makePerformanceFields();
    return fields;
}

std::vector<Field<Profile>> makeProfileFields() {
    return {
        field<Profile>("name", [](const Profile& p) { return nameValue(p.name); },
                       [](Profile& p, std::string_view v) { p.name = toName(v); }),
        byteField<Profile>("lighting", &Profile::lighting),
        byteField<Profile>("default-stage", &Profile::defaultStage),
        byteField<Profile>("stage-count", &Profile::stageCount),
        field<Profile>(
            "stages",
            [](const Profile& p) {
                std::string text;
                for (const StageCodes& stage : p.stages)
                    text += (text.empty() ? "" : " ") + number(stage.x) + "/" + number(stage.y);
                return text;
            },
            [](Profile& p, std::string_view v) { p.stages = toList<StageCodes, kStageCount>(v, toStage); }),
        field<Profile>("reserved", [](const Profile& p) { return hexBytes(p.reserved); },
                       [](Profile& p, std::string_view v) { p.reserved = toFixedBytes<6>(v); }),
        field<Profile>(
            "buttons",
            [](const Profile& p) {
                std::string text;
                for (const ButtonEntry& e : p.buttons)
                    text += (text.empty() ? "" : " ") + hexByte(e.button) + ":" + hexByte(e.function) + ":" +
                            hexByte(e.first) + ":" + hexByte(e.second);
                return text;
            },
            [](Profile& p, std::string_view v) { p.buttons = toList<ButtonEntry, kButtonCount>(v, toButton); }),
    };
}

const std::vector<Field<Profile>>& profileFields() {
    static const std::vector<Field<Profile>> fields = makeProfileFields();
    return fields;
}

std::vector<Field<MouseState>> makeMemoryFields() {
    return {
        byteField<MouseState>("units", &MouseState::memoryUnits),
        {"fixed-mapping-block",
         [](const MouseState& s) {
             return s.fixedMappingBlock.empty() ? std::vector<std::string>{}
                                                : std::vector<std::string>{hexBytes(s.fixedMappingBlock)};
         },
         [](MouseState& s, std::string_view v) { s.fixedMappingBlock = toHexBytes(v); }},
    };
}

const std::vector<Field<MouseState>>& memoryFields() {
    static const std::vector<Field<MouseState>> fields = makeMemoryFields();
    return fields;
}

// A macro image, 32 bytes a line; the lines add up.
std::vector<Field<std::vector<std::uint8_t>>> makeMacroFields() {
    return {{"data",
             [](const std::vector<std::uint8_t>& image) {
                 std::vector<std::string> lines;
                 for (std::size_t at = 0; at < image.size(); at += kHexBytesPerLine)
                     lines.push_back(hexBytes(image.data() + at, std::min(kHexBytesPerLine, image.size() - at)));
                 return lines;
             },
             [](std::vector<std::uint8_t>& image, std::string_view v) {
                 const auto bytes = toHexBytes(v);
                 if (image.size() + bytes.size() > 0xFFFF) throw StateError("a macro holds at most 65535 bytes");
                 image.insert(image.end(), bytes.begin(), bytes.end());
             }}};
}

const std::vector<Field<std::vector<std::uint8_t>>>& macroFields() {
    static const std::vector<Field<std::vector<std::uint8_t>>> fields = makeMacroFields();
    return fields;
}

Field<MouseState> reportField(const char* key, std::vector<std::uint8_t> Transaction::*member) {
    return {key,
            [member](const MouseState& s) {
                const auto& bytes = s.transaction.*member;
                return bytes.empty() ? std::vector<std::string>{} : std::vector<std::string>{hexBytes(bytes)};
            },
            [member, key](MouseState& s, std::string_view v) {
                auto bytes = toHexBytes(v);
                if (bytes.size() != device::DovaReport::size) throw StateError(std::string(key) + " holds 91 bytes");
                s.transaction.*member = std::move(bytes);
            }};
}

std::vector<Field<MouseState>> makeTransactionFields() {
    auto opener = [](OpenerId Transaction::*member) {
        return [member](MouseState& s, std::string_view v) { s.transaction.*member = toNumber(v, kMax64, 16); };
    };
    auto openerText = [](OpenerId id) {
        char text[24];
        std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(id));
        return std::string(text);
    };
    return {
        field<MouseState>(
            "phase",
            [](const MouseState& s) {
                for (const auto& [phase, name] : kPhaseNames)
                    if (phase == s.transaction.phase) return std::string(name);
                return std::string("idle");
            },
            [](MouseState& s, std::string_view v) {
                for (const auto& [phase, name] : kPhaseNames)
                    if (v == name) return void(s.transaction.phase = phase);
                throw StateError("unknown phase \"" + std::string(v) + "\"");
            }),
        field<MouseState>("owner", [openerText](const MouseState& s) { return openerText(s.transaction.owner); },
                          opener(&Transaction::owner)),
        field<MouseState>("intruder", [openerText](const MouseState& s) { return openerText(s.transaction.intruder); },
                          opener(&Transaction::intruder)),
        reportField("pending", &Transaction::pending),
        reportField("answer", &Transaction::answer),
        field<MouseState>(
            "answer-ready-at-ms", [](const MouseState& s) { return number(s.transaction.answerReadyAtMs); },
            [](MouseState& s, std::string_view v) { s.transaction.answerReadyAtMs = toNumber(v, kMax64); }),
    };
}

const std::vector<Field<MouseState>>& transactionFields() {
    static const std::vector<Field<MouseState>> fields = makeTransactionFields();
    return fields;
}

std::vector<Field<Faults>> makeFaultFields() {
    return {
        countField<Faults>("busy-ready-polls", &Faults::busyReadyPolls, kMax32),
        byteField<Faults>("busy-ready-control", &Faults::busyReadyControl),
        countField<Faults>("busy-answer-polls", &Faults::busyAnswerPolls, kMax32),
        field<Faults>(
            "status-sequence",
            [](const Faults& f) {
                return f.statusSequence.empty()
                           ? std::string("none")
                           : hexBytes(std::vector<std::uint8_t>(f.statusSequence.begin(), f.statusSequence.end()));
            },
            [](Faults& f, std::string_view v) {
                f.statusSequence.clear();
                if (v != "none")
                    for (std::uint8_t code : toHexBytes(v)) f.statusSequence.push_back(code);
            }),
        countField<Faults>("garbage-answers", &Faults::garbageAnswers, kMax32),
        countField<Faults>("slow-answer-ms", &Faults::slowAnswerMs, kMax32),
        field<Faults>("drop-after-reports", [](const Faults& f) { return optionalNumber(f.dropAfterReports); },
                      [](Faults& f, std::string_view v) { f.dropAfterReports = toOptional<std::uint32_t>(v, kMax32); }),
        field<Faults>("replug-after-ms", [](const Faults& f) { return optionalNumber(f.replugAfterMs); },
                      [](Faults& f, std::string_view v) { f.replugAfterMs = toOptional<std::uint32_t>(v, kMax32); }),
        countField<Faults>("noise-seed", &Faults::noiseSeed, kMax32),
    };
}

const std::vector<Field<Faults>>& faultFields() {
    static const std::vector<Field<Faults>> fields = makeFaultFields();
    return fields;
}

std::vector<Field<Counters>> makeCounterFields() {
    return {
        countField<Counters>("requests", &Counters::requests, kMax64),
        countField<Counters>("end-reports", &Counters::endReports, kMax64),
        countField<Counters>("interleaved", &Counters::interleaved, kMax64),
        countField<Counters>("checksum-errors", &Counters::checksumErrors, kMax64),
        countField<Counters>("refused", &Counters::refused, kMax64),
    };
}

const std::vector<Field<Counters>>& counterFields() {
    static const std::vector<Field<Counters>> fields = makeCounterFields();
    return fields;
}

// --- writing ---

template <typename T>
void writeFields(std::string& out, const std::vector<Field<T>>& fields, const T& value) {
    for (const Field<T>& f : fields)
        for (const std::string& line : f.write(value)) out += std::string(f.key) + " = " + line + '\n';
}

void writeSection(std::string& out, const std::string& header, const std::string& comment = {}) {
    out += "\n[" + header + "]\n";
    if (!comment.empty()) out += "# " + comment + '\n';
}

std::string pollingText(std::uint8_t code) {
    switch (code) {
    case 1: return "1000 Hz";
    case 2: return "500 Hz";
    case 8: return "125 Hz";
    default: return "no valid rate";
    }
}

std::string dpiText(const StageCodes& codes) {
    return number(100u + 25u * codes.x) + " x " + number(100u + 25u * codes.y) + " DPI";
}

// --- reading ---

template <typename T>
void readField(const std::vector<Field<T>>& fields, T& target, std::string_view key, std::string_view value) {
    for (const Field<T>& f : fields)
        if (key == f.key) return f.read(target, value);
    throw StateError("unknown key \"" + std::string(key) + "\"");
}

int sectionIndex(std::string_view header, std::string_view prefix, int max) {
    return static_cast<int>(toNumber(trim(header.substr(prefix.size())), static_cast<std::uint64_t>(max)));
}

}  // namespace

std::string formatState(const MouseState& state) {
    std::string out =
        "# Simulated Tessel mouse: its memory and its link to the host. Change it with tesselsim;\n"
        "# hand edits are read back too. Numbers are decimal, byte lists hexadecimal.\n";
    out += "format = " + number(kFormatVersion) + '\n';

    writeSection(out, "link", "plugged interfaces with their path generation, or off");
    writeFields(out, linkFields(), state);
    writeSection(out, "identity");
    writeFields(out, identityFields(), state);
    writeSection(out, "performance",
                 "profile " + number(state.activeProfile) + ", " + pollingText(state.pollingCode) + ", stage " +
                     number(state.currentStage) + " at " + dpiText(state.current));
    writeFields(out, performanceFields(), state);
    for (int n = 1; n <= kProfileCount; ++n) {
        const Profile& p = state.profile(n);
        std::string comment = "stage codes X/Y (DPI = 100 + 25 * code); buttons button:function:first:second";
        if (!p.free() && p.stageCount >= 1 && p.stageCount <= kStageCount) {
            comment += "\n# stages:";
            for (int i = 0; i < p.stageCount; ++i) comment += " " + dpiText(p.stages[i]) + (i + 1 < p.stageCount ? "," : "");
        }
        writeSection(out, "profile " + number(n), comment);
        writeFields(out, profileFields(), p);
    }
    writeSection(out, "memory", "in units of 480 bytes; " + number(state.usedUnits()) + " used");
    writeFields(out, memoryFields(), state);
    for (const auto& [index, image] : state.macros) {
        writeSection(out, "macro " + number(index), number(image.size()) + " bytes, id " + number(index + 1u));
        writeFields(out, macroFields(), image);
    }
    writeSection(out, "transaction");
    writeFields(out, transactionFields(), state);
    writeSection(out, "faults", "injected for the next reports; each counts down as it is used");
    writeFields(out, faultFields(), state.faults);
    writeSection(out, "counters");
    writeFields(out, counterFields(), state.counters);
    writeSection(out, "end", "nothing follows: a state without this line was cut off while being written");
    return out;
}

MouseState parseState(std::string_view text) {
    MouseState state = MouseState::factory();
    std::function<void(std::string_view, std::string_view)> reader = [&](std::string_view key, std::string_view value) {
        if (key != "format") throw StateError("unknown key \"" + std::string(key) + "\" before the first section");
        if (toNumber(value, kMax32) != kFormatVersion) throw StateError("unknown format " + std::string(value));
    };
    int lineNumber = 0;
    bool ended = false;
    while (!text.empty()) {
        ++lineNumber;
        const auto end = text.find('\n');
        const std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;
        try {
            if (ended) throw StateError("text after [end]: the state was cut off while being written");
            if (line.front() == '[') {
                if (line.back() != ']') throw StateError("a section header ends with ]");
                const std::string_view header = trim(line.substr(1, line.size() - 2));
                if (header == "link") {
                    reader = [&, &fields = linkFields()](auto k, auto v) { readField(fields, state, k, v); };
                } else if (header == "identity") {
                    reader = [&, &fields = identityFields()](auto k, auto v) { readField(fields, state, k, v); };
                } else if (header == "performance") {
                    reader = [&, &fields = performanceFields()](auto k, auto v) { readField(fields, state, k, v); };
                } else if (header.starts_with("profile ")) {
                    const int n = sectionIndex(header, "profile ", kProfileCount);
                    if (n < 1) throw StateError("profiles are numbered 1 to 5");
                    reader = [&, n, &fields = profileFields()](auto k, auto v) { readField(fields, state.profile(n), k, v); };
                } else if (header == "memory") {
                    reader = [&, &fields = memoryFields()](auto k, auto v) { readField(fields, state, k, v); };
                } else if (header.starts_with("macro ")) {
                    const auto index = static_cast<std::uint8_t>(sectionIndex(header, "macro ", 0xFF));
                    if (state.macros.contains(index)) throw StateError("macro " + number(index) + " appears twice");
                    std::vector<std::uint8_t>& image = state.macros[index];
                    reader = [&image, &fields = macroFields()](auto k, auto v) { readField(fields, image, k, v); };
                } else if (header == "transaction") {
                    reader = [&, &fields = transactionFields()](auto k, auto v) { readField(fields, state, k, v); };
                } else if (header == "faults") {
                    reader = [&, &fields = faultFields()](auto k, auto v) { readField(fields, state.faults, k, v); };
                } else if (header == "counters") {
                    reader = [&, &fields = counterFields()](auto k, auto v) { readField(fields, state.counters, k, v); };
                } else if (header == "end") {
                    ended = true;
                } else {
                    throw StateError("unknown section [" + std::string(header) + "]");
                }
                continue;
            }
            const auto equals = line.find('=');
            if (equals == std::string_view::npos) throw StateError("expected key = value");
            reader(trim(line.substr(0, equals)), trim(line.substr(equals + 1)));
        } catch (const StateError& error) {
            throw StateError("line " + std::to_string(lineNumber) + ": " + error.what());
        }
    }
    if (!ended)
        throw StateError("line " + std::to_string(lineNumber) + ": no [end]: the state was cut off while being written");
    std::erase_if(state.macros, [](const auto& entry) { return entry.second.empty(); });
    return state;
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string toUtf16(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        char32_t c = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
        bool valid = length != 0 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!valid || c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += u'\uFFFD';
            i += 1;
            continue;
        }
        i += length;
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

}  // namespace tessel::sim
