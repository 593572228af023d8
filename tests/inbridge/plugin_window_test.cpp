// The input plug-in's window against plug-ins that treat it as third-party
// ones do: subclassed and never restored, asked WM_USER queries whose answer
// is used as a pointer, posted the end of a track from a thread of their own,
// given a thread timer and a message hook until Quit. The host's window must
// neither be touched nor crash the host afterwards.
#include <dlfcn.h>

#include <chrono>
#include <thread>

#include "inbridge_fixture.h"
#include "quirk_report.h"
#include "wait_for.h"

namespace {

// A host window that keeps the messages it gets; answering WM_USER as a
// dialog does (DM_GETDEFID) is what crashed plug-ins given the host's window.
std::vector<UINT> hostMessages;
LRESULT CALLBACK dialogHostProc(HWND, UINT message, WPARAM, LPARAM) {
  hostMessages.push_back(message);
  return message == WM_USER ? 0x534B0001 : 0;
}

HWND makeHostWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = dialogHostProc;
  windowClass.lpszClassName = "test host";
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, "test host", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

void pumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// The record the plug-in at path handed out, while it is loaded.
In_Module* loadedRecord(const std::string& path) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!library) return nullptr;
  auto entry = reinterpret_cast<GetInModuleFn>(dlsym(library, "winampGetInModule2"));
  In_Module* record = entry ? entry() : nullptr;
  dlclose(library);
  return record;
}

QuirkReport* reportOf(const std::string& path) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!library) return nullptr;
  auto report = reinterpret_cast<QuirkReport* (*)()>(dlsym(library, "quirk_report"));
  dlclose(library);
  return report ? report() : nullptr;
}

bool isLoaded(const std::string& path) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (library) dlclose(library);
  return library != nullptr;
}

}  // namespace

class PluginWindow : public InbridgeTest {
 protected:
  void SetUp() override {
    InbridgeTest::SetUp();
    hostMessages.clear();
    host_ = makeHostWindow();
    ASSERT_NE(host_, nullptr);
    SetXPlugParent(host_);
  }
  void TearDown() override {
    InbridgeTest::TearDown();
    SetXPlugParent(nullptr);
    DestroyWindow(host_);
    UnregisterClassA("test host", nullptr);
    EXPECT_EQ(compat::liveWindowCount(), 0);
  }
  HWND host_ = nullptr;
};

// Each quirk plug-in loaded twice in a row beside a dialog host: it gets a
// live window that is not the host's and answers its queries with 0, and a
// DSP that hands its samples back; after the unload that window is gone, no
// timer or hook of the plug-in is left, the library is unmapped, and the
// host's own procedure and message loop still run.
TEST_F(PluginWindow, QuirkPluginsLeaveTheHostWhole) {
  struct Quirk {
    const char* name;
    bool loads;
    int dspSamples;  // that the plug-in gets back and writes
    bool timer;      // its timer and hook run in the host's loop while loaded
  };
  for (const Quirk& quirk : {Quirk{"subclass", true, 0, false}, Quirk{"query", true, 0, false},
                             Quirk{"init_fail", false, 0, false}, Quirk{"dsp", true, 576, false},
                             Quirk{"timer", true, 0, true}}) {
    const std::string path = std::string(QUIRK_DIR) + "/in_quirk_" + quirk.name + ".dll";
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(path + " round " + std::to_string(round));
      spy::messageBoxes().clear();
      ASSERT_EQ(InitXPlug(path.c_str()), quirk.loads ? 1 : 0);
      EXPECT_EQ(spy::messageBoxes().size(), quirk.loads ? 0u : 1u);
      if (quirk.loads) {
        In_Module* record = loadedRecord(path);
        QuirkReport* report = reportOf(path);
        ASSERT_TRUE(record && report);
        HWND window = record->hMainWindow;
        EXPECT_TRUE(IsWindow(window));
        EXPECT_NE(window, host_);
        EXPECT_EQ(report->initCalls, 1);
        EXPECT_EQ(report->versionAnswer, 0);
        EXPECT_EQ(PlayX("a.wav"), 1);
        EXPECT_EQ(report->dspSamples, quirk.dspSamples);
        EXPECT_EQ(report->bytesWritten, quirk.dspSamples * 4);
        if (quirk.timer) {
          EXPECT_TRUE(waitFor([&] {
            pumpMessages();
            return report->timerTicks > 0 && report->hookCalls > 0;
          }));
        }
        EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 0);
        EXPECT_EQ(SendMessageA(window, WM_USER, 0, 3025), 0);
        const UINT_PTR timer = report->timer;
        const HHOOK hook = static_cast<HHOOK>(report->hook);
        DeinitXPlug(1);
        EXPECT_FALSE(IsWindow(window));
        // Gone with the plug-in: these would remove what it left set.
        ASSERT_FALSE(KillTimer(nullptr, timer));
        ASSERT_FALSE(UnhookWindowsHookEx(hook));
      }
      EXPECT_FALSE(isLoaded(path));
      for (int tick = 0; tick < 5; ++tick) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        pumpMessages();
      }
      hostMessages.clear();
      EXPECT_EQ(SendMessageA(host_, WM_USER, 0, 0), 0x534B0001);
      EXPECT_EQ(hostMessages, std::vector<UINT>{WM_USER});
      EXPECT_EQ(compat::liveWindowCount(), 1) << "only the host's";
    }
  }
}

// The plug-in's end of track, posted from its own thread, reaches the window
// the host named last, through the host's own message loop; nothing else the
// plug-in posts is passed on.
TEST_F(PluginWindow, EndOfTrackIsPassedOnToTheHost) {
  ASSERT_EQ(InitXPlug(FAKE_IN), 1);
  HWND window = fakeInRecord()->hMainWindow;
  auto postFromPluginThread = [window](UINT message) {
    std::thread([window, message] { PostMessageA(window, message, 0, 0); }).join();
    pumpMessages();
  };
  postFromPluginThread(WM_WA_MPEG_EOF);
  postFromPluginThread(WM_USER + 1);
  EXPECT_EQ(hostMessages, std::vector<UINT>{WM_WA_MPEG_EOF});

  HWND second =
      CreateWindowExA(0, "test host", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  hostMessages.clear();
  SetXPlugParent(second);
  postFromPluginThread(WM_WA_MPEG_EOF);
  SetXPlugParent(nullptr);
  postFromPluginThread(WM_WA_MPEG_EOF);
  EXPECT_EQ(hostMessages, std::vector<UINT>{WM_WA_MPEG_EOF});
  DestroyWindow(second);
}
