#include "tools/tesselctl/text_forms.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>

#include "middleware/store/xml_exchange_file.h"
#include "tools/tesselctl/command_line.h"

namespace tessel::ctl {
namespace rec = tessel::records;
namespace {

// Names indexed by value; empty where a value has none.
template <std::size_t N>
std::optional<std::int32_t> lookUp(const std::array<const char*, N>& names, std::string_view text) {
    for (std::size_t i = 0; i < N; ++i)
        if (*names[i] && text == names[i]) return static_cast<std::int32_t>(i);
    return std::nullopt;
}
template <std::size_t N>
const char* nameOf(const std::array<const char*, N>& names, std::int32_t value) {
    return value >= 0 && static_cast<std::size_t>(value) < N && *names[value] ? names[value] : nullptr;
}

// _TButtonDefinitionType values.
constexpr std::array<const char*, 18> kButtons = {
    "",        "left",   "right",    "middle",    "button5", "button4", "dpi-up",   "dpi-down", "scroll-up",
    "scroll-down", "",   "x1",       "x2",        "x3",      "x4",      "x5",       "modifier", "otfs"};
constexpr const char* kModifierPrefix = "mod+";

// _TMouseButtonType values: what a button does on the mouse itself.
constexpr std::array<const char*, 15> kButtonFunctions = {
    "off",       "click",       "menu",     "universal-scroll", "button5",  "button4",
    "button6",   "button7",     "scroll-up", "scroll-down",     "otf-sensitivity",
    "dpi-up",    "dpi-down",    "double-click", "stop"};

// _TMouseClickType values.
constexpr std::array<const char*, 12> kClicks = {
    "left",           "right",          "middle",    "button4",   "button5",       "double-left",
    "double-right",   "double-middle",  "double-button4", "double-button5", "scroll-up", "scroll-down"};

constexpr std::array<const char*, 3> kMacroModes = {"count", "until-same", "until-released"};
constexpr std::array<const char*, 3> kMacroTypes = {"action", "keystroke", "macro"};

constexpr std::uint32_t kMaxMouseDelay = 0xFFFFFF;  // a 24-bit delay on the mouse

std::string hexByte(std::uint32_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02" PRIX32, value);
    return text;
}

// The four words of an action: its type and the three words of _TInfo.
std::array<std::int32_t, 4> words(const rec::_TActionInfo& action) {
    const rec::_TRawValueInfo& raw = action.info.rawValueInfo;
    return {static_cast<std::int32_t>(action.actionType), raw.lValue1, raw.lValue2, raw.lReserved};
}
rec::_TActionInfo action(std::int32_t type, std::int32_t w1 = 0, std::int32_t w2 = 0, std::int32_t w3 = 0) {
    rec::_TActionInfo result{};
    result.actionType = static_cast<rec::_TButtonActionType>(type);
    result.info.rawValueInfo = {w1, w2, w3};
    return result;
}

// "WORD:REST" split at the first ':'.
std::optional<std::pair<std::string_view, std::string_view>> splitKind(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    return std::pair{text.substr(0, colon), text.substr(colon + 1)};
}

std::vector<std::string_view> splitList(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t at = 0;
    for (;;) {
        const std::size_t next = text.find(separator, at);
        parts.push_back(text.substr(at, next - at));
        if (next == std::string_view::npos) return parts;
        at = next + 1;
    }
}

// Numbers of a "A,B,…" list, each within the 32-bit range.
std::vector<std::int32_t> numberList(std::string_view text, std::size_t count, std::string_view what) {
    const std::vector<std::string_view> parts = splitList(text, ',');
    if (parts.size() != count)
        throw UsageError(std::string(what) + " takes " + std::to_string(count) + " numbers separated by commas, not \"" +
                         std::string(text) + "\"");
    std::vector<std::int32_t> numbers;
    for (std::string_view part : parts) numbers.push_back(static_cast<std::int32_t>(parseNumber(part, INT32_MIN, INT32_MAX, what)));
    return numbers;
}

std::string joinNumbers(std::initializer_list<std::int32_t> numbers) {
    std::string text;
    for (std::int32_t n : numbers) text += (text.empty() ? "" : ",") + std::to_string(n);
    return text;
}

std::u16string toU16(std::string_view utf8) { return store::decodeUtf8(utf8); }
std::string toUtf8(const std::u16string& text) { return store::encodeUtf8(text); }

// A word as a macro description reads it back: quoted when it holds blanks, quotes or nothing.
std::string quoted(const std::string& text) {
    if (!text.empty() && text.find_first_of(" \t\"\\") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// The words of a description: blanks separate them outside double quotes.
std::vector<std::string> tokens(const std::vector<std::string>& words) {
    std::vector<std::string> out;
    for (const std::string& word : words) {
        std::string current;
        bool inWord = false, inQuotes = false;
        for (std::size_t i = 0; i < word.size(); ++i) {
            const char c = word[i];
            if (inQuotes) {
                if (c == '\\' && i + 1 < word.size() && (word[i + 1] == '"' || word[i + 1] == '\\')) {
                    current += word[++i];
                } else if (c == '"') {
                    inQuotes = false;
                } else {
                    current += c;
                }
            } else if (c == ' ' || c == '\t') {
                if (inWord) out.push_back(std::exchange(current, {}));
                inWord = false;
            } else {
                inWord = true;
                if (c == '"')
                    inQuotes = true;
                else
                    current += c;
            }
        }
        if (inQuotes) throw UsageError("a double quote is not closed in \"" + word + "\"");
        if (inWord) out.push_back(current);
    }
    return out;
}

// "30ms" → 30.
std::optional<std::int64_t> milliseconds(std::string_view text, std::int64_t max) {
    if (text.size() < 3 || text.substr(text.size() - 2) != "ms") return std::nullopt;
    return parseNumber(text.substr(0, text.size() - 2), 0, max, "a time in ms");
}

std::int32_t scanCode(std::string_view text) {
    return static_cast<std::int32_t>(parseNumber(text, 0, 0xFF, "a scan code"));
}

std::int32_t clickType(std::string_view text) {
    if (auto click = lookUp(kClicks, text)) return *click;
    throw UsageError("unknown click \"" + std::string(text) +
                     "\" (left, right, middle, button4, button5, double-left, …, scroll-up, scroll-down)");
}

}  // namespace

void checkNameLength(std::string_view utf8) {
    if (toU16(utf8).size() > kMaxNameCharacters)
        throw UsageError("a name holds at most " + std::to_string(kMaxNameCharacters) + " characters");
}

// --- buttons and their functions ---

std::string buttonName(std::int32_t button) {
    const bool modified = (button & rec::BUTTON_DEFINITION_FLAG_MODIFIER) != 0;
    const std::int32_t plain = button & rec::BUTTON_DEFINITION_MASK;
    if (modified && (button & ~(rec::BUTTON_DEFINITION_FLAG_MODIFIER | rec::BUTTON_DEFINITION_MASK)) != 0)
        return std::to_string(button);
    const char* name = nameOf(kButtons, plain);
    const std::string text = name ? name : std::to_string(plain);
    return modified ? kModifierPrefix + text : text;
}

std::int32_t parseButton(std::string_view text) {
    std::int32_t flag = 0;
    if (text.starts_with(kModifierPrefix)) {
        flag = rec::BUTTON_DEFINITION_FLAG_MODIFIER;
        text.remove_prefix(std::string_view(kModifierPrefix).size());
    }
    if (auto button = lookUp(kButtons, text)) return flag | *button;
    if (!text.empty() && text.front() >= '0' && text.front() <= '9')
        return flag | static_cast<std::int32_t>(parseNumber(text, 1, rec::BUTTON_DEFINITION_MASK, "a button number"));
    throw UsageError("unknown button \"" + std::string(text) +
                     "\" (left, right, middle, button4, button5, dpi-up, dpi-down, scroll-up, scroll-down)");
}

const char* const kFunctionHelp = R"(FUNCTION is one of
  click, menu, universal-scroll, button4, button5, button6, button7, scroll-up, scroll-down,
  otf-sensitivity, dpi-up, dpi-down, double-click, stop, off   what the button does
  disabled                   the button does nothing
  stage:N, profile:N         select sensitivity stage N or onboard profile N (1-5)
  macro:ID[,WORD]            run onboard macro ID (mouse); macro:NAME a stored macro (store)
  key:SCANCODE               press a key, e.g. key:0x1E (mouse only)
  action:NAME                a stored user action (store only)
  media:V1,V2, advanced:V1,V2  multimedia or advanced function by its two raw values
  raw:TYPE,ACTION,W1,W2,W3   any other mapping by its numbers (store only)
)";

std::string functionText(const store::ButtonMapping& mapping, Place place) {
    const auto [actionType, w1, w2, w3] = words(mapping.action);
    const std::string raw = "raw:" + joinNumbers({mapping.mappingType, actionType, w1, w2, w3});
    switch (mapping.mappingType) {
    case rec::BUTTON_MAPPING_DISABLED:
        return "disabled";
    case rec::BUTTON_MAPPING_DEVICE_ACTION:
        // The mouse keeps only the property and its value; the action type is not one of them.
        if (w1 == rec::PROPERTY_DPI_STAGE) return "stage:" + std::to_string(w3);
        if (w1 == rec::PROPERTY_PROFILE) return "profile:" + std::to_string(w3);
        return raw;
    case rec::BUTTON_MAPPING_MACRO:
        if (place == Place::store) return "macro:" + toUtf8(mapping.name);
        return "macro:" + std::to_string(w1) + (w2 ? "," + std::to_string(w2) : "");
    case rec::BUTTON_MAPPING_USER_ACTION:
        if (place == Place::store) return "action:" + toUtf8(mapping.name);
        return actionType == rec::BUTTON_ACTION_KEYCODE && w1 >= 0 && w1 <= 0xFF ? "key:" + hexByte(w1) : raw;
    case rec::BUTTON_MAPPING_MULTIMEDIA:
    case rec::BUTTON_MAPPING_ADVANCED:
        if (actionType != rec::BUTTON_ACTION_RAW_VALUE) return raw;
        return std::string(mapping.mappingType == rec::BUTTON_MAPPING_MULTIMEDIA ? "media:" : "advanced:") +
               joinNumbers({w1, w2});
    case rec::BUTTON_MAPPING_BUTTONS:
        if (const char* name = nameOf(kButtonFunctions, w1); name && actionType == rec::BUTTON_ACTION_PRESSED)
            return name;
        return raw;
    default:
        return raw;
    }
}

void parseFunction(std::string_view text, Place place, store::ButtonMapping& mapping) {
    mapping.name.clear();
    mapping.action = action(rec::BUTTON_ACTION_CLICK);
    if (text == "disabled") {
        mapping.mappingType = rec::BUTTON_MAPPING_DISABLED;
        return;
    }
    if (auto function = lookUp(kButtonFunctions, text)) {
        mapping.mappingType = rec::BUTTON_MAPPING_BUTTONS;
        mapping.action = action(rec::BUTTON_ACTION_PRESSED, *function);
        return;
    }
    const auto parts = splitKind(text);
    if (!parts) throw UsageError("unknown function \"" + std::string(text) + "\"");
    const auto [kind, value] = *parts;
    auto onlyOn = [&](Place required) {
        if (place != required)
            throw UsageError("\"" + std::string(kind) + ":\" mappings belong to " +
                             (required == Place::mouse ? "the mouse's profiles" : "stored profiles"));
    };
    if (kind == "stage" || kind == "profile") {
        mapping.mappingType = rec::BUTTON_MAPPING_DEVICE_ACTION;
        const auto number = static_cast<std::int32_t>(parseNumber(value, 1, 5, kind == "stage" ? "a stage" : "a profile number"));
        mapping.action = action(rec::BUTTON_ACTION_PROPERTY_CHANGE,
                                kind == "stage" ? rec::PROPERTY_DPI_STAGE : rec::PROPERTY_PROFILE, 0, number);
    } else if (kind == "macro") {
        mapping.mappingType = rec::BUTTON_MAPPING_MACRO;
        if (place == Place::store) {
            if (value.empty()) throw UsageError("macro: needs the name of a stored macro");
            mapping.name = toU16(value);
        } else {
            const std::vector<std::string_view> numbers = splitList(value, ',');
            if (numbers.size() > 2) throw UsageError("macro:ID takes an id and at most one further word");
            const auto id = static_cast<std::int32_t>(parseNumber(numbers[0], 1, 256, "a macro id"));
            const auto word = numbers.size() == 2 ? static_cast<std::int32_t>(parseNumber(numbers[1], 0, 0xFF, "the macro word")) : 0;
            mapping.action = action(rec::BUTTON_ACTION_CLICK, id, word);
        }
    } else if (kind == "key") {
        onlyOn(Place::mouse);
        mapping.mappingType = rec::BUTTON_MAPPING_USER_ACTION;
        mapping.action = action(rec::BUTTON_ACTION_KEYCODE, scanCode(value));
    } else if (kind == "action") {
        onlyOn(Place::store);
        if (value.empty()) throw UsageError("action: needs the name of a stored user action");
        mapping.mappingType = rec::BUTTON_MAPPING_USER_ACTION;
        mapping.name = toU16(value);
    } else if (kind == "media" || kind == "advanced") {
        const std::vector<std::int32_t> values = numberList(value, 2, kind);
        mapping.mappingType = kind == "media" ? rec::BUTTON_MAPPING_MULTIMEDIA : rec::BUTTON_MAPPING_ADVANCED;
        mapping.action = action(rec::BUTTON_ACTION_RAW_VALUE, values[0], values[1]);
    } else if (kind == "raw") {
        // The mouse reads back only the functions that have names; anything else would stay on
        // it as a code nobody can read.
        onlyOn(Place::store);
        const std::vector<std::int32_t> values = numberList(value, 5, "raw");
        mapping.mappingType = values[0];
        mapping.action = action(values[1], values[2], values[3], values[4]);
        if (mapping.namesEntry()) throw UsageError("raw mappings of type 2 and 3 name a macro or action: use macro: or action:");
    } else {
        throw UsageError("unknown function \"" + std::string(text) + "\"");
    }
}

store::ButtonMapping parseMapping(std::string_view text, Place place) {
    const auto assignment = splitAssignment(text);
    if (!assignment) throw UsageError("a mapping is written BUTTON=FUNCTION, not \"" + std::string(text) + "\"");
    store::ButtonMapping mapping;
    mapping.button = parseButton(assignment->first);
    parseFunction(assignment->second, place, mapping);
    return mapping;
}

// --- macros ---

const char* const kMacroHelp = R"(A macro DESCRIPTION is a list of words:
  name=TEXT, delay=MS        the macro's name and fixed delay on the mouse (which keeps at
                             least 10 ms)
  version=N, repeat=N, mode=count|until-same|until-released, type=action|keystroke|macro,
  icon=TEXT                  the header of a stored macro
  down:SCANCODE, up:SCANCODE a key going down or up, e.g. down:0x1E
  press:CLICK, release:CLICK a mouse button going down or up; click:CLICK does both
                             (CLICK: left, right, middle, button4, button5; stored macros also
                             double-left … double-button5, scroll-up, scroll-down)
  raw:ACTION,W1,W2,W3        any element by its numbers
  NNNms                      the delay after the element before it
  hold:NNNms                 the hold time of the element before it (stored macros)
Quote words with blanks: name="Two words".
)";

std::string elementText(const rec::_TMacroElement& element) {
    const auto [type, w1, w2, w3] = words(element.action);
    if (type == rec::BUTTON_ACTION_KEYCODE && w1 >= 0 && w1 <= 0xFF && w3 == 0 &&
        (w2 == rec::KEYCODE_CLICK_OPTIONS_NONE || w2 == rec::KEYCODE_OPTIONS_BREAK))
        return (w2 == rec::KEYCODE_CLICK_OPTIONS_NONE ? "down:" : "up:") + hexByte(w1);
    if (const char* click = nameOf(kClicks, w1); click && type == rec::BUTTON_ACTION_CLICK && w3 == 0 &&
                                                 (w2 == rec::KEYCODE_CLICK_OPTIONS_NONE || w2 == rec::KEYCODE_OPTIONS_BREAK))
        return std::string(w2 == rec::KEYCODE_CLICK_OPTIONS_NONE ? "press:" : "release:") + click;
    return "raw:" + joinNumbers({type, w1, w2, w3});
}

std::string formatMacro(const MacroDescription& description, Place place) {
    std::vector<std::string> out;
    const store::Macro& macro = description.macro;
    if (place == Place::mouse) {
        out.push_back("name=" + quoted(description.name.value_or("")));
        out.push_back("delay=" + std::to_string(description.fixedDelay.value_or(0)));
    } else {
        out.push_back("version=" + std::to_string(macro.version));
        const char* mode = nameOf(kMacroModes, macro.options);
        out.push_back("mode=" + (mode ? std::string(mode) : std::to_string(macro.options)));
        const char* type = nameOf(kMacroTypes, macro.type);
        out.push_back("type=" + (type ? std::string(type) : std::to_string(macro.type)));
        out.push_back("repeat=" + std::to_string(macro.repeat));
        out.push_back("icon=" + quoted(toUtf8(macro.iconFile)));
    }
    const auto& elements = macro.elements;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const rec::_TMacroElement& element = elements[i];
        const std::string text = elementText(element);
        // A press straight followed by the release of the same button reads as one click.
        if (text.starts_with("press:") && element.lDelayMs == 0 && element.lHoldMs == 0 && i + 1 < elements.size() &&
            elementText(elements[i + 1]) == "release:" + text.substr(6)) {
            out.push_back("click:" + text.substr(6));
            ++i;
        } else {
            out.push_back(text);
        }
        if (elements[i].lHoldMs) out.push_back("hold:" + std::to_string(elements[i].lHoldMs) + "ms");
        if (elements[i].lDelayMs) out.push_back(std::to_string(elements[i].lDelayMs) + "ms");
    }
    std::string text;
    for (const std::string& word : out) text += (text.empty() ? "" : " ") + word;
    return text;
}

MacroDescription parseMacro(const std::vector<std::string>& words, Place place) {
    MacroDescription description;
    store::Macro& macro = description.macro;
    if (place == Place::store) {
        macro.type = rec::MACRO_TYPE_KEYSTROKE;  // what the mouse's macros are, too
        macro.repeat = 1;
    }
    const std::int64_t maxDelay = place == Place::mouse ? kMaxMouseDelay : INT32_MAX;
    auto previous = [&](std::string_view word) -> rec::_TMacroElement& {
        if (macro.elements.empty()) throw UsageError("\"" + std::string(word) + "\" follows no element");
        return macro.elements.back();
    };
    auto onlyOn = [&](Place required, std::string_view word) {
        if (place != required)
            throw UsageError("\"" + std::string(word) + "\" is not kept " +
                             (place == Place::mouse ? "on the mouse" : "in the settings store"));
    };
    for (const std::string& word : tokens(words)) {
        if (word.starts_with("hold:")) {
            onlyOn(Place::store, "hold:");
            const auto hold = milliseconds(std::string_view(word).substr(5), INT32_MAX);
            if (!hold) throw UsageError("hold: takes a time such as hold:50ms");
            previous(word).lHoldMs = static_cast<std::int32_t>(*hold);
        } else if (auto delay = milliseconds(word, maxDelay)) {
            rec::_TMacroElement& element = previous(word);
            if (element.lDelayMs) throw UsageError("two delays follow one element at \"" + word + "\"");
            element.lDelayMs = static_cast<std::int32_t>(*delay);
        } else if (auto assignment = splitAssignment(word)) {
            const auto& [key, value] = *assignment;
            if (key == "name") {
                onlyOn(Place::mouse, "name=");
                checkNameLength(value);
                description.name = value;
            } else if (key == "delay") {
                onlyOn(Place::mouse, "delay=");
                description.fixedDelay = static_cast<std::uint32_t>(parseNumber(value, 0, kMaxMouseDelay, "the fixed delay"));
            } else if (key == "version" || key == "repeat") {
                onlyOn(Place::store, key + "=");
                (key == "version" ? macro.version : macro.repeat) =
                    static_cast<std::int32_t>(parseNumber(value, INT32_MIN, INT32_MAX, key));
            } else if (key == "mode" || key == "type") {
                onlyOn(Place::store, key + "=");
                const auto found = key == "mode" ? lookUp(kMacroModes, value) : lookUp(kMacroTypes, value);
                if (!found) throw UsageError("unknown " + key + " \"" + value + "\"");
                (key == "mode" ? macro.options : macro.type) = *found;
            } else if (key == "icon") {
                onlyOn(Place::store, "icon=");
                macro.iconFile = toU16(value);
            } else {
                throw UsageError("unknown macro setting \"" + key + "\"");
            }
        } else if (auto parts = splitKind(word)) {
            const auto [kind, value] = *parts;
            rec::_TMacroElement element{};
            if (kind == "down" || kind == "up") {
                element.action = action(rec::BUTTON_ACTION_KEYCODE, scanCode(value),
                                        kind == "down" ? rec::KEYCODE_CLICK_OPTIONS_NONE : rec::KEYCODE_OPTIONS_BREAK);
            } else if (kind == "press" || kind == "release" || kind == "click") {
                const std::int32_t click = clickType(value);
                element.action = action(rec::BUTTON_ACTION_CLICK, click,
                                        kind == "release" ? rec::KEYCODE_OPTIONS_BREAK : rec::KEYCODE_CLICK_OPTIONS_NONE);
                if (kind == "click") {
                    macro.elements.push_back(element);
                    element.action = action(rec::BUTTON_ACTION_CLICK, click, rec::KEYCODE_OPTIONS_BREAK);
                }
            } else if (kind == "raw") {
                const std::vector<std::int32_t> values = numberList(value, 4, "raw");
                element.action = action(values[0], values[1], values[2], values[3]);
            } else {
                throw UsageError("unknown macro element \"" + word + "\"");
            }
            macro.elements.push_back(element);
        } else {
            throw UsageError("unknown macro word \"" + word + "\"");
        }
    }
    return description;
}

// --- sensitivity ---

std::uint32_t parseDpi(std::string_view text) {
    const auto dpi = static_cast<std::uint32_t>(parseNumber(text, kMinDpi, kMaxDpi, "a sensitivity in DPI"));
    if (dpi % 25) throw UsageError("a sensitivity goes in steps of 25 DPI, not " + std::string(text));
    return dpi;
}

std::string formatSensitivity(Sensitivity value) {
    return value.x == value.y ? std::to_string(value.x) : std::to_string(value.x) + "x" + std::to_string(value.y);
}

Sensitivity parseSensitivity(std::string_view text) {
    const std::size_t cross = text.find('x');
    if (cross == std::string_view::npos) {
        const std::uint32_t both = parseDpi(text);
        return {both, both};
    }
    return {parseDpi(text.substr(0, cross)), parseDpi(text.substr(cross + 1))};
}

std::string formatStages(const Stages& stages) {
    std::string text;
    for (const Sensitivity& stage : stages.stages) text += (text.empty() ? "" : ",") + formatSensitivity(stage);
    if (stages.current) text += " current=" + std::to_string(stages.current);
    return text + " default=" + std::to_string(stages.defaultStage);
}

Stages parseStages(const std::vector<std::string>& words) {
    if (words.empty()) throw UsageError("missing the list of stages, e.g. 800,1600,3200");
    Stages stages;
    for (std::string_view stage : splitList(words.front(), ',')) stages.stages.push_back(parseSensitivity(stage));
    const std::size_t count = stages.stages.size();
    if (count < kMinStages || count > kMaxStages)
        throw UsageError("the mouse has 2 to 5 stages, not " + std::to_string(count));
    for (std::size_t i = 1; i < words.size(); ++i) {
        const auto assignment = splitAssignment(words[i]);
        if (!assignment || (assignment->first != "current" && assignment->first != "default"))
            throw UsageError("unexpected \"" + words[i] + "\" (current=N or default=N)");
        const long stage = static_cast<long>(parseNumber(assignment->second, 1, static_cast<std::int64_t>(count),
                                                         assignment->first + " stage"));
        (assignment->first == "current" ? stages.current : stages.defaultStage) = stage;
    }
    return stages;
}

void completeStages(Stages& wanted, const Stages& now) {
    auto fits = [&](long stage) { return stage >= 1 && static_cast<std::size_t>(stage) <= wanted.stages.size(); };
    if (!wanted.current) wanted.current = fits(now.current) ? now.current : 1;
    if (!wanted.defaultStage) wanted.defaultStage = fits(now.defaultStage) ? now.defaultStage : 1;
}

// --- lights ---

namespace {
struct Light {
    const char* name;
    long bit;
};
constexpr std::array<Light, 3> kLights = {{{"wheel", kLightWheel}, {"battery", kLightBattery}, {"dock", kLightDock}}};
constexpr long kAllLights = kLightWheel | kLightBattery | kLightDock;
}  // namespace

std::string formatLights(long status) {
    std::string text = std::to_string(status) + " (";
    for (const Light& light : kLights)
        text += std::string(light.bit == kLightWheel ? "" : ", ") + light.name + ((status & light.bit) ? " on" : " off");
    return text + ")";
}

long parseLights(std::string_view text) {
    if (text == "none") return 0;
    if (text == "all") return kAllLights;
    if (!text.empty() && text.front() >= '0' && text.front() <= '9')
        return static_cast<long>(parseNumber(text, 0, kAllLights, "the lights"));
    long status = 0;
    for (std::string_view name : splitList(text, ',')) {
        const auto found = std::find_if(kLights.begin(), kLights.end(), [&](const Light& l) { return name == l.name; });
        if (found == kLights.end())
            throw UsageError("unknown light \"" + std::string(name) + "\" (wheel, battery, dock, all, none or 0-7)");
        status |= found->bit;
    }
    return status;
}

long parsePollingRate(std::string_view text) {
    if (text == "125" || text == "500" || text == "1000") return std::stol(std::string(text));
    throw UsageError("the polling rate is 125, 500 or 1000 Hz, not \"" + std::string(text) + "\"");
}

}  // namespace tessel::ctl
