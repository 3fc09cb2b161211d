// The firmware model against requests built by hand: the transaction, checks, every command.
#include <numeric>

#include "sim/tests/sim_fixture.h"

namespace tessel::sim::testing {
namespace {

class Firmware : public SimTest {};

TEST_F(Firmware, TransactionRunsFromReadinessToEndReport) {
    const PortHandle handle = open(Interface::wired);
    DovaReport poll;
    ASSERT_TRUE(get(handle, poll));
    EXPECT_EQ(poll.bytes, DovaReport{}.bytes);  // ready, nothing else

    const DovaReport request = readRequest(command::performance, 0);
    ASSERT_TRUE(set(handle, request));
    EXPECT_EQ(state().transaction.phase, Phase::awaitingAnswer);

    DovaReport answer;
    ASSERT_TRUE(get(handle, answer));
    EXPECT_EQ(answer[DovaReport::status], status::done);
    EXPECT_EQ(answer[DovaReport::readFlag], 1);
    EXPECT_EQ(answer[DovaReport::command], command::performance);
    DovaReport again;
    ASSERT_TRUE(get(handle, again));
    EXPECT_EQ(again.bytes, answer.bytes) << "the answer repeats until the end report";

    ASSERT_TRUE(set(handle, DovaReport::endReport()));
    EXPECT_EQ(state().transaction, Transaction{});
    ASSERT_TRUE(get(handle, poll));
    EXPECT_EQ(poll[DovaReport::status], 0) << "after the end report a get is a readiness poll again";
    EXPECT_EQ(state().counters.requests, 1u);
    EXPECT_EQ(state().counters.endReports, 1u);
}

TEST_F(Firmware, WrongChecksumIsRefusedAndNothingChanges) {
    DovaReport write = writeRequest(command::performance, 5, {{9, 1}, {10, 8}, {11, 2}, {12, 36}, {13, 36}});
    write[DovaReport::checksum] ^= 0x40;
    const DovaReport answer = transact(write);
    EXPECT_EQ(answer[DovaReport::status], status::checksumError);
    EXPECT_EQ(state().pollingCode, 1);
    EXPECT_EQ(state().counters.checksumErrors, 1u);
}

TEST_F(Firmware, MalformedRequestsAreRefused) {
    struct Case {
        const char* what;
        DovaReport request;
        std::uint8_t status;
    };
    auto withByte = [](DovaReport r, std::size_t offset, std::uint8_t value) {
        r[offset] = value;
        return sealed(r);
    };
    const DovaReport read = readRequest(command::performance, 0);
    const Case cases[] = {
        {"control 0", withByte(read, DovaReport::control, 0), status::invalid},
        {"trailer 0", withByte(read, DovaReport::trailer, 0), status::invalid},
        {"status set", withByte(read, DovaReport::status, 2), status::invalid},
        {"read flag 2", withByte(read, DovaReport::readFlag, 2), status::invalid},
        {"unknown command", readRequest(0x42, 0), status::unknownCommand},
        {"download command on the mouse", writeRequest(command::downloadMode, 1, {{9, 1}}), status::unknownCommand},
        {"identity with param 0", readRequest(command::identity, 0), status::invalid},
        {"performance write of 4 bytes", writeRequest(command::performance, 4, {{9, 1}}), status::invalid},
        {"performance write for profile 6", writeRequest(command::performance, 5, {{9, 6}}), status::invalid},
        {"performance write for profile 0", writeRequest(command::performance, 5, {{9, 0}}), status::invalid},
        {"profile block read of profile 6", readRequest(command::profileBlock, 1, {{9, 6}}), status::invalid},
        {"profile block write of 55 bytes", writeRequest(command::profileBlock, 55, {{9, 1}}), status::invalid},
        {"name read of profile 0", readRequest(command::profileName, 1, {{9, 0}}), status::invalid},
        {"name write of 40 bytes", writeRequest(command::profileName, 40, {{9, 2}}), status::invalid},
        {"delete with param 2", writeRequest(command::deleteProfile, 2, {{9, 2}}), status::invalid},
        {"memory read with param 1", readRequest(command::memory, 1), status::invalid},
        {"allocate with param 3", writeRequest(command::macroDirectory, 3, {{9, 0}, {11, 40}}), status::invalid},
        {"allocate of 0 bytes", writeRequest(command::macroDirectory, 4, {{9, 0}}), status::invalid},
        {"chunk of a missing macro", writeRequest(command::macroChunk, 10, {{8, 3}}), status::refused},
        {"name of a missing macro", readRequest(command::macroName, 0, {{8, 3}}), status::refused},
        {"delete of a missing macro", writeRequest(command::deleteMacro, 1, {{9, 3}}), status::refused},
        {"delete of the active profile", writeRequest(command::deleteProfile, 1, {{9, 1}}), status::refused},
    };
    const MouseState before = state();
    for (const Case& c : cases) EXPECT_EQ(transact(c.request)[DovaReport::status], c.status) << c.what;
    MouseState after = state();
    EXPECT_EQ(after.counters.refused, std::size(cases));
    after.counters = before.counters;
    EXPECT_EQ(after, before) << "no refused request changes the mouse";
}

TEST_F(Firmware, HidAccessesOfTheWrongShapeFail) {
    const PortHandle wired = open(Interface::wired);
    std::uint8_t shortBuffer[90] = {};
    EXPECT_FALSE(hid_.getFeature(wired, shortBuffer, sizeof shortBuffer));
    EXPECT_EQ(hid_.lastError(), hiderror::invalidParameter);
    DovaReport otherId;
    otherId[0] = 3;
    EXPECT_FALSE(hid_.setFeature(wired, otherId.raw(), DovaReport::size));
    EXPECT_EQ(hid_.lastError(), hiderror::invalidFunction);
    std::uint8_t firmwareReport[3] = {shortreport::firmware};
    EXPECT_FALSE(hid_.getFeature(wired, firmwareReport, sizeof firmwareReport)) << "short reports are the receiver's";
    EXPECT_FALSE(hid_.getFeature(0xDEAD, shortBuffer, sizeof shortBuffer));
    EXPECT_EQ(hid_.lastError(), syserr::invalidHandle);
}

TEST_F(Firmware, TransactionsOfTwoOpenersCountOnlyWhenInterleaved) {
    const PortHandle a = open(Interface::wired);
    const PortHandle b = open(Interface::wired);
    transact(a, readRequest(command::performance, 0));
    transact(b, readRequest(command::performance, 0));
    EXPECT_EQ(state().counters.interleaved, 0u) << "one after the other is fine";

    DovaReport scratch;
    ASSERT_TRUE(get(a, scratch));
    ASSERT_TRUE(set(a, readRequest(command::identity, 1)));
    ASSERT_TRUE(get(b, scratch));  // b starts while a's transaction is open
    ASSERT_TRUE(set(b, readRequest(command::performance, 0)));
    ASSERT_TRUE(get(a, scratch));
    EXPECT_EQ(state().counters.interleaved, 1u) << "counted once per intruding opener";
    ASSERT_TRUE(set(a, DovaReport::endReport()));
    ASSERT_TRUE(set(b, DovaReport::endReport()));
    EXPECT_EQ(state().counters.interleaved, 1u);

    // An end report of someone else cuts into an open transaction too.
    ASSERT_TRUE(get(a, scratch));
    ASSERT_TRUE(set(b, DovaReport::endReport()));
    EXPECT_EQ(state().counters.interleaved, 2u);
}

TEST_F(Firmware, IdentityBlock) {
    const DovaReport answer = transact(readRequest(command::identity, 1));
    ASSERT_EQ(answer[DovaReport::status], status::done);
    const MouseState s = state();
    for (std::size_t i = 0; i < kSerialBytes; ++i) EXPECT_EQ(answer[9 + i], s.serial[i]) << i;
    EXPECT_EQ(answer[41], 1);
    EXPECT_EQ(answer[42], 7);
}

TEST_F(Firmware, PerformanceBlockAndActiveProfile) {
    for (std::uint8_t param : {0, 1}) {
        const DovaReport answer = transact(readRequest(command::performance, param));
        EXPECT_EQ(answer[9], 1) << "active profile, param " << int(param);
        EXPECT_EQ(answer[10], 1);   // 1000 Hz
        EXPECT_EQ(answer[11], 3);   // the default profile's default stage
        EXPECT_EQ(answer[12], 56);  // 1500 DPI
        EXPECT_EQ(answer[13], 56);
    }
    // Read-modify-write as the host does it: everything but the changed bytes goes back as read.
    DovaReport block = transact(readRequest(command::performance, 0));
    block.makeWrite(5);
    block[12] = 28;
    block[13] = 30;
    EXPECT_EQ(transact(sealed(block))[DovaReport::status], status::done);
    const MouseState s = state();
    EXPECT_EQ(s.activeProfile, 1);
    EXPECT_EQ(s.pollingCode, 1);
    EXPECT_EQ(s.currentStage, 3);
    EXPECT_EQ(s.current, (StageCodes{28, 30}));
}

TEST_F(Firmware, ProfileBlocks) {
    const DovaReport first = transact(readRequest(command::profileBlock, 1, {{9, 1}}));
    ASSERT_EQ(first[DovaReport::status], status::done);
    const std::uint8_t expected[] = {1, 7, 3, 5, 16, 16, 36, 36, 56, 56, 76, 76, 156, 156, 0, 0, 0, 0, 0, 0,
                                     1, 1, 0, 0, 2, 2, 0, 0, 3, 3, 0, 0, 4, 4, 0, 0, 5, 5, 0, 0,
                                     6, 12, 0, 0, 7, 11, 0, 0, 8, 8, 0, 0, 9, 9, 0, 0};
    ASSERT_EQ(std::size(expected), 56u);
    for (std::size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(first[9 + i], expected[i]) << "byte " << 9 + i;

    // Selector 0 is the active profile; the answer keeps the selector the host sent.
    const DovaReport active = transact(readRequest(command::profileBlock, 1, {{9, 0}}));
    EXPECT_EQ(active[9], 0);
    EXPECT_TRUE(std::equal(active.bytes.begin() + 10, active.bytes.begin() + 65, first.bytes.begin() + 10));

    DovaReport write = first;
    write.makeWrite(56);
    write[9] = 4;
    write[10] = 2;   // lighting
    write[12] = 2;   // two stages
    write[25] = 0xAB;  // a byte of the carried range
    write[29 + 4 * 8 + 1] = 0x41;  // button 9 runs a macro
    write[29 + 4 * 8 + 2] = 5;
    ASSERT_EQ(transact(sealed(write))[DovaReport::status], status::done);
    const DovaReport back = transact(readRequest(command::profileBlock, 1, {{9, 4}}));
    EXPECT_TRUE(std::equal(back.bytes.begin() + 9, back.bytes.begin() + 65, write.bytes.begin() + 9));
    EXPECT_EQ(state().profile(4).buttons[8], (ButtonEntry{9, 0x41, 5, 0}));
    EXPECT_EQ(state().profile(1), MouseState::factory().profile(1)) << "the other profiles stay";
}

TEST_F(Firmware, FixedMappingBlockIsKeptAsReceived) {
    DovaReport write = DovaReport::writeRequest(command::profileBlock, 65);
    for (std::size_t i = 0; i < 65; ++i) write[9 + i] = static_cast<std::uint8_t>(i + 1);
    ASSERT_EQ(transact(sealed(write))[DovaReport::status], status::done);
    const MouseState s = state();
    ASSERT_EQ(s.fixedMappingBlock.size(), 65u);
    EXPECT_EQ(s.fixedMappingBlock.front(), 1);
    EXPECT_EQ(s.fixedMappingBlock.back(), 65);
    EXPECT_EQ(s.profiles, MouseState::factory().profiles);
}

TEST_F(Firmware, NameRecordsAndDelete) {
    DovaReport name = transact(readRequest(command::profileName, 1, {{9, 1}}));
    EXPECT_EQ(name[9], 1);
    EXPECT_EQ(name[10], 'P');
    EXPECT_EQ(name[11], 0);
    EXPECT_EQ(transact(readRequest(command::profileName, 1, {{9, 2}}))[10], 0xFF) << "profile 2 is free";

    DovaReport write = DovaReport::writeRequest(command::profileName, 41);
    write[9] = 2;
    const NameRecord record = nameRecord(u"Sniper \u00e9");
    std::copy(record.begin(), record.end(), write.bytes.begin() + 10);
    ASSERT_EQ(transact(sealed(write))[DovaReport::status], status::done);
    name = transact(readRequest(command::profileName, 1, {{9, 2}}));
    EXPECT_TRUE(std::equal(record.begin(), record.end(), name.bytes.begin() + 10));
    EXPECT_EQ(nameText(state().profile(2).name), u"Sniper \u00e9");

    ASSERT_EQ(transact(writeRequest(command::deleteProfile, 1, {{9, 2}}))[DovaReport::status], status::done);
    EXPECT_TRUE(state().profile(2).free());
    EXPECT_EQ(transact(readRequest(command::profileName, 1, {{9, 2}}))[10], 0xFF);
}

class MacroMemory : public SimTest {
protected:
    std::uint8_t allocate(std::uint8_t index, std::uint16_t size) {
        return transact(writeRequest(command::macroDirectory, 4,
                                     {{9, index}, {10, std::uint8_t(size >> 8)}, {11, std::uint8_t(size)}}))[DovaReport::status];
    }
    DovaReport chunkWrite(std::uint8_t index, std::uint16_t toFollow, const std::vector<std::uint8_t>& data) {
        DovaReport r = DovaReport::writeRequest(command::macroChunk, static_cast<std::uint8_t>(data.size()));
        r[6] = std::uint8_t(toFollow >> 8);
        r[7] = std::uint8_t(toFollow);
        r[8] = index;
        std::copy(data.begin(), data.end(), r.bytes.begin() + 9);
        return transact(sealed(r));
    }
    DovaReport chunkRead(std::uint8_t index, std::uint16_t toFollow) {
        return transact(readRequest(command::macroChunk, 0, {{6, std::uint8_t(toFollow >> 8)}, {7, std::uint8_t(toFollow)}, {8, index}}));
    }
    DovaReport memory() { return transact(readRequest(command::memory, 0)); }
    DovaReport page(std::uint8_t number) { return transact(readRequest(command::macroDirectory, 0, {{8, number}})); }
};

TEST_F(MacroMemory, FiguresFollowAllocations) {
    EXPECT_EQ(memory()[9], 64);
    EXPECT_EQ(memory()[10], 0);
    EXPECT_EQ(allocate(0, 40), status::done);
    EXPECT_EQ(allocate(1, 481), status::done);
    EXPECT_EQ(memory()[10], 3) << "one unit and two units";
    EXPECT_EQ(allocate(1, 480), status::done);
    EXPECT_EQ(memory()[10], 2) << "a reallocation gives back what it held";
}

TEST_F(MacroMemory, AllocationBeyondTheMemoryIsRefused) {
    change([](MouseState& s) { s.memoryUnits = 3; });
    EXPECT_EQ(allocate(0, 960), status::done);
    EXPECT_EQ(allocate(1, 481), status::refused);
    EXPECT_EQ(allocate(1, 480), status::done);
    EXPECT_EQ(allocate(0, 1000), status::refused) << "three units while only two are free after its own";
    EXPECT_EQ(state().macros.at(0).size(), 960u) << "a refused reallocation keeps the macro";
}

TEST_F(MacroMemory, DirectoryPagesOfTwentyEntries) {
    for (std::uint8_t index = 0; index < 25; ++index) ASSERT_EQ(allocate(index, 40 + index), status::done);
    ASSERT_EQ(transact(writeRequest(command::deleteMacro, 1, {{9, 3}}))[DovaReport::status], status::done);

    const DovaReport first = page(0);
    EXPECT_EQ(first[DovaReport::param], 80);
    for (std::size_t i = 0; i < 20; ++i) {
        const std::size_t at = 9 + 4 * i;
        EXPECT_EQ(first[at], i);
        const std::size_t size = i == 3 ? 0 : 40 + i;  // a deleted place stays with size 0
        EXPECT_EQ(first[at + 1] << 8 | first[at + 2], size) << "entry " << i;
    }
    const DovaReport second = page(1);
    EXPECT_EQ(second[DovaReport::param], 20);
    EXPECT_EQ(second[9], 20);
    EXPECT_EQ(second[9 + 16], 24);
    EXPECT_EQ(second[9 + 20], 0) << "nothing after the last entry";
    EXPECT_EQ(page(2)[DovaReport::param], 0);

    // Twenty entries exactly: a full page, then an empty one ends the directory.
    for (std::uint8_t index = 20; index < 25; ++index) transact(writeRequest(command::deleteMacro, 1, {{9, index}}));
    EXPECT_EQ(page(0)[DovaReport::param], 80);
    EXPECT_EQ(page(1)[DovaReport::param], 0);
}

TEST_F(MacroMemory, ChunkedTransferOfAnImage) {
    ASSERT_EQ(allocate(5, 170), status::done);
    std::vector<std::uint8_t> image(170);
    std::iota(image.begin(), image.end(), std::uint8_t{1});
    const std::vector<std::uint8_t> chunks[] = {{image.begin(), image.begin() + 80},
                                                {image.begin() + 80, image.begin() + 160},
                                                {image.begin() + 160, image.end()}};
    for (std::uint16_t k = 0; k < 3; ++k)
        EXPECT_EQ(chunkWrite(5, 2 - k, chunks[k])[DovaReport::status], status::done) << k;
    EXPECT_EQ(state().macros.at(5), image);

    EXPECT_EQ(chunkWrite(5, 0, chunks[2])[DovaReport::status], status::done) << "a repeated chunk lands in place";
    EXPECT_EQ(state().macros.at(5), image);
    EXPECT_EQ(chunkWrite(5, 0, chunks[0])[DovaReport::status], status::invalid) << "the last chunk holds 10 bytes";
    EXPECT_EQ(chunkWrite(5, 3, chunks[0])[DovaReport::status], status::invalid) << "only three chunks";

    for (std::uint16_t k = 0; k < 3; ++k) {
        const DovaReport answer = chunkRead(5, 2 - k);
        ASSERT_EQ(answer[DovaReport::status], status::done);
        EXPECT_EQ(answer[DovaReport::param], chunks[k].size());
        EXPECT_TRUE(std::equal(chunks[k].begin(), chunks[k].end(), answer.bytes.begin() + 9)) << k;
    }
    EXPECT_EQ(chunkRead(5, 3)[DovaReport::status], status::invalid);
}

TEST_F(MacroMemory, NameRecordIsTheStartOfTheImage) {
    ASSERT_EQ(allocate(0, 40), status::done);
    DovaReport write = DovaReport::writeRequest(command::macroName, 0);
    write[8] = 0;
    const NameRecord record = nameRecord(u"Reload");
    std::copy(record.begin(), record.end(), write.bytes.begin() + 9);
    ASSERT_EQ(transact(sealed(write))[DovaReport::status], status::done);
    const DovaReport read = transact(readRequest(command::macroName, 0, {{8, 0}}));
    EXPECT_TRUE(std::equal(record.begin(), record.end(), read.bytes.begin() + 9));
    EXPECT_TRUE(std::equal(record.begin(), record.end(), chunkRead(0, 0).bytes.begin() + 9));

    ASSERT_EQ(allocate(1, 30), status::done);
    write[8] = 1;
    EXPECT_EQ(transact(sealed(write))[DovaReport::status], status::refused) << "no room for a name";
    EXPECT_EQ(transact(writeRequest(command::deleteMacro, 1, {{9, 0}}))[DovaReport::status], status::done);
    EXPECT_EQ(transact(readRequest(command::macroName, 0, {{8, 0}}))[DovaReport::status], status::refused);
}

TEST_F(Firmware, DownloadModeOnlyOnItsOwnInterface) {
    change([](MouseState& s) { connect(s, {Interface::download}); });
    const PortHandle download = open(Interface::download);
    EXPECT_EQ(transact(download, writeRequest(command::downloadMode, 1, {{9, 1}}))[DovaReport::status], status::done);
    EXPECT_TRUE(state().downloadMode);
    EXPECT_EQ(transact(download, writeRequest(command::downloadMode, 1, {{9, 2}}))[DovaReport::status], status::done);
    EXPECT_FALSE(state().downloadMode);
    EXPECT_EQ(transact(download, writeRequest(command::downloadMode, 1, {{9, 3}}))[DovaReport::status], status::invalid);
    EXPECT_EQ(transact(download, readRequest(command::identity, 1))[DovaReport::status], status::done);
    EXPECT_EQ(transact(download, readRequest(command::performance, 0))[DovaReport::status], status::unknownCommand);
}

TEST_F(Firmware, ReceiverShortReports) {
    change([](MouseState& s) {
        connect(s, {Interface::wireless});
        s.battery = 3;
        s.wirelessDistance = 4;
    });
    const PortHandle receiver = open(Interface::wireless);
    std::uint8_t firmware[3] = {shortreport::firmware};
    ASSERT_TRUE(hid_.getFeature(receiver, firmware, 3));
    EXPECT_EQ(firmware[1], 1);
    EXPECT_EQ(firmware[2], 7);
    std::uint8_t serial[20] = {shortreport::serial};
    ASSERT_TRUE(hid_.getFeature(receiver, serial, 20));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(serial + 1), 19), state().receiverSerial);
    std::uint8_t battery[2] = {shortreport::battery};
    ASSERT_TRUE(hid_.getFeature(receiver, battery, 2));
    EXPECT_EQ(battery[1], 3);

    std::uint8_t distance[2] = {shortreport::distance, 9};
    ASSERT_TRUE(hid_.setFeature(receiver, distance, 2));
    distance[1] = 0;
    ASSERT_TRUE(hid_.getFeature(receiver, distance, 2));
    EXPECT_EQ(distance[1], 9);

    std::uint8_t tooLong[4] = {shortreport::firmware};
    EXPECT_FALSE(hid_.getFeature(receiver, tooLong, 4));
    EXPECT_EQ(hid_.lastError(), hiderror::invalidParameter);
    EXPECT_FALSE(hid_.setFeature(receiver, battery, 2)) << "battery state is read-only";
    std::uint8_t unknown[2] = {0x33};
    EXPECT_FALSE(hid_.getFeature(receiver, unknown, 2));
    EXPECT_EQ(hid_.lastError(), hiderror::invalidFunction);

    // The receiver passes the mouse's own protocol through.
    EXPECT_EQ(transact(receiver, readRequest(command::identity, 1))[DovaReport::status], status::done);
}

}  // namespace
}  // namespace tessel::sim::testing
