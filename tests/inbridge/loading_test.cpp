// Loading, binding and unloading over fake plug-ins that log their calls.
#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "inbridge_fixture.h"

namespace {

const char kMissing[] = "/nonexistent/in_missing.dll";
const std::string kNotFound = std::string("A requried file, ") + kMissing + ", was not found.";

const Log kFirstLoad = {"out.winampGetOutModule", "out.Init", "in.winampGetInModule2", "in.Init",
                        "in.SetVolume 255"};
const Log kInputLoad = {"in.winampGetInModule2", "in.Init", "in.SetVolume 255"};

struct Step {
  std::function<int()> call;
  int result;
  Log log;
  std::string box;  // caption of the box the step shows, if any
};

struct Scenario {
  const char* name;
  std::vector<Step> steps;
};

int init(const char* path) {
  return InitXPlug(path);
}
int deinit(int n) {
  DeinitXPlug(n);
  return -1;
}
int play(const char* f) {
  return PlayX(f);
}
int parent() {
  SetXPlugParent(reinterpret_cast<void*>(0x1234));
  return -1;
}

void PrintTo(const Scenario& s, std::ostream* os) {
  *os << s.name;
}

}  // namespace

class StateTable : public InbridgeTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(StateTable, Steps) {
  int n = 0;
  for (const Step& step : GetParam().steps) {
    SCOPED_TRACE("step " + std::to_string(++n));
    spy::messageBoxes().clear();
    const int result = step.call();
    if (step.result != -1) EXPECT_EQ(result, step.result);
    EXPECT_EQ(take(), step.log);
    if (step.box.empty()) {
      EXPECT_TRUE(spy::messageBoxes().empty());
    } else {
      ASSERT_EQ(spy::messageBoxes().size(), 1u);
      EXPECT_EQ(spy::messageBoxes()[0].caption, step.box);
      EXPECT_EQ(spy::messageBoxes()[0].owner, nullptr) << "no owner, not the parent";
      EXPECT_EQ(spy::messageBoxes()[0].type, 0x30u);
    }
    EXPECT_EQ(LoadX(), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Inbridge, StateTable,
    ::testing::Values(Scenario{"EmptyToLoaded",
                               {{[] { return init(FAKE_IN); }, 1, kFirstLoad, ""}}},
                      Scenario{"LoadedIgnoresANewPath",
                               {{[] { return init(FAKE_IN); }, 1, kFirstLoad, ""},
                                {[] { return init(FAKE_IN_NOCONFIG); }, 1, {}, ""},
                                {[] { return GetXPlugCfg(5); }, 0, {"in.GetConfig 5"}, ""}}},
                      Scenario{"MissingInputThenFound",
                               {{parent, -1, {}, ""},
                                {[] { return init(kMissing); },
                                 0,
                                 {"out.winampGetOutModule", "out.Init"},
                                 "Error Loading Plugin"},
                                {[] { return play("a.wav"); }, 1, {}, ""},
                                {[] { return init(FAKE_IN); }, 1, kInputLoad, ""}}},
                      Scenario{"NullPath",
                               {{[] { return init(nullptr); },
                                 0,
                                 {"out.winampGetOutModule", "out.Init"},
                                 "Error Loading Plugin"},
                                {[] { return init(FAKE_IN); }, 1, kInputLoad, ""}}},
                      Scenario{"InputWithoutEntry",
                               {{[] { return init(FAKE_IN_NOENTRY); },
                                 0,
                                 {"out.winampGetOutModule", "out.Init"},
                                 "Error Loading Plugin"},
                                {[] { return PauseX(); }, 0, {}, ""},
                                {[] { return init(FAKE_IN); }, 1, kInputLoad, ""}}},
                      Scenario{"InputWithoutRecord",
                               {{[] {
                                   fakeControl().inNullRecord = true;
                                   return init(FAKE_IN);
                                 },
                                 0,
                                 {"out.winampGetOutModule", "out.Init", "in.winampGetInModule2"},
                                 "Error Loading Plugin"},
                                {[] {
                                   fakeControl().inNullRecord = false;
                                   return init(FAKE_IN);
                                 },
                                 1, kInputLoad, ""}}},
                      Scenario{"OutputWithoutRecord",
                               {{parent, -1, {}, ""},
                                {[] {
                                   fakeControl().outNullRecord = true;
                                   return init(FAKE_IN);
                                 },
                                 0,
                                 {"out.winampGetOutModule"},
                                 "Error Starting Program"},
                                {[] { return deinit(1); }, -1, {}, ""},
                                {[] {
                                   fakeControl().outNullRecord = false;
                                   return init(FAKE_IN);
                                 },
                                 1, kFirstLoad, ""}}},
                      Scenario{"DeinitKeepingOutputWhilePlaying",
                               {{[] { return init(FAKE_IN); }, 1, kFirstLoad, ""},
                                {[] { return play("a.wav"); }, 1, {"in.Play a.wav"}, ""},
                                {[] { return deinit(0); }, -1, {"in.Stop", "in.Quit"}, ""},
                                {[] {
                                   StopX();
                                   return -1;
                                 },
                                 -1,
                                 {},
                                 ""},
                                {[] { return init(FAKE_IN); }, 1, kInputLoad, ""}}},
                      Scenario{"DeinitAll",
                               {{[] { return init(FAKE_IN); }, 1, kFirstLoad, ""},
                                {[] { return deinit(1); }, -1, {"in.Quit", "out.Quit"}, ""},
                                {[] { return deinit(1); }, -1, {}, ""},
                                {[] { return deinit(0); }, -1, {}, ""},
                                {[] { return init(FAKE_IN); }, 1, kFirstLoad, ""}}},
        Scenario{"UnicodePluginGetsUtf16Paths",
                 {{[] {
                     fakeControl().versionFlags = IN_UNICODE;
                     return init(FAKE_IN);
                   },
                   1, kFirstLoad, ""},
                  {[] { return play("/m\xC3\xBAsica/\xC3\xA9t\xC3\xA9.wav"); },
                   1,
                   {"in.Play wide /m\xC3\xBAsica/\xC3\xA9t\xC3\xA9.wav"},
                   ""},
                  // 299 characters fit with the terminator; 300 call nothing.
                  {[] { return play(std::string(299, 'a').c_str()); },
                   1,
                   {"in.Stop", "in.Play wide " + std::string(299, 'a')},
                   ""},
                  {[] { return play(std::string(300, 'a').c_str()); }, 0, {}, ""},
                  {[] { return play(nullptr); }, 0, {}, ""},
                  {[] {
                     StopX();
                     return -1;
                   },
                   -1,
                   {"in.Stop"},
                   ""}}},
        Scenario{"InitWithResult",
                 {{[] {
                     fakeControl().versionFlags = IN_INIT_RET;
                     fakeControl().initResult = 1;
                     return init(FAKE_IN);
                   },
                   0,
                   {"out.winampGetOutModule", "out.Init", "in.winampGetInModule2", "in.Init"},
                   "Error Loading Plugin"},
                  {[] { return PauseX(); }, 0, {}, ""},
                  {[] {
                     fakeControl().initResult = 0;
                     return init(FAKE_IN);
                   },
                   1, kInputLoad, ""},
                  {[] { return deinit(0); }, -1, {"in.Quit"}, ""},
                  // Without the flag the same answer is not looked at.
                  {[] {
                     fakeControl().versionFlags = 0;
                     fakeControl().initResult = 1;
                     return init(FAKE_IN);
                   },
                   1, kInputLoad, ""}}},
                      Scenario{"OutputOnlyDeinit",
                               {{[] { return init(kMissing); },
                                 0,
                                 {"out.winampGetOutModule", "out.Init"},
                                 "Error Loading Plugin"},
                                {[] { return deinit(0); }, -1, {}, ""},
                                {[] { return deinit(1); }, -1, {"out.Quit"}, ""}}}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

TEST_F(InbridgeTest, MessagesAreExactAndOwnerless) {
  SetXPlugParent(reinterpret_cast<void*>(0x1234));
  EXPECT_EQ(InitXPlug(kMissing), 0);
  ASSERT_EQ(spy::messageBoxes().size(), 1u);
  const spy::MessageBoxRecord& box = spy::messageBoxes()[0];
  EXPECT_EQ(box.text, kNotFound);
  EXPECT_EQ(box.caption, "Error Loading Plugin");
  EXPECT_EQ(box.type, 0x30u);
  EXPECT_EQ(box.owner, nullptr);
}

TEST_F(InbridgeTest, PathsThatDoNotFitAreRefusedWithACutMessage) {
  for (std::size_t length : {266u, 267u, 299u, 300u, 1000u}) {
    DeinitXPlug(1);
    spy::reset();
    spy::captureMessageBoxes(true);
    const std::string path = "/nonexistent/" + std::string(length - 13, 'p');
    EXPECT_EQ(InitXPlug(path.c_str()), 0) << length;
    ASSERT_EQ(spy::messageBoxes().size(), 1u);
    const std::string& text = spy::messageBoxes()[0].text;
    EXPECT_LE(text.size(), 299u);
    EXPECT_EQ(text.rfind("A requried file, /nonexistent/ppp", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 16), ", was not found.") << text;
    // Whole up to 266 characters, the room the message leaves.
    EXPECT_EQ(text.size(), 33 + std::min<std::size_t>(length, 266)) << length;
    // The output plug-in is loaded; the input path only when it fits.
    EXPECT_EQ(spy::calls().loadLibrary, length < 300 ? 2 : 1) << length;
  }
}

// The handle that LoadLibraryA gave for a library, found again the way the
// stand-in loads it.
void* libraryHandle(const char* name) {
  void* handle = dlopen(name, RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle;
}

// Offsets of the bytes in which two records differ.
template <class Record>
std::string differences(const Record& a, const Record& b) {
  std::string out;
  const auto* x = reinterpret_cast<const unsigned char*>(&a);
  const auto* y = reinterpret_cast<const unsigned char*>(&b);
  for (std::size_t i = 0; i < sizeof(Record); ++i)
    if (x[i] != y[i]) out += " " + std::to_string(i);
  return out;
}

TEST_F(InbridgeTest, RecordsAreBoundAndTheInputGetsAWindowOfItsOwn) {
  ASSERT_EQ(InitXPlug(FAKE_IN), 1);
  In_Module* in = fakeInRecord();
  Out_Module* out = fakeOutRecord();
  ASSERT_TRUE(in && out);
  // The host writes a window of its own, the library handle, the twelve
  // callbacks and outMod into the input record, the host's window (none yet)
  // and the handle into the output record, and no other byte of either.
  HWND first = in->hMainWindow;
  EXPECT_TRUE(IsWindow(first));
  In_Module wantIn;
  std::memcpy(&wantIn, fakeInOriginal(), sizeof wantIn);
  wantIn.hMainWindow = first;
  wantIn.hDllInstance = static_cast<HINSTANCE>(libraryHandle(FAKE_IN));
  ASSERT_NE(wantIn.hDllInstance, nullptr);
  wantIn.outMod = out;
  // The callbacks are the host's own (called below).
  wantIn.SAVSAInit = in->SAVSAInit;
  wantIn.SAVSADeInit = in->SAVSADeInit;
  wantIn.SAAddPCMData = in->SAAddPCMData;
  wantIn.SAGetMode = in->SAGetMode;
  wantIn.SAAdd = in->SAAdd;
  wantIn.VSAAddPCMData = in->VSAAddPCMData;
  wantIn.VSAGetMode = in->VSAGetMode;
  wantIn.VSAAdd = in->VSAAdd;
  wantIn.VSASetInfo = in->VSASetInfo;
  wantIn.dsp_isactive = in->dsp_isactive;
  wantIn.dsp_dosamples = in->dsp_dosamples;
  wantIn.SetInfo = in->SetInfo;
  EXPECT_EQ(differences(wantIn, *in), "");
  Out_Module wantOut;
  std::memcpy(&wantOut, fakeOutOriginal(), sizeof wantOut);
  wantOut.hMainWindow = nullptr;
  wantOut.hDllInstance = static_cast<HINSTANCE>(libraryHandle("out_wave.dll"));
  ASSERT_NE(wantOut.hDllInstance, nullptr);
  EXPECT_EQ(differences(wantOut, *out), "");

  // The do-nothing callbacks.
  int spec = 7, wave = 9;
  short samples[4] = {1, 2, 3, 4};
  EXPECT_EQ(in->SAGetMode(), 0);
  EXPECT_EQ(in->VSAGetMode(&spec, &wave), 0);
  EXPECT_EQ(spec, 7);
  EXPECT_EQ(wave, 9);
  EXPECT_EQ(in->dsp_isactive(), 0);
  EXPECT_EQ(in->dsp_dosamples(samples, 2, 16, 2, 44100), 2) << "the count, samples untouched";
  EXPECT_EQ(samples[3], 4);
  in->SAVSAInit(10, 44100);
  in->SAVSADeInit();
  in->SAAddPCMData(samples, 2, 16, 0);
  in->SAAdd(samples, 0, 0);
  in->VSAAddPCMData(samples, 2, 16, 0);
  in->VSAAdd(samples, 0);
  in->VSASetInfo(44100, 2);
  in->SetInfo(128, 44, 1, 1);

  // The host's window reaches the output plug-in; the input keeps its own.
  void* window = reinterpret_cast<void*>(0xBEEF);
  EXPECT_EQ(SetXPlugParent(window), window);
  EXPECT_EQ(in->hMainWindow, first);
  EXPECT_EQ(out->hMainWindow, window);
  take();
  DeinitXPlug(1);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(compat::liveWindowCount(), 0);
  EXPECT_EQ(compat::windowClassCount(), 0);

  // Unloading keeps the parent for the next load.
  ASSERT_EQ(InitXPlug(FAKE_IN), 1);
  EXPECT_EQ(fakeOutRecord()->hMainWindow, window);
  EXPECT_TRUE(IsWindow(fakeInRecord()->hMainWindow));
  EXPECT_NE(fakeInRecord()->hMainWindow, window);
  DeinitXPlug(1);

  // Set while nothing is loaded: the next load gets it.
  void* other = reinterpret_cast<void*>(0xCAFE);
  EXPECT_EQ(SetXPlugParent(other), other);
  ASSERT_EQ(InitXPlug(FAKE_IN), 1);
  EXPECT_EQ(fakeOutRecord()->hMainWindow, other);
  EXPECT_TRUE(IsWindow(fakeInRecord()->hMainWindow));
  EXPECT_NE(fakeInRecord()->hMainWindow, other);
}

using spy::MixerFault;

struct MixerCase {
  bool present;
  std::uint32_t left;
  MixerFault fault;
  int volume;
};

void PrintTo(const MixerCase& c, std::ostream* os) {
  static const char* const kFaults[] = {
      "none", "line info", "line controls", "control details", "no device", "values unwritten"};
  *os << (c.present ? "mixer" : "no mixer") << " left=" << c.left
      << " fault: " << kFaults[static_cast<int>(c.fault)];
}

class MixerVolume : public InbridgeTest, public ::testing::WithParamInterface<MixerCase> {};

TEST_P(MixerVolume, FirstChannelShiftedOrFullWhenUnreadable) {
  const MixerCase& c = GetParam();
  spy::FakeMixer& m = spy::mixer();
  m.present = c.present;
  m.left = c.left;
  m.right = 0x1111;
  m.fault = c.fault;
  ASSERT_EQ(InitXPlug(FAKE_IN), 1);
  EXPECT_EQ(take().back(), "in.SetVolume " + std::to_string(c.volume));
  if (c.present && (c.fault == MixerFault::None || c.fault == MixerFault::ValuesUnwritten)) {
    EXPECT_EQ(m.askedComponentType, 0x1008u);
    EXPECT_EQ(m.askedControlType, 0x50030001u);
    EXPECT_EQ(m.askedControlId, m.controlId);
    EXPECT_EQ(m.askedChannels, 2u);
    EXPECT_EQ(m.askedMixer, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Inbridge, MixerVolume,
    ::testing::Values(MixerCase{true, 0xFFFF, MixerFault::None, 255},
                      MixerCase{true, 0x8000, MixerFault::None, 128},
                      MixerCase{true, 0x00FF, MixerFault::None, 0},
                      MixerCase{false, 0x8000, MixerFault::None, 255},
                      MixerCase{true, 0x8000, MixerFault::LineInfo, 255},
                      MixerCase{true, 0x8000, MixerFault::LineControls, 255},
                      MixerCase{true, 0x8000, MixerFault::ControlDetails, 255},
                      MixerCase{true, 0x8000, MixerFault::NoDevice, 255},
                      MixerCase{true, 0x8000, MixerFault::ValuesUnwritten, 255},
                      // Shifted as an unsigned number, neither clamped nor sign-extended.
                      MixerCase{true, 0x12345, MixerFault::None, 0x123},
                      MixerCase{true, 0x80000000u, MixerFault::None, 0x800000}));
