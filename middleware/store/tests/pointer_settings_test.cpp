// IPerformanceSettings over the pointer settings: the level table and its reading back, on the
// in-memory settings and, in the Windows build, on the system's own.
#include <gtest/gtest.h>

#include <memory>

#include "middleware/store/pointer_settings.h"
#ifdef _WIN32
#include "middleware/store/win32_pointer_settings.h"
#endif

namespace tessel::store {
namespace {

TEST(PointerSettingsTest, LevelsMapOntoTheThreeMouseValues) {
    struct Case {
        std::uint32_t level;
        MouseValues values;
    };
    for (const Case& c :
         {Case{0, {0, 0, 1}}, Case{1, {10, 0, 1}}, Case{3, {6, 0, 1}}, Case{5, {2, 0, 1}},
          Case{6, {2, 12, 2}}, Case{8, {2, 8, 2}}, Case{10, {2, 4, 2}}}) {
        SCOPED_TRACE(c.level);
        EXPECT_EQ(mouseValuesForLevel(c.level), c.values);
    }
}

TEST(PointerSettingsTest, ReadingBackFromSystemValues) {
    struct Case {
        MouseValues values;
        HResult status;
        std::int32_t level;
        std::int32_t accelerationOn;
    };
    for (const Case& c : {Case{{6, 10, 1}, hr::ok, 9, 1}, Case{{0, 0, 1}, hr::accessDenied, 0, 1},
                          Case{{0, 0, 0}, hr::accessDenied, 0, 0}, Case{{7, 0, 1}, hr::ok, 2, 1},
                          Case{{2, 5, 0}, hr::ok, 9, 0}}) {
        SCOPED_TRACE(::testing::PrintToString(c.values));
        MemoryPointerSettings port;
        port.values = c.values;
        PerformanceSettings settings(port);
        std::int32_t level = -99;
        EXPECT_EQ(settings.getAcceleration(&level), c.status);
        if (c.status == hr::ok) {
            EXPECT_EQ(level, c.level);
        }
        std::int32_t on = -1;
        EXPECT_EQ(settings.getAccelerationStatus(&on), hr::ok);
        EXPECT_EQ(on, c.accelerationOn);
    }
}

TEST(PointerSettingsTest, SpeedIsCheckedUnsignedAndPassedAsGiven) {
    MemoryPointerSettings port;
    PerformanceSettings settings(port);
    for (std::int32_t refused : {21, -1, 1000}) {
        EXPECT_EQ(settings.setWindowsPointerSpeed(refused), hr::invalidArg);
        EXPECT_EQ(port.speed, 10);
    }
    for (std::int32_t speed : {0, 1, 20}) {
        EXPECT_EQ(settings.setWindowsPointerSpeed(speed), hr::ok);
        std::int32_t read = -1;
        EXPECT_EQ(settings.getWindowsPointerSpeed(&read), hr::ok);
        EXPECT_EQ(read, speed);
    }
    EXPECT_EQ(settings.getWindowsPointerSpeed(nullptr), hr::pointer);
}

TEST(PointerSettingsTest, AccelerationControlKeepsTheThresholds) {
    struct Case {
        MouseValues before;
        std::int32_t control;
        MouseValues after;
    };
    for (const Case& c : {Case{{6, 0, 0}, 1, {6, 0, 1}}, Case{{2, 8, 0}, 1, {2, 8, 2}},
                          Case{{2, 8, 2}, 0, {2, 8, 0}}, Case{{6, 0, 1}, -5, {6, 0, 1}}}) {
        MemoryPointerSettings port;
        port.values = c.before;
        PerformanceSettings settings(port);
        EXPECT_EQ(settings.setAccelerationControl(c.control), hr::ok);
        EXPECT_EQ(port.values, c.after);
    }
}

TEST(PointerSettingsTest, EveryLevelReadsBackAsSet) {
    MemoryPointerSettings port;
    PerformanceSettings settings(port);
    for (std::int32_t level = 1; level <= 10; ++level) {
        ASSERT_EQ(settings.setAcceleration(level), hr::ok);
        std::int32_t read = -1;
        EXPECT_EQ(settings.getAcceleration(&read), hr::ok);
        EXPECT_EQ(read, level);
    }
    EXPECT_EQ(settings.setAcceleration(0), hr::ok);
    std::int32_t read = -1;
    EXPECT_EQ(settings.getAcceleration(&read), hr::accessDenied);
    EXPECT_EQ(settings.setAcceleration(11), hr::invalidArg);
    EXPECT_EQ(settings.setAcceleration(-1), hr::invalidArg);
    EXPECT_EQ(port.values, mouseValuesForLevel(0));
}

TEST(PointerSettingsTest, SystemFailuresAreReported) {
    MemoryPointerSettings port;
    PerformanceSettings settings(port);
    std::int32_t value = 77;
    port.readError = 5;
    EXPECT_EQ(settings.getAcceleration(&value), hr::fromSystemError(5));
    EXPECT_EQ(settings.getAccelerationStatus(&value), hr::fromSystemError(5));
    EXPECT_EQ(settings.getWindowsPointerSpeed(&value), hr::fromSystemError(5));
    EXPECT_EQ(settings.setAccelerationControl(1), hr::fromSystemError(5))
        << "a change that could not be made is not a success";
    EXPECT_EQ(value, 77);
    port.readError = 0;
    port.writeError = 1400;
    EXPECT_EQ(settings.setAcceleration(3), hr::fromSystemError(1400));
    EXPECT_EQ(settings.setWindowsPointerSpeed(3), hr::fromSystemError(1400));
    EXPECT_EQ(settings.setAccelerationControl(0), hr::fromSystemError(1400));
    EXPECT_EQ(port.values, (MouseValues{6, 10, 1}));
}

#ifdef _WIN32
// The real settings of Wine's user; restored afterwards.
class Win32PointerSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(port_.getSpeed(speed_), 0u);
        ASSERT_EQ(port_.getMouseValues(values_), 0u);
    }
    void TearDown() override {
        port_.setSpeed(speed_);
        port_.setMouseValues(values_);
    }

    Win32PointerSettings port_;
    std::int32_t speed_ = 0;
    MouseValues values_{};
};

TEST_F(Win32PointerSettingsTest, SystemKeepsWhatIsSet) {
    PerformanceSettings settings(port_);
    for (std::int32_t speed : {3, 17}) {
        ASSERT_EQ(settings.setWindowsPointerSpeed(speed), hr::ok);
        std::int32_t read = 0;
        ASSERT_EQ(settings.getWindowsPointerSpeed(&read), hr::ok);
        EXPECT_EQ(read, speed);
    }
    for (std::int32_t level : {2, 9}) {
        ASSERT_EQ(settings.setAcceleration(level), hr::ok);
        std::int32_t read = 0;
        ASSERT_EQ(settings.getAcceleration(&read), hr::ok);
        EXPECT_EQ(read, level);
    }
    ASSERT_EQ(settings.setAccelerationControl(0), hr::ok);
    std::int32_t on = -1;
    ASSERT_EQ(settings.getAccelerationStatus(&on), hr::ok);
    EXPECT_EQ(on, 0);
    MouseValues values{};
    ASSERT_EQ(port_.getMouseValues(values), 0u);
    EXPECT_EQ(values, (MouseValues{2, 6, 0}));
}
#endif

}  // namespace
}  // namespace tessel::store
