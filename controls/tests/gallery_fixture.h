// Tests that drive the gallery share one gallery per test program: opening it costs a second.
#pragma once

#include <gtest/gtest.h>

#include "gallery.h"
#include "ui_harness.h"

class GalleryFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    session = new KitSession;
    gallery = new CGallery;
    ASSERT_TRUE(gallery->Open(GetModuleHandleW(nullptr)));
    ShowWindow(gallery->hwnd(), SW_SHOW);
    Pump(400);
  }
  static void TearDownTestSuite() {
    delete gallery;
    delete session;
  }
  void SetUp() override {
    SetForegroundWindow(gallery->hwnd());
    MoveMouse(POINT{1270, 1010});  // nowhere near a control
    gallery->events.clear();
  }

  static inline KitSession* session = nullptr;
  static inline CGallery* gallery = nullptr;
};
