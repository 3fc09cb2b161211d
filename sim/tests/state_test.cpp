// The state's text form and the stores that keep it, in memory and in a shared file.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "sim/state_text.h"
#include "sim/tests/sim_fixture.h"

namespace tessel::sim::testing {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A state with something unusual in every part.
MouseState busyState() {
    MouseState s = MouseState::factory();
    connect(s, {Interface::wired, Interface::wireless, Interface::download});
    unplugAll(s);
    s.link.replug = {Interface::wireless, Interface::wired};
    s.link.replugAtMs = 123456789012ull;
    s.link.nextGeneration = 77;
    s.serial.fill(9);
    s.firmwareMajor = 2;
    s.firmwareMinor = 123;
    s.receiverSerial = "quote\" and \\ here";
    s.battery = 4;
    s.wirelessDistance = 255;
    s.downloadMode = true;
    s.activeProfile = 3;
    s.pollingCode = 4;
    s.currentStage = 9;
    s.current = {0, 255};
    s.profile(2) = defaultProfile();
    s.profile(2).name = nameRecord(u"\u00c9t\u00e9 \U0001F5B1 \"x\"");
    s.profile(3).name = nameRecord(u"abc");
    s.profile(3).name[20] = 0x41;  // bytes after the terminator: not text any more
    s.profile(4).name.fill(0xFF);
    s.profile(4).name[39] = 0;  // free marker in byte 0 but not all 0xFF
    s.profile(5).reserved = {1, 2, 3, 4, 5, 6};
    s.profile(5).buttons[3] = {4, 0x41, 0xFE, 0x99};
    s.fixedMappingBlock.assign(65, 0x5A);
    s.memoryUnits = 200;
    s.macros[0] = std::vector<std::uint8_t>(40, 0);
    s.macros[69] = std::vector<std::uint8_t>(1000, 0xC3);
    s.macros[255] = {1};
    s.transaction.phase = Phase::answered;
    s.transaction.owner = 0x1234567800000009ull;
    s.transaction.intruder = 0xFFFFFFFFFFFFFFFFull;
    s.transaction.pending.assign(91, 0x11);
    s.transaction.answer.assign(91, 0x22);
    s.transaction.answerReadyAtMs = 42;
    s.faults.busyReadyPolls = 3;
    s.faults.busyReadyControl = 2;
    s.faults.busyAnswerPolls = 4;
    s.faults.statusSequence = {0x05, 0x00, 0x02, 0xFF};
    s.faults.garbageAnswers = 5;
    s.faults.slowAnswerMs = 6;
    s.faults.dropAfterReports = 0;
    s.faults.replugAfterMs = 4000000000u;
    s.faults.noiseSeed = 17;
    s.counters = {1, 2, 3, 4, 5};
    return s;
}

TEST(StateText, RoundTrips) {
    for (const MouseState& state : {MouseState::factory(), busyState(), MouseState{}}) {
        const std::string text = formatState(state);
        EXPECT_EQ(parseState(text), state) << text;
        EXPECT_EQ(formatState(parseState(text)), text);
    }
}

TEST(StateText, ReadsAsText) {
    const std::string text = formatState(MouseState::factory());
    for (const char* line : {"wired = 1\n", "wireless = off\n", "firmware = 1.07\n", "name = \"Profile 1\"\n",
                             "name = free\n", "# profile 1, 1000 Hz, stage 3 at 1500 x 1500 DPI\n",
                             "stages = 16/16 36/36 56/56 76/76 156/156\n",
                             "buttons = 01:01:00:00 02:02:00:00 03:03:00:00 04:04:00:00 05:05:00:00 06:0c:00:00 "
                             "07:0b:00:00 08:08:00:00 09:09:00:00\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST(StateText, LeftOutKeysKeepTheirFactoryValue) {
    MouseState expected = MouseState::factory();
    expected.pollingCode = 8;
    expected.profile(2).name = nameRecord(u"Two");
    EXPECT_EQ(parseState("format = 1\n[performance]\npolling-code = 8\n\n[profile 2]\n  name = \"Two\"  \r\n[end]\n"),
              expected);
}

TEST(StateText, ErrorsNameTheLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"format = 2\n", "line 1: unknown format"},
        {"[performance]\npolling-code = 256\n", "line 2: \"256\" is not a number from 0 to 255"},
        {"[performance]\npolling-code = -1\n", "line 2"},
        {"[performance]\nspeed = 1\n", "line 2: unknown key \"speed\""},
        {"[mouse]\n", "line 1: unknown section [mouse]"},
        {"[profile 6]\n", "line 1"},
        {"[profile 0]\n", "line 1: profiles are numbered 1 to 5"},
        {"[performance\n", "line 1"},
        {"\n\n[identity]\nserial = 1 2 3\n", "line 4: expected 32 entries, found 3"},
        {"[profile 1]\nname = \"twenty characters ok?\"\n", "line 2: a name holds at most 19 characters"},
        {"[profile 1]\nname = hex 01 02\n", "line 2: expected 40 bytes"},
        {"[profile 1]\nbuttons = 01:01:00 02:02:00:00 03:03:00:00 04:04:00:00 05:05:00:00 06:0c:00:00 07:0b:00:00 "
         "08:08:00:00 09:09:00:00\n",
         "line 2"},
        {"[profile 1]\nstages = 1/2 3/4 5/6 7/8 9\n", "line 2: a stage is written X/Y"},
        {"[macro 1]\ndata = 0g\n", "line 2: \"0g\" is not a number"},
        {"[macro 1]\n[macro 1]\n", "line 2: macro 1 appears twice"},
        {"[transaction]\npending = 00 01\n", "line 2: pending holds 91 bytes"},
        {"[transaction]\nphase = lost\n", "line 2: unknown phase"},
        {"[link]\ncable = 1\n", "line 2: unknown key"},
        {"[link]\nwired\n", "line 2: expected key = value"},
        {"[identity]\nreceiver-serial = unquoted\n", "line 2: expected a quoted text"},
        {"[identity]\ndownload-mode = yes\n", "line 2: expected on or off"},
        {"[identity]\nbattery = 2\n", "line 2: no [end]: the state was cut off"},
        {"[identity]\nbattery = 2\n[end]\nbattery = 3\n", "line 4: text after [end]"},
        {"", "no [end]"},
    };
    for (const Case& c : cases) {
        try {
            parseState(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const StateError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}

TEST(StateText, AStateCutOffAnywhereIsRefused) {
    const std::string text = formatState(busyState());
    for (std::size_t cut = 0; cut + 1 < text.size(); cut += 97)
        EXPECT_THROW(parseState(text.substr(0, cut)), StateError) << "cut at " << cut;
    // Written over a longer state that was not cut back: the old tail follows [end].
    const std::string longer = formatState(MouseState::factory());
    EXPECT_THROW(parseState(text + longer.substr(longer.size() / 2)), StateError);
}

TEST(StateText, Utf8OfNames) {
    EXPECT_EQ(toUtf8(u"a\u00e9\u20ac\U0001F5B1"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x96\xB1");
    EXPECT_EQ(toUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x96\xB1"), u"a\u00e9\u20ac\U0001F5B1");
    EXPECT_EQ(toUtf16("\xC3"), u"\uFFFD") << "cut short";
    EXPECT_EQ(toUtf16("\xC0\xAF"), u"\uFFFD\uFFFD") << "overlong";
    EXPECT_EQ(toUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD") << "a surrogate";
    EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD") << "a lone surrogate";
}

class StateFile : public ::testing::Test {
protected:
    TempDir dir_;
    std::string path_ = dir_.file("mouse.txt");
};

TEST_F(StateFile, CreatedFactoryFreshOnFirstUse) {
    auto store = StateStore::inFile(path_);
    EXPECT_EQ(store->read(), MouseState::factory());
    EXPECT_EQ(readFile(path_), formatState(MouseState::factory()));
}

TEST_F(StateFile, TwoStoresShareOneMouse) {
    auto first = StateStore::inFile(path_);
    auto second = StateStore::inFile(path_);
    first->update([](MouseState& s) { s.profile(2).name = nameRecord(u"Shared"); });
    EXPECT_EQ(nameText(second->read().profile(2).name), u"Shared");
    second->update([](MouseState& s) { s.macros[4] = {1, 2, 3}; });
    EXPECT_EQ(first->read().macros.at(4), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(StateFile, AShorterStateLeavesNoTail) {
    auto store = StateStore::inFile(path_);
    store->update([](MouseState& s) { s.macros[0] = std::vector<std::uint8_t>(3000, 0xAA); });
    store->update([](MouseState& s) { s.macros.clear(); });
    EXPECT_EQ(readFile(path_), formatState(MouseState::factory()));
}

TEST_F(StateFile, AFailedChangeLeavesTheFileAsItWas) {
    auto store = StateStore::inFile(path_);
    store->read();
    const std::string before = readFile(path_);
    EXPECT_THROW(store->update([](MouseState& s) {
        s.pollingCode = 8;
        throw StateError("changed my mind");
    }),
                 StateError);
    EXPECT_EQ(readFile(path_), before);
}

TEST_F(StateFile, AnUnreadableFileIsReportedNotReplaced) {
    writeFile(path_, "format = 1\n[performance]\npolling-code = fast\n[end]\n");
    auto store = StateStore::inFile(path_);
    try {
        store->read();
        ADD_FAILURE() << "read a broken file";
    } catch (const StateError& error) {
        EXPECT_NE(std::string(error.what()).find("mouse.txt: line 3"), std::string::npos) << error.what();
    }
    EXPECT_EQ(readFile(path_), "format = 1\n[performance]\npolling-code = fast\n[end]\n");

    device::VirtualClock clock;
    SimulatedHid hid(StateStore::inFile(path_), clock);
    std::uint32_t error = 0;
    EXPECT_EQ(hid.mouseInterfaces(error), nullptr);
    EXPECT_EQ(error, syserr::genFailure);
}

// What the middleware opens: a missing file is no mouse, never a new one; once made, it is found.
TEST_F(StateFile, AMissingFileIsNoMouseUntilItIsMade) {
    device::VirtualClock clock;
    const std::unique_ptr<device::HidPort> hid = openSimulatedHid(path_, clock);
    std::uint32_t error = 1;
    auto none = hid->mouseInterfaces(error);
    ASSERT_NE(none, nullptr);
    std::u16string path;
    EXPECT_EQ(error, syserr::success);
    EXPECT_EQ(none->path(0, path), syserr::noMoreItems);
    EXPECT_EQ(hid->open(interfacePath(Interface::wired, 1)), PortHandle{0});
    EXPECT_FALSE(std::filesystem::exists(path_));

    writeStateFile(path_);
    auto found = hid->mouseInterfaces(error);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->path(1, path), syserr::success);
    EXPECT_EQ(path, interfacePath(Interface::wired, 1));
}

TEST_F(StateFile, ChangesOfManyThreadsAllCount) {
    constexpr int kThreads = 4;
    constexpr int kChanges = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            auto store = StateStore::inFile(path_);  // each with its own lock handle, as another process
            for (int i = 0; i < kChanges; ++i) store->update([](MouseState& s) { ++s.counters.requests; });
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(StateStore::inFile(path_)->read().counters.requests, std::uint64_t{kThreads * kChanges});
}

TEST_F(StateFile, SettingsSurviveLikeTheMouseMemory) {
    device::VirtualClock clock;
    {
        SimulatedHid hid(StateStore::inFile(path_), clock);
        const PortHandle handle = hid.open(interfacePath(Interface::wired, 1));
        DovaReport poll;
        ASSERT_TRUE(hid.getFeature(handle, poll.raw(), DovaReport::size));
        const DovaReport write = writeRequest(command::performance, 5, {{9, 1}, {10, 2}, {11, 1}, {12, 16}, {13, 16}});
        ASSERT_TRUE(hid.setFeature(handle, write.raw(), DovaReport::size));
        DovaReport answer;
        ASSERT_TRUE(hid.getFeature(handle, answer.raw(), DovaReport::size));
        ASSERT_EQ(answer[DovaReport::status], status::done);
        ASSERT_TRUE(hid.setFeature(handle, DovaReport::endReport().raw(), DovaReport::size));
    }
    SimulatedHid later(StateStore::inFile(path_), clock);
    const MouseState s = later.store().read();
    EXPECT_EQ(s.pollingCode, 2);
    EXPECT_EQ(s.currentStage, 1);
    EXPECT_EQ(s.current, (StageCodes{16, 16}));
    EXPECT_EQ(s.transaction, Transaction{});
}

}  // namespace
}  // namespace tessel::sim::testing
