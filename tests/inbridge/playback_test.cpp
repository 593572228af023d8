// The playback calls over the fake input plug-in.
#include "inbridge_fixture.h"

class Playback : public InbridgeTest {
 protected:
  void load(const char* path = FAKE_IN) {
    ASSERT_EQ(InitXPlug(path), 1);
    take();
  }
};

TEST_F(Playback, PlayWithoutPluginsDoesNothing) {
  EXPECT_EQ(PlayX("a.wav"), 1);
  EXPECT_EQ(PauseX(), 0);
  StopX();
  EXPECT_EQ(GetXLength(), 0);
  EXPECT_EQ(GetXOutputTime(), 0);
  SetXOutputTime(5);
  SetXVolume(5);
  SetXPan(5);
  EXPECT_EQ(GetXPlugCfg(5), 0);
  EXPECT_EQ(SetXPlugCfg(5), 0);
  EXPECT_TRUE(take().empty());
}

TEST_F(Playback, PlayRestartsAndReportsFailure) {
  load();
  struct Case {
    int playResult;
    const char* file;
    int expected;
    Log log;
  };
  for (const Case& c :
       {Case{0, "a.wav", 1, {"in.Play a.wav"}}, Case{0, "b.wav", 1, {"in.Stop", "in.Play b.wav"}},
        Case{-1, "c.wav", 0, {"in.Stop", "in.Play c.wav"}}, Case{2, "d.wav", 0, {"in.Play d.wav"}},
        Case{0, "e.wav", 1, {"in.Play e.wav"}}}) {
    fakeControl().playResult = c.playResult;
    EXPECT_EQ(PlayX(c.file), c.expected) << c.file;
    EXPECT_EQ(take(), c.log) << c.file;
  }
  StopX();
  StopX();
  EXPECT_EQ(take(), (Log{"in.Stop"}));
  fakeControl().playResult = -1;
  PlayX("f.wav");
  StopX();
  EXPECT_EQ(take(), (Log{"in.Play f.wav"})) << "a failed play leaves nothing to stop";
}

TEST_F(Playback, PauseFlagSurvivesStopPlayAndUnload) {
  load();
  EXPECT_EQ(PauseX(), 1);
  EXPECT_EQ(PauseX(), 0);
  EXPECT_EQ(take(), (Log{"in.Pause", "in.UnPause"}));
  EXPECT_EQ(PauseX(), 1);
  StopX();
  PlayX("a.wav");
  EXPECT_EQ(PauseX(), 0);
  EXPECT_EQ(take(), (Log{"in.Pause", "in.Play a.wav", "in.UnPause"}));

  EXPECT_EQ(PauseX(), 1);
  DeinitXPlug(0);
  EXPECT_EQ(PauseX(), 0) << "nothing loaded: nothing called, flag kept";
  load();
  EXPECT_EQ(PauseX(), 0);
  EXPECT_EQ(take(), (Log{"in.UnPause"}));
}

TEST_F(Playback, ValuesPassThroughUnchanged) {
  load();
  fakeControl().length = -7;
  fakeControl().outputTime = 123456;
  fakeControl().getConfigResult = -99;
  fakeControl().setConfigResult = 0x7FFFFFFF;
  EXPECT_EQ(GetXLength(), -7);
  EXPECT_EQ(GetXOutputTime(), 123456);
  SetXOutputTime(-5);
  SetXVolume(300);
  SetXPan(-500);
  EXPECT_EQ(GetXPlugCfg(-1), -99);
  EXPECT_EQ(SetXPlugCfg(0x12345678), 0x7FFFFFFF);
  EXPECT_EQ(take(),
            (Log{"in.GetLength", "in.GetOutputTime", "in.SetOutputTime -5", "in.SetVolume 300",
                 "in.SetPan -500", "in.GetConfig -1", "in.SetConfig 305419896"}));
}

TEST_F(Playback, ConfigurationWithoutTheExportsCallsNothing) {
  load(FAKE_IN_NOCONFIG);
  EXPECT_EQ(GetXPlugCfg(1), 0);
  EXPECT_EQ(SetXPlugCfg(1), 0);
  EXPECT_TRUE(take().empty());
}
