#pragma once
// What the tests against the real middleware share: the registered server and the simulated
// mouse of com_testing, mice prepared with profiles and a macro, and a session on the test
// thread's apartment.
#include <gtest/gtest.h>

#include <memory>

#include "configurator/model/device_session.h"
#include "configurator/model/tests/request_watch.h"
#include "middleware/api/tests/com_testing.h"

namespace tessel::cfg::testing {

namespace mouse = tessel::com::testing::mouse;

// Profile 1 "Base" (stage 2 of three current, all lights), profile 3 "Game" (left and right
// swapped, its buttons 4 and 5 run macro 1 and switch to profile 1) and macro 1 "Copy"
// (LCtrl, C, C up, LCtrl up, 40 ms apart); profile 3 is active.
sim::MouseState preparedMouse();

class ModelOnMouse : public ::testing::Test {
protected:
    void SetUp() override { mouse::reset(preparedMouse()); }

    tessel::com::testing::Apartment apartment_;
    SettingsModel model_;
    std::unique_ptr<DeviceSession> session_ = std::make_unique<DeviceSession>(model_);
};

}  // namespace tessel::cfg::testing
