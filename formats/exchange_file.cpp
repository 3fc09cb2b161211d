#include "formats/exchange_file.h"

#include <algorithm>
#include <limits>

#include "formats/utf16_text.h"

namespace tessel::formats {
namespace {

using namespace records;

constexpr std::u16string_view kFileVersionKey = u"[FILEVERSION]";
constexpr std::u16string_view kFileVersion = u"1.03";
constexpr std::u16string_view kDevice = u"Tessel";
constexpr std::size_t kMaxLine = 259;

std::u16string numbered(std::u16string_view key, int n) {
    // "[DPISTAGE%d]", "[BUTTONMAPPING%d]", "[MACROELEMENT%d]"
    return std::u16string(key) + decimalText(n) + u"]";
}

// The scanf patterns of the value lines: whitespace-delimited words, decimal numbers and
// hexadecimal codes of at most four digits, each after optional whitespace.
class Scanner {
public:
    explicit Scanner(std::u16string_view line) : line_(line) {}

    bool word() {
        skipSpace();
        if (at_ == line_.size()) return false;
        while (at_ < line_.size() && !isSpace(line_[at_])) ++at_;
        return true;
    }
    std::optional<std::int32_t> decimal() {
        skipSpace();
        bool negative = false;
        if (at_ < line_.size() && (line_[at_] == u'-' || line_[at_] == u'+'))
            negative = line_[at_++] == u'-';
        std::int64_t value = 0;
        std::size_t digits = 0;
        for (; at_ < line_.size() && line_[at_] >= u'0' && line_[at_] <= u'9'; ++at_, ++digits) {
            value = value * 10 + (line_[at_] - u'0');
            if (value > std::numeric_limits<std::int32_t>::max() + std::int64_t{1}) return {};
        }
        if (digits == 0) return {};
        value = negative ? -value : value;
        if (value > std::numeric_limits<std::int32_t>::max()) return {};
        return static_cast<std::int32_t>(value);
    }
    std::optional<std::uint16_t> hex4() {
        skipSpace();
        unsigned value = 0;
        int digits = 0;
        for (; digits < 4 && at_ < line_.size(); ++digits, ++at_) {
            const char16_t c = line_[at_];
            int digit = c >= u'0' && c <= u'9'   ? c - u'0'
                        : c >= u'A' && c <= u'F' ? c - u'A' + 10
                        : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                                 : -1;
            if (digit < 0) break;
            value = value * 16 + static_cast<unsigned>(digit);
        }
        if (digits == 0) return {};
        return static_cast<std::uint16_t>(value);
    }

private:
    static bool isSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
    void skipSpace() {
        while (at_ < line_.size() && isSpace(line_[at_])) ++at_;
    }
    std::u16string_view line_;
    std::size_t at_ = 0;
};

// "%s%d": a word, then a number.
std::optional<std::int32_t> labelledNumber(const std::optional<std::u16string>& line) {
    if (!line) return {};
    Scanner scan(*line);
    if (!scan.word()) return {};
    return scan.decimal();
}

std::optional<std::int32_t> plainNumber(const std::optional<std::u16string>& line) {
    if (!line) return {};
    return Scanner(*line).decimal();
}

// The text after the first apostrophe without the line's last character (the closing
// apostrophe); the whole line when it holds none.
std::u16string quotedName(std::u16string_view line) {
    const auto quote = line.find(u'\'');
    if (quote == std::u16string_view::npos) return std::u16string(line);
    std::u16string_view name = line.substr(quote + 1);
    if (!name.empty()) name.remove_suffix(1);
    return std::u16string(name);
}

// Sections are found forward from the last one read, within the current block: a section the
// block lacks is missing and the search for the next one starts at the same place.
class SectionReader {
public:
    explicit SectionReader(std::u16string_view text)
        : lines_(splitLines(text, {kMaxLine, false})) {}

    std::optional<std::u16string> value(std::u16string_view key) {
        for (std::size_t i = at_; i < lines_.size(); ++i) {
            if (lines_[i] == key) {
                if (i + 1 == lines_.size()) {
                    at_ = lines_.size();
                    return {};
                }
                at_ = i + 2;
                return lines_[i + 1];
            }
            if (lines_[i] == kFileVersionKey) break;
        }
        return {};
    }

    // Moves to the next block of this type and reads its name; false at the end of the text.
    bool nextBlock(std::u16string_view dataType, std::u16string_view nameKey,
                   std::u16string_view nameFilter, std::u16string& name) {
        while (at_ < lines_.size()) {
            std::optional<std::u16string> version;
            for (; at_ < lines_.size() && !version; ++at_)
                if (lines_[at_] == kFileVersionKey && at_ + 1 < lines_.size())
                    version = lines_[++at_];
            if (!version) return false;
            if (*version != kFileVersion || value(u"[SUPPORTEDDEVICE]") != kDevice ||
                value(u"[DATATYPE]") != dataType)
                continue;
            const auto nameLine = value(nameKey);
            if (!nameLine) continue;
            name = quotedName(*nameLine);
            if (nameFilter.empty() || nameFilter == name) return true;
        }
        return false;
    }

private:
    std::vector<std::u16string> lines_;
    std::size_t at_ = 0;
};

bool readProfileSections(SectionReader& reader, ProfileBlock& block) {
    block.stageCount = labelledNumber(reader.value(u"[DPISTAGES]"));
    if (block.stageCount) {
        if (*block.stageCount < 0 || *block.stageCount > kMaxStages) return false;
        block.defaultStage = labelledNumber(reader.value(u"[DEFAULTSTAGE]"));
        block.currentStage = labelledNumber(reader.value(u"[CURRENTSTAGE]"));
        for (int i = 0; i < *block.stageCount; ++i) {
            const auto line = reader.value(numbered(u"[DPISTAGE", i));
            if (!line) continue;
            // "%s%d%s%d"
            Scanner scan(*line);
            if (!scan.word()) continue;
            const auto x = scan.decimal();
            if (!x || !scan.word()) continue;
            const auto y = scan.decimal();
            if (y)
                block.stageValues[i] = _stSensitivityType{static_cast<std::uint32_t>(*x),
                                                          static_cast<std::uint32_t>(*y)};
        }
    }
    constexpr std::u16string_view lightKeys[] = {u"[LEDSCROLLWHEEL]", u"[LEDBATTERYINDICATOR]",
                                                 u"[LEDCHARGINGDOCK]"};
    for (int k = 0; k < 3; ++k) block.lights[k] = labelledNumber(reader.value(lightKeys[k]));
    block.executable = reader.value(u"[EXECUTABLE]");
    block.autoload = plainNumber(reader.value(u"[AUTOLOAD]"));
    block.sensitivityNotice = plainNumber(reader.value(u"[OTFSOSD]"));
    block.profileNotice = plainNumber(reader.value(u"[PROFILEOSD]"));
    for (int row = 0; row < kButtonCount; ++row)
        block.mappingLines[row] = reader.value(numbered(u"[BUTTONMAPPING", row));
    return true;
}

// A mapping line, "%s%d%s%d%d" or "%s%d%s%d%s": the mapping type t, then a number b; the name
// when the line quotes one.
struct MappingLine {
    std::optional<std::int32_t> type;
    std::optional<std::int32_t> value;
    std::optional<std::u16string> name;
};

MappingLine scanMapping(std::u16string_view line) {
    MappingLine mapping;
    Scanner scan(line);
    if (scan.word()) mapping.type = scan.decimal();
    if (mapping.type && scan.word() && scan.decimal()) mapping.value = scan.decimal();
    // An empty name links nothing.
    if (std::u16string name = quotedName(line).substr(0, kMaxLinkName);
        line.find(u'\'') != std::u16string_view::npos && !name.empty())
        mapping.name = std::move(name);
    return mapping;
}

MappingRecord mappingOf(int slot, std::int32_t type, std::int32_t action, std::int32_t info0) {
    return {slot + 1, type, action, {info0, 0, 0}};
}

// What both modes take: the executable and the switches.
void takeSwitches(const ProfileBlock& block, ExchangeProfile& profile) {
    if (block.executable) profile.executable = *block.executable;
    if (block.autoload) profile.autoload = *block.autoload;
    if (block.sensitivityNotice) profile.sensitivityNotice = *block.sensitivityNotice;
    if (block.profileNotice) profile.profileNotice = *block.profileNotice;
}

}  // namespace

MappingRecord defaultMapping(int slot) {
    static constexpr std::array<std::int32_t, kButtonCount> functions = {
        MOUSE_BUTTON_CLICK,
        MOUSE_BUTTON_MENU,
        MOUSE_BUTTON_UNIVERSAL_SCROLLING,
        MOUSE_BUTTON_WINDOWS_BUTTON_5,
        MOUSE_BUTTON_WINDOWS_BUTTON_4,
        MOUSE_BUTTON_DPI_DOWN,
        MOUSE_BUTTON_DPI_UP,
        MOUSE_BUTTON_SCROLL_UP,
        MOUSE_BUTTON_SCROLL_DOWN};
    return mappingOf(slot, BUTTON_MAPPING_BUTTONS, BUTTON_ACTION_PRESSED, functions.at(slot));
}

std::vector<ProfileBlock> readProfileBlocks(std::u16string_view text,
                                            std::u16string_view nameFilter) {
    std::vector<ProfileBlock> blocks;
    SectionReader reader(text);
    ProfileBlock block;
    while (reader.nextBlock(u"Profile", u"[PROFILENAME]", nameFilter, block.name)) {
        if (readProfileSections(reader, block)) blocks.push_back(std::move(block));
        block = {};
    }
    return blocks;
}

void importInto(const ProfileBlock& block, ExchangeProfile& profile) {
    profile.name = block.name;
    if (!profile.stages) profile.stages = _stDpiStageType{};
    if (block.stageCount)
        profile.stages->ulTotalStages = static_cast<std::uint32_t>(*block.stageCount);
    if (block.defaultStage) profile.stages->lDefaultStage = *block.defaultStage;
    if (block.currentStage) profile.stages->lCurrentStage = *block.currentStage;
    for (int i = 0; i < kMaxStages; ++i)
        if (block.stageValues[i]) profile.stages->Sensitivity[i] = *block.stageValues[i];
    for (int k = 0; k < 3; ++k)
        if (block.lights[k])
            profile.lights = (profile.lights & ~(1u << k)) | (*block.lights[k] ? 1u << k : 0u);
    takeSwitches(block, profile);
    for (int row = 0; row < kButtonCount; ++row) {
        if (!block.mappingLines[row]) continue;
        const int slot = kRowSlot[row];
        const MappingLine line = scanMapping(*block.mappingLines[row]);
        MappingRecord& record = profile.mappings[slot];
        profile.profileLinks[row].clear();
        profile.macroLinks[row].clear();
        const std::int32_t type = line.type.value_or(BUTTON_MAPPING_DISABLED);
        if (type == BUTTON_MAPPING_USER_ACTION && line.value) {
            record = mappingOf(slot, type, BUTTON_ACTION_KEYCODE, *line.value);
        } else if (type == BUTTON_MAPPING_BUTTONS && line.value) {
            record = mappingOf(slot, type, BUTTON_ACTION_PRESSED, *line.value);
        } else if (type == BUTTON_MAPPING_DEVICE_ACTION && line.name) {
            // The profile number is set when the profile reaches the mouse.
            record = mappingOf(slot, type, BUTTON_ACTION_CLICK, 5);
            profile.profileLinks[row] = *line.name;
        } else if (type == BUTTON_MAPPING_MACRO && line.name) {
            record = mappingOf(slot, type, BUTTON_ACTION_CLICK, 0);
            profile.macroLinks[row] = *line.name;
        } else {
            record = defaultMapping(slot);
        }
    }
}

void mergeInto(const ProfileBlock& block, ExchangeProfile& profile, const ExchangeLookup& lookup) {
    takeSwitches(block, profile);
    for (int row = 0; row < kButtonCount; ++row) {
        if (!block.mappingLines[row]) continue;
        const MappingRecord& record = profile.mappings[kRowSlot[row]];
        const MappingLine line = scanMapping(*block.mappingLines[row]);
        auto link = [&](std::int32_t type, std::optional<std::u16string> known) {
            if (line.type != type && record.mappingType != type) return std::u16string();
            if (known) return std::move(*known);
            // Only a line that itself names a profile (macro) gives a name: "(null)" is none.
            return line.type == type ? line.name.value_or(std::u16string()) : std::u16string();
        };
        profile.profileLinks[row] =
            link(BUTTON_MAPPING_DEVICE_ACTION, lookup.profileName(record.info[2]));
        profile.macroLinks[row] = link(BUTTON_MAPPING_MACRO, lookup.macroName(record.info[0]));
    }
}

void resetUnresolvedLinks(ExchangeProfile& profile,
                          const std::function<bool(const std::u16string&)>& profileExists,
                          const std::function<bool(const std::u16string&)>& macroExists) {
    for (int row = 0; row < kButtonCount; ++row) {
        auto& profileLink = profile.profileLinks[row];
        auto& macroLink = profile.macroLinks[row];
        if ((!profileLink.empty() && !profileExists(profileLink)) ||
            (!macroLink.empty() && !macroExists(macroLink))) {
            profile.mappings[kRowSlot[row]] = defaultMapping(kRowSlot[row]);
            profileLink.clear();
            macroLink.clear();
        }
    }
}

std::optional<ExchangeMacro> readMacroBlock(std::u16string_view text,
                                            std::u16string_view nameFilter) {
    SectionReader reader(text);
    ExchangeMacro macro;
    while (reader.nextBlock(u"Macro", u"[MACRONAME]", nameFilter, macro.name)) {
        macro.name.resize(std::min(macro.name.size(), kMaxMacroName));
        const auto count = plainNumber(reader.value(u"[MACROELEMENTS]"));
        if (count && (*count < 0 || *count > kMaxMacroEvents)) continue;
        const int events = count.value_or(0);
        macro.events.assign(static_cast<std::size_t>(events), MacroEvent{});
        macro.end = {};
        // Entries 0 to c: the events, then the entry after the last one.
        for (int i = 0; events > 0 && i <= events; ++i) {
            MacroEvent& event = i < events ? macro.events[i] : macro.end;
            const auto line = reader.value(numbered(u"[MACROELEMENT", i));
            if (!line) continue;
            // "%s%04X%s%d"
            Scanner scan(*line);
            if (!scan.word()) continue;
            const auto code = scan.hex4();
            if (!code) continue;
            event.code = *code;
            if (!scan.word()) continue;
            if (const auto time = scan.decimal()) event.time = *time;
        }
        return macro;
    }
    return std::nullopt;
}

namespace {

// A value written on one line: line breaks inside it would start sections of their own.
std::u16string oneLine(std::u16string_view value) {
    std::u16string line(value);
    std::erase_if(line, [](char16_t c) { return c == u'\r' || c == u'\n'; });
    return line;
}

void section(std::u16string& text, std::u16string_view key, std::u16string_view value) {
    text += key;
    text += u"\r\n";
    text += value;
    text += u"\r\n";
}

void blockHead(std::u16string& text, std::u16string_view dataType) {
    section(text, kFileVersionKey, kFileVersion);
    section(text, u"[SUPPORTEDDEVICE]", kDevice);
    section(text, u"[DATATYPE]", dataType);
}

std::u16string quoted(std::u16string_view name) {
    return u"'" + oneLine(name) + u"'";
}

std::u16string mappingText(std::int32_t type, std::int32_t data, std::u16string_view value) {
    return u"Mapping: " + decimalText(type) + u" Data: " + decimalText(data) + u" " + std::u16string(value);
}

// The button's profile and macro names: its link, else the profile (macro) its record names.
std::optional<std::u16string> linkedProfile(const ExchangeProfile& profile, int row,
                                            const ExchangeLookup& lookup) {
    if (!profile.profileLinks[row].empty()) return profile.profileLinks[row];
    const std::int32_t number = profile.mappings[kRowSlot[row]].info[2];
    return number != 0 ? lookup.profileName(number) : std::nullopt;
}

std::optional<std::u16string> linkedMacro(const ExchangeProfile& profile, int row,
                                          const ExchangeLookup& lookup) {
    if (!profile.macroLinks[row].empty()) return profile.macroLinks[row];
    return lookup.macroName(profile.mappings[kRowSlot[row]].info[0]);
}

std::u16string mappingLine(const ExchangeProfile& profile, int row, const ExchangeLookup& lookup) {
    const MappingRecord& record = profile.mappings[kRowSlot[row]];
    const std::u16string null = quoted(u"(null)");
    switch (record.mappingType) {
        case BUTTON_MAPPING_USER_ACTION:
            if (record.actionType == BUTTON_ACTION_KEYCODE)
                return mappingText(record.mappingType, record.actionType, decimalText(record.info[0]));
            break;
        case BUTTON_MAPPING_DEVICE_ACTION:
            if (const auto name = linkedProfile(profile, row, lookup))
                return record.info[0] == 5 ? mappingText(record.mappingType, 5, quoted(*name))
                                           : mappingText(0, 0, null);
            break;
        case BUTTON_MAPPING_MACRO:
            if (const auto name = linkedMacro(profile, row, lookup))
                return mappingText(record.mappingType, 0, quoted(*name));
            return mappingText(0, 0, null);
        case BUTTON_MAPPING_BUTTONS:
            if (record.actionType == BUTTON_ACTION_PRESSED)
                return mappingText(record.mappingType, record.actionType, decimalText(record.info[0]));
            break;
        default:
            break;
    }
    return u"Invalid Mapping!";
}

}  // namespace

std::u16string profileBlockText(const ExchangeProfile& profile, const ExchangeLookup& lookup) {
    std::u16string text;
    blockHead(text, u"Profile");
    section(text, u"[PROFILENAME]", quoted(profile.name));
    if (profile.stages) {
        const auto& stages = *profile.stages;
        const auto count = std::min<std::uint32_t>(stages.ulTotalStages, kMaxStages);
        section(text, u"[DPISTAGES]", u"NoofStages: " + decimalText(count));
        section(text, u"[DEFAULTSTAGE]", u"Stage: " + decimalText(stages.lDefaultStage));
        section(text, u"[CURRENTSTAGE]", u"Stage: " + decimalText(stages.lCurrentStage));
        for (std::uint32_t i = 0; i < count; ++i)
            section(text, numbered(u"[DPISTAGE", static_cast<int>(i)),
                    u"X-Sense: " +
                        decimalText(static_cast<std::int32_t>(stages.Sensitivity[i].ulXSensitivity)) +
                        u" Y-Sense: " +
                        decimalText(static_cast<std::int32_t>(stages.Sensitivity[i].ulYSensitivity)));
    }
    constexpr std::u16string_view lightKeys[] = {u"[LEDSCROLLWHEEL]", u"[LEDBATTERYINDICATOR]",
                                                 u"[LEDCHARGINGDOCK]"};
    for (int k = 0; k < 3; ++k)
        section(text, lightKeys[k], u"LEDState: " + decimalText(profile.lights & (1u << k)));
    section(text, u"[EXECUTABLE]", oneLine(profile.executable));
    section(text, u"[AUTOLOAD]", decimalText(profile.autoload));
    section(text, u"[OTFSOSD]", decimalText(profile.sensitivityNotice));
    section(text, u"[PROFILEOSD]", decimalText(profile.profileNotice));
    std::array<std::optional<std::u16string>, kButtonCount> macros;
    for (int row = 0; row < kButtonCount; ++row) {
        section(text, numbered(u"[BUTTONMAPPING", row), mappingLine(profile, row, lookup));
        if (profile.mappings[kRowSlot[row]].mappingType == BUTTON_MAPPING_MACRO)
            macros[row] = linkedMacro(profile, row, lookup);
    }
    for (const auto& name : macros)
        if (name)
            if (const auto macro = lookup.macro(*name)) text += macroBlockText(*macro);
    return text;
}

std::u16string macroBlockText(const ExchangeMacro& macro) {
    std::u16string text;
    blockHead(text, u"Macro");
    section(text, u"[MACRONAME]", quoted(macro.name));
    const std::size_t count = std::min<std::size_t>(macro.events.size(), kMaxMacroEvents);
    section(text, u"[MACROELEMENTS]", decimalText(static_cast<std::int64_t>(count)));
    for (std::size_t i = 0; i <= count; ++i) {
        const MacroEvent& event = i < count ? macro.events[i] : macro.end;
        static constexpr char digits[] = "0123456789ABCDEF";
        std::u16string code;
        for (int shift = 12; shift >= 0; shift -= 4) code += digits[(event.code >> shift) & 0xF];
        const bool mouse = event.code & 0x7E00;
        section(
            text, numbered(u"[MACROELEMENT", static_cast<int>(i)),
            (mouse ? u"Mousecode: " : u"Scancode: ") + code + u" Scantime: " + decimalText(event.time));
    }
    return text;
}

std::optional<std::u16string> readTextFile(FileSystem& files, const std::u16string& path) {
    std::string bytes;
    if (!files.read(path, bytes)) return std::nullopt;
    return decodeUtf16le(bytes);
}

bool writeTextFile(FileSystem& files, const std::u16string& path, std::u16string_view text) {
    return files.replace(path, encodeUtf16le(text));
}

std::u16string sideFilePath(const std::u16string& folder, int number) {
    return folder + u"\\MarloProfile" + decimalText(number) + u".dat";
}

void mergeProfiles(std::u16string_view text, std::u16string_view nameFilter,
                   const std::function<ExchangeProfile*(const std::u16string&)>& find,
                   const ExchangeLookup& lookup) {
    for (const ProfileBlock& block : readProfileBlocks(text, nameFilter)) {
        ExchangeProfile* profile = find(block.name);
        if (!profile) return;
        mergeInto(block, *profile, lookup);
    }
}

void mergeSideFiles(FileSystem& files, const std::u16string& folder,
                    const std::function<ExchangeProfile*(const std::u16string&)>& find,
                    const ExchangeLookup& lookup) {
    for (int n = 0; n < kSideFileCount; ++n)
        if (const auto text = readTextFile(files, sideFilePath(folder, n)))
            mergeProfiles(*text, {}, find, lookup);
}

bool writeSideFiles(FileSystem& files, const std::u16string& folder,
                    const std::vector<ExchangeProfile>& profiles, const ExchangeLookup& lookup) {
    bool all = true;
    int n = 0;
    for (const ExchangeProfile& profile : profiles)
        all = writeTextFile(files, sideFilePath(folder, n++), profileBlockText(profile, lookup)) &&
              all;
    for (; n < kSideFileCount; ++n) all = files.remove(sideFilePath(folder, n)) && all;
    return all;
}

}  // namespace tessel::formats
