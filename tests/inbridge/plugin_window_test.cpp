// The input plug-in's window passes on the end of a track, posted from a
// thread of the plug-in's own, to the host's window, and nothing else. (What
// real and quirky plug-ins do to that window is in
// tests/scenarios/inbridge_scenarios.cpp.)
#include <thread>

#include "inbridge_fixture.h"

namespace {

// A host window that keeps the messages it gets.
std::vector<UINT> hostMessages;
LRESULT CALLBACK hostProc(HWND, UINT message, WPARAM, LPARAM) {
  hostMessages.push_back(message);
  return 0;
}

HWND makeHostWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = hostProc;
  windowClass.lpszClassName = "test host";
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, "test host", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

void pumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
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
