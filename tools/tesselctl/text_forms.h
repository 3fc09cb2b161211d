#pragma once
// The readable forms in which tesselctl takes and prints the mouse's settings: button mappings,
// macros, sensitivity stages and lights. Each form reads back what it prints.
//
//   mapping    BUTTON=FUNCTION, e.g. left=click, dpi-up=stage:3, button4=macro:2, right=key:0x1E
//   macro      name=Burst delay=20 down:0x1E 30ms up:0x1E click:left
//   stages     800x800,1600,3200 current=2 default=2
//   lights     7, none, all, or a list such as wheel,dock
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "middleware/store/store_values.h"

namespace tessel::ctl {

// Where a mapping or macro lives. The mouse keeps macro ids and key codes, a name and a fixed
// delay per macro; the settings store keeps macro and user-action names and the macro header.
enum class Place { mouse, store };

// Names of the mouse's profiles and macros: a 40-byte record holds 19 characters and a
// terminator. A longer name is a UsageError.
inline constexpr std::size_t kMaxNameCharacters = 19;
void checkNameLength(std::string_view utf8);

// --- buttons and their functions ---

// "left", "right", "middle", "button5", "button4", "dpi-up", "dpi-down", "scroll-up",
// "scroll-down", "x1"…"x5", "modifier", "otfs", with "mod+" for the modifier flag; a number
// for any other value.
std::string buttonName(std::int32_t button);
std::int32_t parseButton(std::string_view text);

// FUNCTION of a mapping: disabled, a button function (click, menu, universal-scroll, button4,
// button5, button6, button7, scroll-up, scroll-down, otf-sensitivity, dpi-up, dpi-down,
// double-click, stop, off), stage:N, profile:N, macro:ID[,WORD] / macro:NAME, key:SCANCODE
// (mouse) / action:NAME (store), media:V1,V2, advanced:V1,V2, or (store only)
// raw:TYPE,ACTION,W1,W2,W3 for whatever has no other form.
std::string functionText(const store::ButtonMapping& mapping, Place place);
void parseFunction(std::string_view text, Place place, store::ButtonMapping& mapping);
// "BUTTON=FUNCTION".
store::ButtonMapping parseMapping(std::string_view text, Place place);
// The FUNCTION words a help text lists.
extern const char* const kFunctionHelp;

// --- macros ---

// A macro as its description holds it. Words: name=TEXT and delay=MS (the fixed delay) on the
// mouse; version=N, mode=count|until-same|until-released, type=action|keystroke|macro,
// repeat=N, icon=TEXT in the store. Elements in order: down:SCANCODE, up:SCANCODE,
// press:CLICK, release:CLICK, click:CLICK (a press and a release), raw:ACTION,W1,W2,W3; after
// an element NNNms is its delay and hold:NNNms (store only) its hold time. CLICK is left,
// right, middle, button4, button5 (the mouse plays only these), double-left, double-right,
// double-middle, double-button4, double-button5, scroll-up, scroll-down.
struct MacroDescription {
    std::optional<std::string> name;          // mouse only (UTF-8)
    std::optional<std::uint32_t> fixedDelay;  // mouse only
    store::Macro macro;                       // the header fields are the store's
};
std::string formatMacro(const MacroDescription& description, Place place);
// One element as a word, without click pairing: "down:0x1E".
std::string elementText(const tessel::records::_TMacroElement& element);
// Words are split further at blanks outside double quotes; "\"" and "\\" escape inside them.
MacroDescription parseMacro(const std::vector<std::string>& words, Place place);
extern const char* const kMacroHelp;

// --- sensitivity ---

struct Sensitivity {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    bool operator==(const Sensitivity&) const = default;
};
// Settable values: 125 to 4000 DPI in steps of 25 (the mouse's steps are 25 DPI).
inline constexpr std::uint32_t kMinDpi = 125;
inline constexpr std::uint32_t kMaxDpi = 4000;
std::uint32_t parseDpi(std::string_view text);
// "800" when X and Y agree, else "800x600".
std::string formatSensitivity(Sensitivity value);
Sensitivity parseSensitivity(std::string_view text);

struct Stages {
    std::vector<Sensitivity> stages;
    long current = 0;  // 1-based; 0 when not known
    long defaultStage = 0;
};
inline constexpr std::size_t kMinStages = 2;
inline constexpr std::size_t kMaxStages = 5;
std::string formatStages(const Stages& stages);
// "LIST [current=N] [default=N]"; a stage not given stays 0.
Stages parseStages(const std::vector<std::string>& words);
// Fills the stages not given from `now` where they still fit, else with stage 1.
void completeStages(Stages& wanted, const Stages& now);

// --- lights ---

inline constexpr long kLightWheel = 1;
inline constexpr long kLightBattery = 2;
inline constexpr long kLightDock = 4;
std::string formatLights(long status);
long parseLights(std::string_view text);

// --- polling rate ---
long parsePollingRate(std::string_view text);

}  // namespace tessel::ctl
