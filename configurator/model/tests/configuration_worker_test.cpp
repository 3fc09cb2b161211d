// The worker thread: commands through the atomic word, progress to its owner, and a stop in
// the middle of a write that ends nothing forcibly.
#include <mutex>

#include "configurator/model/configuration_worker.h"
#include "configurator/model/tests/model_testing.h"
#include "sim/firmware.h"

namespace tessel::cfg::testing {
namespace {

using tessel::com::testing::pumpMessagesUntil;
using tessel::com::testing::runProgram;

class WorkerOnMouse : public ::testing::Test {
protected:
    void SetUp() override { mouse::reset(preparedMouse()); }

    ConfigurationWorker::Options options() {
        ConfigurationWorker::Options options;
        options.progress = [this](const WorkerProgress& progress) {
            const std::lock_guard guard(lock_);
            progress_.push_back(progress);
        };
        return options;
    }
    std::vector<WorkerProgress> progress() {
        const std::lock_guard guard(lock_);
        return progress_;
    }
    bool waitForCommand(ConfigurationWorker& worker, int command, DWORD ms) {
        return pumpMessagesUntil([&] { return worker.command() == command; }, ms);
    }

    std::shared_ptr<SettingsModel> model_ = std::make_shared<SettingsModel>();
    std::mutex lock_;
    std::vector<WorkerProgress> progress_;
};

TEST_F(WorkerOnMouse, CommandsRunFromTheWordAndReportBack) {
    ConfigurationWorker worker(model_, options());
    ASSERT_TRUE(worker.start());
    worker.request(kConnectAndRead);
    ASSERT_TRUE(waitForCommand(worker, kIdle, 20000));
    EXPECT_EQ(model_->profileCount(), 2u);
    EXPECT_TRUE(worker.connection().loaded);

    model_->setLed(kLedChargingDock, true);
    worker.request(kWriteAll);
    ASSERT_TRUE(waitForCommand(worker, kWriteDone, 20000));
    EXPECT_TRUE(worker.lastReport().ok());
    EXPECT_EQ(mouse::read().profile(3).lighting, 6);
    // The finished write stays until its owner has seen it.
    EXPECT_TRUE(worker.acknowledgeWrite());
    EXPECT_FALSE(worker.acknowledgeWrite());
    EXPECT_EQ(worker.command(), kIdle);
    EXPECT_TRUE(worker.stop(5000));

    const auto seen = progress();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].kind, WorkerProgress::started);
    EXPECT_EQ(seen[1].kind, WorkerProgress::finished);
    EXPECT_EQ(seen[1].command, kConnectAndRead);
    EXPECT_TRUE(seen[1].state.wiredConnected);
    EXPECT_EQ(seen[3].command, kWriteAll);
    EXPECT_TRUE(seen[3].report.ok());
}

TEST_F(WorkerOnMouse, FailuresOfAWriteReachTheOwner) {
    ConfigurationWorker worker(model_, options());
    ASSERT_TRUE(worker.start());
    worker.request(kConnectAndRead);
    ASSERT_TRUE(waitForCommand(worker, kIdle, 20000));
    model_->setLed(kLedChargingDock, true);
    mouse::change([](sim::MouseState& state) { state.faults.statusSequence.assign(400, sim::status::refused); });
    worker.request(kWriteAll);
    ASSERT_TRUE(waitForCommand(worker, kWriteDone, 20000));
    const CommandReport report = worker.lastReport();
    EXPECT_FALSE(report.ok());
    EXPECT_EQ(progress().back().report.failures, report.failures);
}

TEST_F(WorkerOnMouse, StopDuringAWriteEndsNothingForcibly) {
    ConfigurationWorker worker(model_, options());
    ASSERT_TRUE(worker.start());
    worker.request(kConnectAndRead);
    ASSERT_TRUE(waitForCommand(worker, kIdle, 20000));
    // A write of several seconds: three new macros and a profile.
    for (const char16_t* name : {u"One", u"Two", u"Three"}) model_->createMacro(name);
    model_->createProfile(u"Extra");

    RequestWatch watch(mouse::statePath());
    worker.request(kWriteAll);
    ASSERT_TRUE(pumpMessagesUntil([&] { return !watch.seen().empty(); }, 20000));
    ASSERT_TRUE(worker.stop(60000));
    watch.stop();
    // The write was finished, not cut off.
    EXPECT_EQ(worker.command(), kWriteDone);
    EXPECT_EQ(mouse::read().macros.size(), 4u);
    EXPECT_EQ(sim::nameText(mouse::read().profile(2).name), u"Extra");

    // No transaction is left open: the exclusion's name is free, and another process's
    // transactions go through at once.
    HANDLE exclusion = OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\{5B3E9A27-C4D1-4F68-9E02-7A1C6D8B43F5}");
    EXPECT_EQ(exclusion, nullptr);
    if (exclusion) CloseHandle(exclusion);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(runProgram(std::wstring(L"\"") + TESSEL_TESSELCTL + L"\" info"), 0u);
    EXPECT_LT(GetTickCount64() - start, 5000u);
}

// A request made while a command runs is not lost: only the command that ran is cleared.
TEST_F(WorkerOnMouse, ARequestDuringACommandStays) {
    ConfigurationWorker worker(model_, options());
    ASSERT_TRUE(worker.start());
    worker.request(kConnectAndRead);
    ASSERT_TRUE(waitForCommand(worker, kIdle, 20000));
    model_->createMacro(u"One");
    worker.request(kWriteAll);
    ASSERT_TRUE(pumpMessagesUntil([&] { return progress().size() == 3; }, 20000));  // the write started
    worker.request(kConnectAndRead);
    ASSERT_TRUE(pumpMessagesUntil([&] { return progress().size() == 6; }, 30000));
    EXPECT_EQ(worker.command(), kIdle);
    const auto seen = progress();
    EXPECT_EQ(seen[3].command, kWriteAll);
    EXPECT_EQ(seen[5].command, kConnectAndRead);
    EXPECT_EQ(model_->macroCount(), 2u);  // read back from the mouse
}

TEST_F(WorkerOnMouse, AnUnpluggedMouseIsNoticedWhileIdle) {
    ConfigurationWorker::Options settings = options();
    settings.watchConnection = true;
    ConfigurationWorker worker(model_, settings);
    ASSERT_TRUE(worker.start());
    worker.request(kConnectAndRead);
    ASSERT_TRUE(waitForCommand(worker, kIdle, 20000));
    EXPECT_TRUE(worker.connection().wiredConnected);
    mouse::change([](sim::MouseState& state) { sim::unplugAll(state); });
    EXPECT_TRUE(pumpMessagesUntil([&] { return !worker.connection().wiredConnected; }, 5000));
    EXPECT_EQ(progress().back().kind, WorkerProgress::connectionChecked);
}

// The worker's thread may carry the middleware's keyboard hook (and its message-only window):
// its idle wait delivers messages at once, not after its one-second poll.
TEST_F(WorkerOnMouse, TheIdleWorkerAnswersMessagesAtOnce) {
    std::atomic<HWND> window{nullptr};
    ConfigurationWorker::Options settings = options();
    settings.progress = [&](const WorkerProgress&) {
        // A window of the worker's own thread stands for whatever the middleware put there.
        if (!window.load())
            window.store(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    };
    ConfigurationWorker worker(model_, settings);
    ASSERT_TRUE(worker.start());
    worker.request(kConnectAndRead);
    ASSERT_TRUE(pumpMessagesUntil([&] { return worker.command() == kIdle && window.load(); }, 20000));
    ULONGLONG slowest = 0;
    for (int i = 0; i < 10; ++i) {
        const ULONGLONG start = GetTickCount64();
        DWORD_PTR answer = 0;
        ASSERT_NE(SendMessageTimeoutW(window.load(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &answer), 0);
        slowest = std::max(slowest, GetTickCount64() - start);
        Sleep(137);  // at different points of the poll
    }
    EXPECT_LT(slowest, 250u);
    EXPECT_TRUE(worker.stop(5000));
}

}  // namespace
}  // namespace tessel::cfg::testing
