// The readable forms of tesselctl: what they read, what they print, and that printing reads back.
#include <gtest/gtest.h>

#include "tools/tesselctl/command_line.h"
#include "tools/tesselctl/json.h"
#include "tools/tesselctl/text_forms.h"

namespace tessel::ctl {
namespace {

namespace rec = tessel::records;

std::array<std::int32_t, 4> words(const rec::_TActionInfo& action) {
    return {action.actionType, action.info.rawValueInfo.lValue1, action.info.rawValueInfo.lValue2,
            action.info.rawValueInfo.lReserved};
}

store::ButtonMapping mapping(std::int32_t button, std::int32_t type, std::array<std::int32_t, 4> action,
                             std::u16string name = {}) {
    store::ButtonMapping result;
    result.button = button;
    result.mappingType = type;
    result.action.actionType = static_cast<rec::_TButtonActionType>(action[0]);
    result.action.info.rawValueInfo = {action[1], action[2], action[3]};
    result.name = std::move(name);
    return result;
}

struct MappingCase {
    const char* text;
    Place place;
    store::ButtonMapping expected;
};

TEST(ButtonMappings, ReadAndPrintTheSameText) {
    const MappingCase cases[] = {
        {"left=click", Place::mouse, mapping(1, rec::BUTTON_MAPPING_BUTTONS, {rec::BUTTON_ACTION_PRESSED, 1, 0, 0})},
        {"button5=button5", Place::mouse, mapping(4, rec::BUTTON_MAPPING_BUTTONS, {rec::BUTTON_ACTION_PRESSED, 4, 0, 0})},
        {"scroll-down=off", Place::mouse, mapping(9, rec::BUTTON_MAPPING_BUTTONS, {rec::BUTTON_ACTION_PRESSED, 0, 0, 0})},
        {"right=disabled", Place::mouse, mapping(2, rec::BUTTON_MAPPING_DISABLED, {0, 0, 0, 0})},
        {"dpi-up=stage:3", Place::mouse,
         mapping(6, rec::BUTTON_MAPPING_DEVICE_ACTION, {rec::BUTTON_ACTION_PROPERTY_CHANGE, rec::PROPERTY_DPI_STAGE, 0, 3})},
        {"dpi-down=profile:5", Place::store,
         mapping(7, rec::BUTTON_MAPPING_DEVICE_ACTION, {rec::BUTTON_ACTION_PROPERTY_CHANGE, rec::PROPERTY_PROFILE, 0, 5})},
        {"button4=macro:2", Place::mouse, mapping(5, rec::BUTTON_MAPPING_MACRO, {0, 2, 0, 0})},
        {"button4=macro:2,7", Place::mouse, mapping(5, rec::BUTTON_MAPPING_MACRO, {0, 2, 7, 0})},
        {"middle=key:0x1E", Place::mouse, mapping(3, rec::BUTTON_MAPPING_USER_ACTION, {rec::BUTTON_ACTION_KEYCODE, 0x1E, 0, 0})},
        {"left=media:3,-1", Place::mouse, mapping(1, rec::BUTTON_MAPPING_MULTIMEDIA, {rec::BUTTON_ACTION_RAW_VALUE, 3, -1, 0})},
        {"left=advanced:1,2", Place::mouse, mapping(1, rec::BUTTON_MAPPING_ADVANCED, {rec::BUTTON_ACTION_RAW_VALUE, 1, 2, 0})},
        {"x1=raw:1,2,7,8,9", Place::store, mapping(11, rec::BUTTON_MAPPING_DEVICE_ACTION, {2, 7, 8, 9})},
        {"mod+left=click", Place::store,
         mapping(rec::BUTTON_DEFINITION_FLAG_MODIFIER | 1, rec::BUTTON_MAPPING_BUTTONS, {rec::BUTTON_ACTION_PRESSED, 1, 0, 0})},
        {"left=macro:Fire: twice", Place::store, mapping(1, rec::BUTTON_MAPPING_MACRO, {0, 0, 0, 0}, u"Fire: twice")},
        {"right=action:Open mail", Place::store, mapping(2, rec::BUTTON_MAPPING_USER_ACTION, {0, 0, 0, 0}, u"Open mail")},
    };
    for (const MappingCase& c : cases) {
        SCOPED_TRACE(c.text);
        const store::ButtonMapping parsed = parseMapping(c.text, c.place);
        EXPECT_EQ(parsed.button, c.expected.button);
        EXPECT_EQ(parsed.mappingType, c.expected.mappingType);
        EXPECT_EQ(words(parsed.action), words(c.expected.action));
        EXPECT_EQ(parsed.name, c.expected.name);
        EXPECT_EQ(buttonName(parsed.button) + "=" + functionText(parsed, c.place), c.text);
    }
}

TEST(ButtonMappings, PrintWhatTheMouseDecodes) {
    // The mouse leaves the action type of its stage and profile entries as the buffer held it.
    EXPECT_EQ(functionText(mapping(6, rec::BUTTON_MAPPING_DEVICE_ACTION, {0, rec::PROPERTY_DPI_STAGE, 0, 2}), Place::mouse),
              "stage:2");
    EXPECT_EQ(functionText(mapping(7, rec::BUTTON_MAPPING_DEVICE_ACTION, {0, rec::PROPERTY_SENSITIVITY, 0, 2}), Place::mouse),
              "raw:1,0,1,0,2");
    EXPECT_EQ(functionText(mapping(1, rec::BUTTON_MAPPING_BUTTONS, {rec::BUTTON_ACTION_PRESSED, 15, 0, 0}), Place::mouse),
              "raw:6,5,15,0,0");
    EXPECT_EQ(functionText(mapping(1, rec::BUTTON_MAPPING_USER_ACTION, {rec::BUTTON_ACTION_CLICK, 0x1E, 0, 0}), Place::mouse),
              "raw:3,0,30,0,0");
    EXPECT_EQ(functionText(mapping(1, 9, {0, 0, 0, 0}), Place::mouse), "raw:9,0,0,0,0");
    EXPECT_EQ(buttonName(10), "10");
    EXPECT_EQ(buttonName(40), "40");
}

TEST(ButtonMappings, RefuseWhatTheyCannotMean) {
    const std::pair<const char*, Place> cases[] = {
        {"left", Place::mouse},                // no function
        {"left=", Place::mouse},
        {"wheel=click", Place::mouse},         // no such button
        {"left=jump", Place::mouse},
        {"left=stage:6", Place::mouse},        // stages and profiles go 1-5
        {"left=profile:0", Place::mouse},
        {"left=macro:0", Place::mouse},        // ids start at 1
        {"left=macro:", Place::store},         // a stored macro needs a name
        {"left=macro:1,2,3", Place::mouse},
        {"left=key:0x100", Place::mouse},      // a scan code is a byte
        {"left=key:0x1E", Place::store},       // the store keeps user actions, not key codes
        {"left=action:Mail", Place::mouse},    // the mouse keeps key codes, not user actions
        {"left=media:1", Place::mouse},        // two values
        {"left=raw:2,0,0,0,0", Place::store},  // a macro mapping needs its macro
        {"left=raw:1,2,3", Place::store},
        {"left=raw:6,5,15,0,0", Place::mouse}, // the mouse could not read it back
    };
    for (const auto& [text, place] : cases) {
        SCOPED_TRACE(text);
        EXPECT_THROW(parseMapping(text, place), UsageError);
    }
}

TEST(Macros, TheExampleReadsAndPrintsBack) {
    const MacroDescription macro = parseMacro({"name=Burst delay=20 down:0x1E 30ms up:0x1E click:left"}, Place::mouse);
    EXPECT_EQ(macro.name, "Burst");
    EXPECT_EQ(macro.fixedDelay, 20u);
    ASSERT_EQ(macro.macro.elements.size(), 4u);
    const std::array<std::int32_t, 4> expected[] = {
        {rec::BUTTON_ACTION_KEYCODE, 0x1E, rec::KEYCODE_CLICK_OPTIONS_NONE, 0},
        {rec::BUTTON_ACTION_KEYCODE, 0x1E, rec::KEYCODE_OPTIONS_BREAK, 0},
        {rec::BUTTON_ACTION_CLICK, rec::MOUSE_CLICK_LCLICK, rec::KEYCODE_CLICK_OPTIONS_NONE, 0},
        {rec::BUTTON_ACTION_CLICK, rec::MOUSE_CLICK_LCLICK, rec::KEYCODE_OPTIONS_BREAK, 0},
    };
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(words(macro.macro.elements[i].action), expected[i]) << i;
    EXPECT_EQ(macro.macro.elements[0].lDelayMs, 30);
    EXPECT_EQ(macro.macro.elements[1].lDelayMs, 0);
    EXPECT_EQ(formatMacro(macro, Place::mouse), "name=Burst delay=20 down:0x1E 30ms up:0x1E click:left");
}

TEST(Macros, DescriptionsReadBackUnchanged) {
    const std::pair<const char*, Place> cases[] = {
        // A click with a delay in between stays a press and a release.
        {"name=\"Two words\" delay=10 press:right 15ms release:right 70000ms down:0x02", Place::mouse},
        {"name=\"say \\\"hi\\\"\" delay=16777215", Place::mouse},
        {"name=\"\" delay=10 raw:2,4,0,3", Place::mouse},
        {"version=2 mode=until-released type=action repeat=3 icon=\"C:\\\\icons\\\\fire.ico\" click:double-left "
         "hold:40ms 25ms down:0x1D",
         Place::store},
        {"version=0 mode=count type=keystroke repeat=1 icon=\"\"", Place::store},
    };
    for (const auto& [text, place] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(formatMacro(parseMacro({text}, place), place), text);
    }
    // Words given one by one read as the same description.
    EXPECT_EQ(formatMacro(parseMacro({"name=Burst", "down:0x1E", "30ms"}, Place::mouse), Place::mouse),
              "name=Burst delay=0 down:0x1E 30ms");
}

TEST(Macros, RefuseWhatTheyCannotMean) {
    const std::pair<const char*, Place> cases[] = {
        {"30ms down:0x1E", Place::mouse},             // a delay after nothing
        {"down:0x1E 30ms 40ms", Place::mouse},        // two delays
        {"down:0x1E 16777216ms", Place::mouse},       // beyond 24 bits
        {"delay=16777216", Place::mouse},             // the fixed delay has 24 bits
        {"name=ABCDEFGHIJKLMNOPQRST", Place::mouse},  // 20 characters
        {"name=\"open", Place::mouse},
        {"repeat=2", Place::mouse},                   // store-only header
        {"down:0x1E hold:20ms", Place::mouse},
        {"name=Burst", Place::store},                 // the store names macros by their key
        {"delay=20", Place::store},
        {"mode=forever", Place::store},
        {"press:thumb", Place::mouse},
        {"down:256", Place::mouse},
        {"tap:0x1E", Place::mouse},
        {"jump", Place::mouse},
    };
    for (const auto& [text, place] : cases) {
        SCOPED_TRACE(text);
        EXPECT_THROW(parseMacro({text}, place), UsageError);
    }
}

TEST(Stages, ReadPrintAndComplete) {
    Stages stages = parseStages({"800x600,1600,3200", "default=3"});
    ASSERT_EQ(stages.stages.size(), 3u);
    EXPECT_EQ(stages.stages[0], (Sensitivity{800, 600}));
    EXPECT_EQ(stages.stages[2], (Sensitivity{3200, 3200}));
    EXPECT_EQ(stages.current, 0);  // not given
    EXPECT_EQ(stages.defaultStage, 3);

    // What is not given stays where it still fits, else goes to stage 1.
    completeStages(stages, Stages{{}, 2, 5});
    EXPECT_EQ(stages.current, 2);
    EXPECT_EQ(stages.defaultStage, 3);
    Stages shorter = parseStages({"400,800"});
    completeStages(shorter, Stages{{}, 4, 2});
    EXPECT_EQ(shorter.current, 1);
    EXPECT_EQ(shorter.defaultStage, 2);

    EXPECT_EQ(formatStages(stages), "800x600,1600,3200 current=2 default=3");
    EXPECT_EQ(formatStages(Stages{{{500, 500}, {4000, 4000}}, 0, 1}), "500,4000 default=1");
}

TEST(Stages, RefuseWhatTheMouseCannotHold) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"800"},                               // one stage
        {"100,200,300,400,500,600"},           // six stages
        {"800,1610"},                          // not a step of 25
        {"800,4025"},                          // above the range
        {"100,800"},                           // below it
        {"800x,1600"},
        {"800,1600", "current=3"},             // no third stage
        {"800,1600", "speed=2"},
    };
    for (const auto& words : cases) {
        SCOPED_TRACE(words.empty() ? "(nothing)" : words.front());
        EXPECT_THROW(parseStages(words), UsageError);
    }
}

TEST(Lights, ReadAndPrint) {
    const std::pair<const char*, long> cases[] = {
        {"0", 0}, {"7", 7}, {"none", 0}, {"all", 7}, {"wheel", 1}, {"battery,dock", 6}, {"dock,wheel", 5},
    };
    for (const auto& [text, status] : cases) EXPECT_EQ(parseLights(text), status) << text;
    EXPECT_EQ(formatLights(5), "5 (wheel on, battery off, dock on)");
    for (const char* bad : {"8", "-1", "lamp", "wheel,", ""}) EXPECT_THROW(parseLights(bad), UsageError) << bad;
}

TEST(Numbers, DecimalAndHexadecimalWithinRange) {
    EXPECT_EQ(parseNumber("0x1E", 0, 255, "n"), 30);
    EXPECT_EQ(parseNumber("-5", -10, 10, "n"), -5);
    for (const char* bad : {"", "0x", "12a", "256", "-11", "+3", "1.5"})
        EXPECT_THROW(parseNumber(bad, -10, 255, "n"), UsageError) << bad;
    EXPECT_EQ(parsePollingRate("500"), 500);
    EXPECT_THROW(parsePollingRate("250"), UsageError);
}

TEST(JsonOutput, EscapesTextAndKeepsMemberOrder) {
    const Json value = Json::object()
                           .set("name", "say \"hi\"\\\n\x01")
                           .set("list", Json::array().push(1).push(false).push(Json()))
                           .set("a", -2);
    EXPECT_EQ(value.dump(), R"({"name":"say \"hi\"\\\n\u0001","list":[1,false,null],"a":-2})");
}

}  // namespace
}  // namespace tessel::ctl
