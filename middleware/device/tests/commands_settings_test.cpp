// Settings commands against the simulated mouse: the requests that reach it and what they do.
#include "middleware/device/settings_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "middleware/common/trace.h"
#include "middleware/device/tests/commands_fixture.h"

namespace tessel::device::testing {
namespace {

using namespace records;
using ::testing::ElementsAre;

using SettingsCommands = CommandsTest;

// Header bytes 3-5 (read flag, command, param) and the selector byte 9 of a request.
struct Request {
    std::uint8_t read;
    std::uint8_t command;
    std::uint8_t param;
};
std::vector<Request> headers(const std::vector<DovaReport>& sent) {
    std::vector<Request> out;
    for (const DovaReport& r : sent) out.push_back({r[3], r[4], r[5]});
    return out;
}
MATCHER_P3(Is, read, command, param, "") { return arg.read == read && arg.command == command && arg.param == param; }

TEST_F(SettingsCommands, GetDpiLevelReadsThePerformanceBlock) {
    change([](sim::MouseState& s) { s.current = {28, 36}; });
    std::uint32_t x = 0, y = 0;
    ASSERT_EQ(GetDpiLevel(handler(), x, y), hr::ok);
    EXPECT_EQ(x, 800u);
    EXPECT_EQ(y, 1000u);
    EXPECT_THAT(headers(requests()), ElementsAre(Is(1, 0x05, 0)));
}

TEST_F(SettingsCommands, SetDpiLevelWritesBackWhatItRead) {
    change([](sim::MouseState& s) {
        s.profile(2) = s.profile(1);
        s.activeProfile = 2;
        s.pollingCode = 8;
        s.currentStage = 4;
    });
    ASSERT_EQ(SetDpiLevel(handler(), 800, 800), hr::ok);
    const std::vector<DovaReport> sent = requests();
    ASSERT_THAT(headers(sent), ElementsAre(Is(1, 0x05, 0), Is(0, 0x05, 5)));
    EXPECT_THAT(bytesOf(sent[1], 0, 3), ElementsAre(0, 1, 0));
    EXPECT_THAT(bytesOf(sent[1], 9, 5), ElementsAre(2, 8, 4, 28, 28));
    EXPECT_EQ(sent[1][90], 1);
    const sim::MouseState after = state();
    EXPECT_EQ(after.current, (sim::StageCodes{28, 28}));
    EXPECT_EQ(after.activeProfile, 2);
    EXPECT_EQ(after.pollingCode, 8);
    EXPECT_EQ(after.currentStage, 4);
}

TEST_F(SettingsCommands, SetRateCodesAndRefusal) {
    struct Case {
        std::int32_t rate;
        HResult status;
        std::uint8_t code;  // in the mouse afterwards
    };
    for (const Case c : {Case{125, hr::ok, 8}, {500, hr::ok, 2}, {1000, hr::ok, 1}, {250, hr::invalidArg, 1}, {0, hr::invalidArg, 1}}) {
        change([](sim::MouseState& s) { s.pollingCode = 1; });
        clearLog();
        EXPECT_EQ(SetRate(handler(), c.rate), c.status) << c.rate;
        EXPECT_EQ(state().pollingCode, c.code) << c.rate;
        if (hr::failed(c.status))  // read, then refused without a write
            EXPECT_THAT(headers(requests()), ElementsAre(Is(1, 0x05, 0))) << c.rate;
        else
            EXPECT_THAT(headers(requests()), ElementsAre(Is(1, 0x05, 0), Is(0, 0x05, 5))) << c.rate;
    }
}

TEST_F(SettingsCommands, GetRateFromTheCode) {
    struct Case {
        std::uint8_t code;
        HResult status;
        std::int32_t rate;
    };
    for (const Case c : {Case{1, hr::ok, 1000}, {2, hr::ok, 500}, {8, hr::ok, 125}, {4, hr::fail, -1}, {0, hr::fail, -1}}) {
        change([&](sim::MouseState& s) { s.pollingCode = c.code; });
        std::int32_t rate = -1;
        EXPECT_EQ(GetRate(handler(), rate), c.status) << int{c.code};
        EXPECT_EQ(rate, c.rate) << int{c.code};
    }
}

// Unplugged at the next report and back under a new path 500 ms later.
void unplugAndReplug(sim::MouseState& s) {
    s.faults.dropAfterReports = 0;
    s.faults.replugAfterMs = 500;
}

TEST_F(SettingsCommands, GetRateFindsARepluggedMouseAgain) {
    change(unplugAndReplug);
    const std::uint64_t before = clock_.nowMs();
    std::int32_t rate = 0;
    EXPECT_EQ(GetRate(handler(), rate), hr::ok);
    EXPECT_EQ(rate, 1000);
    EXPECT_GE(clock_.nowMs() - before, 1000u);  // the pause before the one repeat
}

// Unplugged for good: after the one search the mouse is gone, which is not a refusal.
TEST_F(SettingsCommands, GetRateOfAMouseUnpluggedForGoodSaysItIsGone) {
    change([](sim::MouseState& s) { s.faults.dropAfterReports = 0; });
    std::int32_t rate = 0;
    EXPECT_EQ(GetRate(handler(), rate), hr::fromSystemError(syserr::deviceNotConnected));
}

TEST_F(SettingsCommands, OtherReadsDoNotRetry) {
    change(unplugAndReplug);
    std::uint32_t x = 0, y = 0;
    EXPECT_EQ(GetDpiLevel(handler(), x, y), hr::abort);
}

TEST_F(SettingsCommands, GetDpiStagesOfOneProfile) {
    change([](sim::MouseState& s) {
        sim::Profile& p = s.profile(3);
        p = sim::defaultProfile();
        p.stageCount = 3;
        p.defaultStage = 2;
        p.stages[0] = {16, 20};
        p.stages[1] = {36, 40};
        p.stages[2] = {56, 60};
        s.currentStage = 4;  // of the active profile 1
    });
    _stDpiStageType stages{};
    ASSERT_EQ(GetDpiStages(handler(), 3, stages), hr::ok);
    EXPECT_EQ(stages.ulTotalStages, 3u);
    EXPECT_EQ(stages.lDefaultStage, 2);
    EXPECT_EQ(stages.lCurrentStage, 4);
    EXPECT_EQ(stages.Sensitivity[1].ulXSensitivity, 1000u);
    EXPECT_EQ(stages.Sensitivity[1].ulYSensitivity, 1100u);
    EXPECT_EQ(stages.Sensitivity[2].ulYSensitivity, 1600u);
    EXPECT_EQ(stages.CurrentDpiStage.ulXSensitivity, 0u);  // not filled
    const std::vector<DovaReport> sent = requests();
    ASSERT_THAT(headers(sent), ElementsAre(Is(1, 0x06, 1), Is(1, 0x05, 0)));
    EXPECT_EQ(sent[0][9], 3);
}

TEST_F(SettingsCommands, GetDpiStagesRefusesATableTheMouseCannotHold) {
    change([](sim::MouseState& s) { s.profile(1).stageCount = 9; });
    _stDpiStageType stages{};
    EXPECT_EQ(GetDpiStages(handler(), 1, stages), hr::fail);
    EXPECT_EQ(stages.ulTotalStages, 0u);
    EXPECT_EQ(requests().size(), 1u);
}

_stDpiStageType threeStages(std::int32_t current) {
    _stDpiStageType stages{};
    stages.ulTotalStages = 3;
    stages.lDefaultStage = 1;
    stages.lCurrentStage = current;
    stages.Sensitivity[0] = {400, 400};
    stages.Sensitivity[1] = {1200, 1300};
    stages.Sensitivity[2] = {3200, 3200};
    return stages;
}

TEST_F(SettingsCommands, SetDpiStagesRejectsBeforeAnyExchange) {
    _stDpiStageType six{};
    six.ulTotalStages = 6;
    EXPECT_EQ(SetDpiStages(handler(), 1, &six), hr::invalidArg);
    EXPECT_EQ(SetDpiStages(handler(), 1, nullptr), hr::pointer);
    EXPECT_EQ(accesses(), 0u);
}

TEST_F(SettingsCommands, SetDpiStagesOfTheActiveProfileSetsTheCurrentStage) {
    const _stDpiStageType stages = threeStages(2);
    ASSERT_EQ(SetDpiStages(handler(), 1, &stages), hr::ok);
    const std::vector<DovaReport> sent = requests();
    ASSERT_THAT(headers(sent), ElementsAre(Is(1, 0x06, 1), Is(0, 0x06, 56), Is(1, 0x05, 0), Is(0, 0x05, 5)));
    EXPECT_THAT(bytesOf(sent[1], 9, 10), ElementsAre(1, 7, 1, 3, 12, 12, 44, 48, 124, 124));
    EXPECT_THAT(bytesOf(sent[1], 19, 4), ElementsAre(76, 76, 156, 156));  // stages 4 and 5 as read
    EXPECT_THAT(bytesOf(sent[3], 9, 5), ElementsAre(1, 1, 2, 44, 48));

    const sim::MouseState after = state();
    EXPECT_EQ(after.profile(1).stageCount, 3);
    EXPECT_EQ(after.currentStage, 2);
    EXPECT_EQ(after.current, (sim::StageCodes{44, 48}));
    EXPECT_EQ(after.profile(1).buttons, sim::defaultProfile().buttons);  // carried unchanged
}

TEST_F(SettingsCommands, SetDpiStagesOfAnotherProfileLeavesThePerformanceBlock) {
    change([](sim::MouseState& s) {
        s.profile(2) = sim::defaultProfile();
        s.profile(2).name = sim::nameRecord(u"Two");
    });
    const _stDpiStageType stages = threeStages(2);
    ASSERT_EQ(SetDpiStages(handler(), 2, &stages), hr::ok);
    EXPECT_THAT(headers(requests()), ElementsAre(Is(1, 0x06, 1), Is(0, 0x06, 56), Is(1, 0x05, 0)));
    EXPECT_EQ(state().profile(2).stages[1], (sim::StageCodes{44, 48}));
    EXPECT_EQ(state().current, (sim::StageCodes{56, 56}));
}

TEST_F(SettingsCommands, SetDpiStagesCurrentStageOutsideTheTableKeepsTheSensitivity) {
    for (std::int32_t current : {0, 6, -1}) {
        change([](sim::MouseState& s) { s.current = {56, 56}; });
        const _stDpiStageType stages = threeStages(current);
        ASSERT_EQ(SetDpiStages(handler(), 1, &stages), hr::ok) << current;
        EXPECT_EQ(state().currentStage, static_cast<std::uint8_t>(current)) << current;
        EXPECT_EQ(state().current, (sim::StageCodes{56, 56})) << current;
    }
}

TEST_F(SettingsCommands, SetDpiStagesReportsAFailedProfileWrite) {
    // Profile read answered, profile write refused, performance exchanges answered.
    answerStatuses({0x02, kRefused});
    const _stDpiStageType stages = threeStages(2);
    EXPECT_EQ(SetDpiStages(handler(), 1, &stages), hr::fail);
    // The current stage still goes out, with the codes that were meant for it.
    EXPECT_EQ(state().currentStage, 2);
    EXPECT_EQ(state().current, (sim::StageCodes{44, 48}));
}

TEST_F(SettingsCommands, SetDpiStagesWithoutTheProfileBlockTakesNoCodesFromNowhere) {
    answerStatuses({kRefused});
    change([](sim::MouseState& s) { s.current = {56, 57}; });
    const _stDpiStageType stages = threeStages(2);
    EXPECT_EQ(SetDpiStages(handler(), 1, &stages), hr::fail);
    EXPECT_THAT(headers(requests()), ElementsAre(Is(1, 0x06, 1), Is(1, 0x05, 0), Is(0, 0x05, 5)));
    EXPECT_EQ(state().currentStage, 2);
    EXPECT_EQ(state().current, (sim::StageCodes{56, 57}));
    EXPECT_EQ(state().profile(1).stageCount, 5);
}

TEST_F(SettingsCommands, LightingIsByte10OfTheProfileBlock) {
    std::int32_t status = 0;
    ASSERT_EQ(GetLedStatus(handler(), 1, status), hr::ok);
    EXPECT_EQ(status, 7);
    const sim::Profile before = state().profile(1);
    ASSERT_EQ(SetLedStatus(handler(), 1, 0x102), hr::ok);
    sim::Profile expected = before;
    expected.lighting = 2;
    EXPECT_EQ(state().profile(1), expected);
    EXPECT_EQ(requests().back()[5], 56);
}

TEST_F(SettingsCommands, IdentityOfTheWiredMouse) {
    std::u16string serial, version;
    ASSERT_EQ(GetSerialNumber(handler(), serial), hr::ok);
    EXPECT_EQ(serial, u"7301240517" u"000000000000000000" u"1234");
    ASSERT_EQ(GetFirmwareVersion(handler(), version), hr::ok);
    EXPECT_EQ(version, u"1.07");
    std::int32_t connected = 0;
    ASSERT_EQ(IsConnected(handler(), connected), hr::ok);
    EXPECT_EQ(connected, 1);
    EXPECT_THAT(headers(requests()), ElementsAre(Is(1, 0x02, 1), Is(1, 0x02, 1), Is(1, 0x02, 1)));

    change([](sim::MouseState& s) { sim::unplugAll(s); });
    connected = 1;
    EXPECT_TRUE(hr::failed(IsConnected(handler(), connected)));
    EXPECT_EQ(connected, 0);
}

TEST_F(SettingsCommands, ProductsWithoutAnIdentityExchangeCountAsConnected) {
    DriverHandler download(ports_, kProductDownload);  // never matched by discovery: no path
    std::int32_t connected = 0;
    EXPECT_EQ(IsConnected(&download, connected), hr::ok);
    EXPECT_EQ(connected, 1);
    EXPECT_EQ(accesses(), 0u);
}

TEST_F(SettingsCommands, MemoryFigures) {
    change([](sim::MouseState& s) {
        s.memoryUnits = 64;
        s.macros[0].assign(500, 0);  // two units
        s.macros[3].assign(40, 0);   // one unit
    });
    std::int32_t total = 0, remaining = 0;
    ASSERT_EQ(GetTotalSpace(handler(), total), hr::ok);
    ASSERT_EQ(GetRemainingSpace(handler(), remaining), hr::ok);
    EXPECT_EQ(total, 64);
    EXPECT_EQ(remaining, 61);
    EXPECT_THAT(headers(requests()), ElementsAre(Is(1, 0x23, 0), Is(1, 0x23, 0)));
}

TEST_F(SettingsCommands, RegistryProfileDeviceSide) {
    ASSERT_EQ(SaveProfile(handler()), hr::ok);
    const DovaReport fixed = FixedMappingBlock();
    EXPECT_EQ(state().fixedMappingBlock, bytesOf(fixed, 9, 65));
    ASSERT_EQ(LoadProfile(handler()), hr::ok);
    const std::vector<DovaReport> sent = requests();
    ASSERT_THAT(headers(sent), ElementsAre(Is(0, 0x06, 0x41), Is(1, 0x06, 1)));
    EXPECT_EQ(sent[1][9], 3);
}

TEST_F(SettingsCommands, DownloadModeOnlyForItsOwnProduct) {
    EXPECT_EQ(EnableDownloadMode(handler()), hr::fail);
    EXPECT_EQ(DisableDownloadMode(handler()), hr::fail);
    EXPECT_EQ(accesses(), 0u);
}

TEST_F(SettingsCommands, WithoutADriverHandler) {
    std::uint32_t u = 0;
    std::int32_t i = 0;
    std::u16string text;
    _stDpiStageType stages{};
    struct Case {
        const char* what;
        HResult status;
        HResult expected;
    };
    const Case cases[] = {
        {"GetDpiLevel", GetDpiLevel(nullptr, u, u), hr::fail},
        {"SetDpiLevel", SetDpiLevel(nullptr, 800, 800), hr::fail},
        {"GetDpiStages", GetDpiStages(nullptr, 1, stages), hr::fail},
        {"SetDpiStages", SetDpiStages(nullptr, 1, &stages), hr::fail},
        {"GetRate", GetRate(nullptr, i), hr::fail},
        {"SetRate", SetRate(nullptr, 500), hr::fail},
        {"GetLedStatus", GetLedStatus(nullptr, 1, i), hr::fail},
        {"SetLedStatus", SetLedStatus(nullptr, 1, 1), hr::fail},
        {"GetRemaingPower", GetRemaingPower(nullptr, i), hr::fail},
        {"SetWirelessDistance", SetWirelessDistance(nullptr, 1), hr::fail},
        {"GetWirelessDistance", GetWirelessDistance(nullptr, i), hr::fail},
        {"SaveProfile", SaveProfile(nullptr), hr::fail},
        {"LoadProfile", LoadProfile(nullptr), hr::fail},
        {"GetTotalSpace", GetTotalSpace(nullptr, i), hr::fail},
        {"GetRemainingSpace", GetRemainingSpace(nullptr, i), hr::fail},
        {"EnableDownloadMode", EnableDownloadMode(nullptr), hr::fail},
        {"GetSerialNumber", GetSerialNumber(nullptr, text), hr::handle},
        {"GetFirmwareVersion", GetFirmwareVersion(nullptr, text), hr::handle},
        {"IsConnected", IsConnected(nullptr, i), hr::handle},
    };
    for (const Case& c : cases) EXPECT_EQ(c.status, c.expected) << c.what;
    EXPECT_EQ(accesses(), 0u);
}

class WirelessReceiver : public CommandsTest {
protected:
    WirelessReceiver() : CommandsTest(mouseOn(sim::Interface::wireless), kProductWireless) {}
};

std::vector<std::u16string> traced;
void recordTrace(const char16_t* line) { traced.emplace_back(line); }

TEST_F(WirelessReceiver, IdentityFromTheShortReports) {
    std::u16string serial, version;
    ASSERT_EQ(GetSerialNumber(handler(), serial), hr::ok);
    EXPECT_EQ(serial, u"TSL-RX-7A3C-0001234");
    ASSERT_EQ(GetFirmwareVersion(handler(), version), hr::ok);
    EXPECT_EQ(version, u"1.07");
    std::int32_t connected = 0;
    ASSERT_EQ(IsConnected(handler(), connected), hr::ok);
    EXPECT_EQ(connected, 1);
    EXPECT_TRUE(requests().empty());  // no 91-byte transaction
}

TEST_F(WirelessReceiver, BatteryRemembersTheLastKnownLevel) {
    traced.clear();
    setTraceSink(recordTrace);
    std::int32_t percent = -1;
    change([](sim::MouseState& s) { s.battery = 2; });
    ASSERT_EQ(GetRemaingPower(handler(), percent), hr::ok);
    EXPECT_EQ(percent, 30);
    change([](sim::MouseState& s) { s.battery = 7; });
    ASSERT_EQ(GetRemaingPower(handler(), percent), hr::ok);
    EXPECT_EQ(percent, 30);
    setTraceSink(nullptr);
    EXPECT_EQ(std::count(traced.begin(), traced.end(), u"CBattery::GetRemaingPower()\n"), 2);

    change([](sim::MouseState& s) { sim::unplugAll(s); });
    percent = -1;
    EXPECT_TRUE(hr::failed(GetRemaingPower(handler(), percent)));
    EXPECT_EQ(percent, 0);
}

TEST_F(WirelessReceiver, DistanceSetting) {
    ASSERT_EQ(SetWirelessDistance(handler(), 0x105), hr::ok);
    EXPECT_EQ(state().wirelessDistance, 5);
    std::int32_t distance = 0;
    ASSERT_EQ(GetWirelessDistance(handler(), distance), hr::ok);
    EXPECT_EQ(distance, 5);
    EXPECT_EQ(EnableDownloadMode(handler()), hr::fail);
}

}  // namespace
}  // namespace tessel::device::testing
