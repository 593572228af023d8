// The two ways "out_wave.dll" can be unusable. Each test runs in a process
// of its own whose library path holds no "out_wave.dll" or a broken one.
#include "inbridge_fixture.h"

// Run with no "out_wave.dll" on the library path.
TEST_F(InbridgeTest, NoOutputPluginShowsTheFirstMessage) {
  EXPECT_EQ(InitXPlug(FAKE_IN), 0);
  ASSERT_EQ(spy::messageBoxes().size(), 1u);
  EXPECT_EQ(spy::messageBoxes()[0].text, "A required .DLL file, OUT_WAVE.DLL, was not found.");
  EXPECT_EQ(spy::messageBoxes()[0].caption, "Error Starting Program");
  EXPECT_EQ(spy::messageBoxes()[0].type, 0x30u);
  EXPECT_EQ(spy::calls().loadLibrary, 1) << "the input plug-in is not tried";
  EXPECT_EQ(PlayX("a.wav"), 1);
  EXPECT_TRUE(take().empty());
}

// Run with an "out_wave.dll" without winampGetOutModule on the library path.
TEST_F(InbridgeTest, OutputWithoutEntryIsFreedAndReported) {
  EXPECT_EQ(InitXPlug(FAKE_IN), 0);
  ASSERT_EQ(spy::messageBoxes().size(), 1u);
  EXPECT_EQ(spy::messageBoxes()[0].caption, "Error Starting Program");
  EXPECT_EQ(compat::loadedLibraryCount(), 0);
  EXPECT_EQ(spy::calls().freeLibrary, 1);
}
