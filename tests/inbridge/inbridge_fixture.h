// Brings inbridge back to the Empty state around each test, with the paused
// flag clear, no parent window, and the fakes' log and answers reset.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compat/win32.h"
#include "fakes/fake_log.h"
#include "inbridge.h"
#include "win32_spy.h"

using Log = std::vector<std::string>;

class InbridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    spy::reset();
    spy::captureMessageBoxes(true);
    fakeControl() = FakeControl{};
    // The paused flag survives everything but PauseX; clear it through a
    // loaded plug-in.
    if (InitXPlug(FAKE_IN) == 1 && PauseX() == 1) PauseX();
    DeinitXPlug(1);
    SetXPlugParent(nullptr);
    spy::reset();
    spy::captureMessageBoxes(true);
    fakeLog().clear();
  }
  void TearDown() override {
    DeinitXPlug(1);
    EXPECT_EQ(compat::loadedLibraryCount(), 0) << "a plug-in library was left loaded";
  }
  // The fakes' log since the last call.
  static Log take() {
    Log log = fakeLog();
    fakeLog().clear();
    return log;
  }
};
