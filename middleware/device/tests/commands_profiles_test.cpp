// The mouse's five onboard profiles against the simulated mouse.
#include "middleware/device/onboard_profiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "middleware/device/tests/commands_fixture.h"

namespace tessel::device::testing {
namespace {

using namespace records;
using ::testing::ElementsAre;
using ::testing::Each;

using OnboardProfiles = CommandsTest;

// (command, byte 9, read flag) of each request.
std::vector<std::array<int, 3>> trail(const std::vector<DovaReport>& sent) {
    std::vector<std::array<int, 3>> out;
    for (const DovaReport& r : sent) out.push_back({r[4], r[9], r[3]});
    return out;
}
using Step = std::array<int, 3>;
constexpr int kRead = 1, kWrite = 0;

// Profiles in use besides profile 1, each a copy of the default profile with a name.
void useProfiles(sim::MouseState& s, std::initializer_list<int> numbers) {
    for (int n : numbers) {
        s.profile(n) = sim::defaultProfile();
        s.profile(n).name = sim::nameRecord(u"P" + std::u16string(1, static_cast<char16_t>(u'0' + n)));
    }
}

void freeAll(sim::MouseState& s) {
    for (int n = 1; n <= 5; ++n) s.profile(n).name = sim::freeName();
}

TEST_F(OnboardProfiles, GetProfileCountsTheNumbersInUse) {
    change([](sim::MouseState& s) { useProfiles(s, {3, 5}); });
    struct Case {
        std::int32_t index;
        HResult status;
        std::uint8_t number;
    };
    for (const Case c : {Case{0, hr::ok, 1}, {1, hr::ok, 3}, {2, hr::ok, 5}, {3, hr::fail, 0}, {4, hr::fail, 0},
                         {5, hr::invalidArg, 0}, {-1, hr::invalidArg, 0}}) {
        std::uint8_t number = 0;
        EXPECT_EQ(GetProfile(handler(), c.index, number), c.status) << c.index;
        EXPECT_EQ(number, c.number) << c.index;
    }
    clearLog();
    std::uint8_t number = 0;
    ASSERT_EQ(GetProfile(handler(), 1, number), hr::ok);
    // Name records of 1 to 3, then the opening of 3: its name record and its profile block.
    EXPECT_THAT(trail(requests()), ElementsAre(Step{0x22, 1, kRead}, Step{0x22, 2, kRead}, Step{0x22, 3, kRead},
                                               Step{0x22, 3, kRead}, Step{0x06, 3, kRead}));
}

TEST_F(OnboardProfiles, GetProfileOnAnEmptyMouseCreatesAndActivatesProfile1) {
    change([](sim::MouseState& s) {
        freeAll(s);
        s.activeProfile = 4;
        s.current = {0, 0};
    });
    std::uint8_t number = 0;
    ASSERT_EQ(GetProfile(handler(), 3, number), hr::ok);  // whatever the index
    EXPECT_EQ(number, 1);

    const sim::MouseState after = state();
    sim::Profile expected = sim::defaultProfile();
    expected.name.fill(0);  // empty name
    EXPECT_EQ(after.profile(1), expected);
    EXPECT_EQ(after.activeProfile, 1);
    EXPECT_EQ(after.currentStage, 3);
    EXPECT_EQ(after.current, (sim::StageCodes{56, 56}));
    EXPECT_TRUE(after.profile(2).free());

    const std::vector<DovaReport> sent = requests();
    EXPECT_THAT(trail(sent), ElementsAre(Step{0x22, 1, kRead}, Step{0x22, 2, kRead}, Step{0x22, 3, kRead},
                                         Step{0x22, 4, kRead}, Step{0x22, 5, kRead},  // none in use
                                         Step{0x22, 1, kRead}, Step{0x06, 1, kWrite}, Step{0x22, 1, kWrite},
                                         Step{0x06, 1, kRead}, Step{0x05, 0, kRead},  // active: 4
                                         Step{0x05, 0, kRead}, Step{0x05, 1, kWrite}));
    // The creation's name read goes out preset to 0xFF; the writes are the default profile and
    // an empty name.
    EXPECT_THAT(bytesOf(sent[5], 10, 79), Each(0xFF));
    EXPECT_EQ(bytesOf(sent[6], 0, 65), bytesOf(DefaultProfileBlock(1), 0, 65));
    EXPECT_EQ(sent[7][5], 0x29);
    EXPECT_THAT(bytesOf(sent[7], 10, 40), Each(0));
}

TEST_F(OnboardProfiles, OpenProfile) {
    change([](sim::MouseState& s) { useProfiles(s, {2}); });
    EXPECT_EQ(OpenProfile(handler(), 2), hr::ok);
    EXPECT_EQ(OpenProfile(handler(), 3), hr::fail);  // free
    EXPECT_EQ(requests().size(), 3u);
    clearLog();
    EXPECT_EQ(OpenProfile(handler(), 0), hr::invalidArg);
    EXPECT_EQ(OpenProfile(handler(), 6), hr::invalidArg);
    EXPECT_EQ(accesses(), 0u);
}

TEST_F(OnboardProfiles, SetActiveProfileTakesTheDefaultStage) {
    change([](sim::MouseState& s) {
        useProfiles(s, {2});
        s.profile(2).defaultStage = 2;
        s.profile(2).stages[1] = {40, 44};
        s.pollingCode = 8;
    });
    ASSERT_EQ(SetActiveProfile(handler(), 2), hr::ok);
    const sim::MouseState after = state();
    EXPECT_EQ(after.activeProfile, 2);
    EXPECT_EQ(after.currentStage, 2);
    EXPECT_EQ(after.current, (sim::StageCodes{40, 44}));
    EXPECT_EQ(after.pollingCode, 8);  // carried

    clearLog();
    ASSERT_EQ(SetActiveProfile(handler(), 2), hr::ok);  // already active: no write
    EXPECT_THAT(trail(requests()), ElementsAre(Step{0x06, 2, kRead}, Step{0x05, 0, kRead}));
    EXPECT_EQ(requests()[1][5], 1);  // active profile read with param 1

    EXPECT_EQ(SetActiveProfile(handler(), 0), hr::invalidArg);
    EXPECT_EQ(SetActiveProfile(handler(), 6), hr::invalidArg);
}

TEST_F(OnboardProfiles, SetActiveProfileWithAStageOutsideTheTableKeepsTheSensitivity) {
    change([](sim::MouseState& s) {
        useProfiles(s, {2});
        s.profile(2).defaultStage = 0;
        s.current = {30, 31};
    });
    ASSERT_EQ(SetActiveProfile(handler(), 2), hr::ok);
    EXPECT_EQ(state().activeProfile, 2);
    EXPECT_EQ(state().currentStage, 0);
    EXPECT_EQ(state().current, (sim::StageCodes{30, 31}));
}

TEST_F(OnboardProfiles, CreateProfileTakesTheFirstFreeNumber) {
    change([](sim::MouseState& s) { useProfiles(s, {2, 4}); });
    std::uint8_t number = 0;
    ASSERT_EQ(CreateProfile(handler(), number), hr::ok);
    EXPECT_EQ(number, 3);
    EXPECT_EQ(state().profile(3).buttons, sim::defaultProfile().buttons);
    EXPECT_FALSE(state().profile(3).free());

    change([](sim::MouseState& s) { useProfiles(s, {5}); });
    clearLog();
    number = 0;
    EXPECT_EQ(CreateProfile(handler(), number), hr::outOfMemory);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(requests().size(), 5u);  // five reads, no write
}

TEST_F(OnboardProfiles, CreateProfileNeverOverwritesAProfileItCouldNotRead) {
    const sim::Profile before = state().profile(1);
    answerStatuses({kRefused});
    std::uint8_t number = 0;
    EXPECT_EQ(CreateProfile(handler(), number), hr::fail);
    EXPECT_EQ(requests().size(), 1u);
    EXPECT_EQ(state().profile(1), before);
}

TEST_F(OnboardProfiles, DeleteProfile) {
    change([](sim::MouseState& s) {
        useProfiles(s, {2, 3});
        s.activeProfile = 2;
    });
    EXPECT_EQ(DeleteProfile(handler(), 1), hr::accessDenied);
    EXPECT_EQ(accesses(), 0u);
    EXPECT_EQ(DeleteProfile(handler(), 2), hr::accessDenied);  // the active one
    EXPECT_EQ(requests().size(), 1u);
    EXPECT_EQ(DeleteProfile(handler(), 0), hr::invalidArg);

    clearLog();
    ASSERT_EQ(DeleteProfile(handler(), 3), hr::ok);
    const std::vector<DovaReport> sent = requests();
    EXPECT_THAT(trail(sent), ElementsAre(Step{0x05, 0, kRead}, Step{0x07, 3, kWrite}, Step{0x22, 3, kWrite}));
    EXPECT_EQ(sent[1][5], 1);
    EXPECT_THAT(bytesOf(sent[2], 10, 40), Each(0xFF));
    EXPECT_TRUE(state().profile(3).free());
    EXPECT_FALSE(state().profile(2).free());
}

TEST_F(OnboardProfiles, ActiveNumberAndUse) {
    change([](sim::MouseState& s) {
        useProfiles(s, {4});
        s.activeProfile = 4;
    });
    std::int32_t active = 0;
    ASSERT_EQ(GetActiveProfileNumber(handler(), active), hr::ok);
    EXPECT_EQ(active, 4);
    EXPECT_EQ(requests().back()[5], 1);

    EXPECT_EQ(IsProfileInUse(handler(), 4), hr::ok);
    EXPECT_EQ(IsProfileInUse(handler(), 2), hr::fail);
    EXPECT_EQ(IsProfileInUse(handler(), 0), hr::invalidArg);
    EXPECT_EQ(IsProfileInUse(handler(), 6), hr::invalidArg);
    answerStatuses({kRefused});
    EXPECT_EQ(IsProfileInUse(handler(), 2), hr::ok);  // unreadable counts as in use
}

TEST_F(OnboardProfiles, Names) {
    ASSERT_EQ(SetProfileName(handler(), 1, u"Sniper \u00e9"), hr::ok);
    EXPECT_EQ(sim::nameText(state().profile(1).name), u"Sniper \u00e9");
    EXPECT_EQ(requests().back()[5], 0x29);
    std::u16string name;
    ASSERT_EQ(GetProfileName(handler(), 1, name), hr::ok);
    EXPECT_EQ(name, u"Sniper \u00e9");
    ASSERT_EQ(GetProfileName(handler(), 2, name), hr::ok);
    EXPECT_EQ(name, u"");  // free

    clearLog();
    EXPECT_EQ(SetProfileName(handler(), 1, std::u16string(20, u'n')), hr::fail);
    EXPECT_EQ(accesses(), 0u);
    ASSERT_EQ(SetProfileName(handler(), 1, std::u16string(19, u'n')), hr::ok);
    ASSERT_EQ(GetProfileName(handler(), 1, name), hr::ok);
    EXPECT_EQ(name, std::u16string(19, u'n'));
}

TEST_F(OnboardProfiles, NameRecordWithoutTerminator) {
    change([](sim::MouseState& s) { s.profile(1).name.fill('z'); });
    std::u16string name = u"kept";
    EXPECT_EQ(GetProfileName(handler(), 1, name), hr::fail);
    EXPECT_EQ(name, u"kept");
}

TEST_F(OnboardProfiles, ButtonMappings) {
    std::array<_TButtonMappingInfo, 9> mappings{};
    ASSERT_EQ(GetButtonMappings(handler(), 1, mappings), hr::ok);
    const _TMouseButtonType defaults[] = {MOUSE_BUTTON_CLICK, MOUSE_BUTTON_MENU, MOUSE_BUTTON_UNIVERSAL_SCROLLING,
                                          MOUSE_BUTTON_WINDOWS_BUTTON_5, MOUSE_BUTTON_WINDOWS_BUTTON_4, MOUSE_BUTTON_DPI_DOWN,
                                          MOUSE_BUTTON_DPI_UP, MOUSE_BUTTON_SCROLL_UP, MOUSE_BUTTON_SCROLL_DOWN};
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(mappings[i].lButton, static_cast<_TButtonDefinitionType>(i + 1)) << i;
        EXPECT_EQ(mappings[i].mappingType, BUTTON_MAPPING_BUTTONS) << i;
        EXPECT_EQ(mappings[i].actionOrMacro.actionInfo.info.buttonInfo.button, defaults[i]) << i;
    }

    _TButtonMappingInfo changed[2] = {mappings[0], mappings[1]};
    changed[1].mappingType = BUTTON_MAPPING_MACRO;
    changed[1].actionOrMacro.actionInfo.info.macroInfo = {4, 0, 0};
    const sim::Profile before = state().profile(1);
    ASSERT_EQ(SetButtonMappings(handler(), 1, changed), hr::ok);
    sim::Profile expected = before;
    expected.buttons[1] = {2, 0x41, 3, 0};
    EXPECT_EQ(state().profile(1), expected);

    clearLog();
    const std::vector<_TButtonMappingInfo> ten(10, mappings[0]);
    EXPECT_EQ(SetButtonMappings(handler(), 1, ten), hr::invalidArg);
    EXPECT_EQ(accesses(), 0u);
}

TEST_F(OnboardProfiles, WithoutADriverHandler) {
    std::uint8_t number = 0;
    std::int32_t active = 0;
    std::u16string name;
    std::array<_TButtonMappingInfo, 9> mappings{};
    for (HResult status : {GetProfile(nullptr, 0, number), OpenProfile(nullptr, 1), SetActiveProfile(nullptr, 1),
                           CreateProfile(nullptr, number), DeleteProfile(nullptr, 2),
                           GetActiveProfileNumber(nullptr, active), IsProfileInUse(nullptr, 1),
                           GetProfileName(nullptr, 1, name), SetProfileName(nullptr, 1, u"x"),
                           GetButtonMappings(nullptr, 1, mappings), SetButtonMappings(nullptr, 1, mappings)})
        EXPECT_EQ(status, hr::fail);
    EXPECT_EQ(accesses(), 0u);
}

}  // namespace
}  // namespace tessel::device::testing
