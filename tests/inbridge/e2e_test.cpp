// inbridge with our own plug-ins end to end, natively: the scenarios that the
// Win32 test program runs too (tests/scenarios/inbridge_scenarios.cpp), over
// the spy and the stand-in, with the recording output as "out_wave.dll".
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inbridge_scenarios.h"
#include "temp_files.h"
#include "win32_spy.h"

namespace {

HMODULE loaded(const std::string& path) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (library) dlclose(library);  // still loaded by inbridge: the handle holds
  return library;
}

void oneBox(const char* caption, const std::string& text) {
  const std::vector<spy::MessageBoxRecord> boxes = spy::messageBoxes();
  spy::messageBoxes().clear();
  ASSERT_EQ(boxes.size(), 1u) << text;
  EXPECT_EQ(boxes[0].caption, caption);
  EXPECT_EQ(boxes[0].text, text);
  EXPECT_EQ(boxes[0].owner, nullptr) << "no owner, though the host named its window";
  EXPECT_EQ(boxes[0].type, 0x30u) << "the warning icon, OK alone";
}

void noBox() {
  for (const spy::MessageBoxRecord& box : spy::messageBoxes()) ADD_FAILURE() << box.text;
  spy::messageBoxes().clear();
}

int windows() {
  return compat::liveWindowCount();
}

const InbridgeApi api{INBRIDGE_EXPORTS(EXPORT_ITSELF)};
const InbridgeHarness harness{loaded, oneBox, noBox, windows};

// A host window that answers WM_USER as a dialog's does (DM_GETDEFID), and
// keeps the messages it gets.
std::vector<UINT> hostMessages;
LRESULT CALLBACK dialogHostProc(HWND, UINT message, WPARAM, LPARAM) {
  hostMessages.push_back(message);
  return message == WM_USER ? 0x534B0001 : 0;
}

}  // namespace

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    spy::reset();
    spy::captureMessageBoxes(true);
  }
  void TearDown() override {
    DeinitXPlug(1);
    EXPECT_EQ(compat::loadedLibraryCount(), 0) << "a plug-in library was left loaded";
    EXPECT_EQ(compat::liveWindowCount(), 0);
  }
};

TEST_F(EndToEnd, InWavIntoTheRecordingOutput) {
  runRecordedPlay(api, harness, IN_WAV, testfs::scratchDir().string() + "/", "tone.wav");
}

// A name outside ASCII (the stand-in's code page is UTF-8), for the build
// that opens its files by UTF-16 names.
TEST_F(EndToEnd, Utf16PathsIntoTheRecordingOutput) {
  runRecordedPlay(api, harness, IN_WAV_UNICODE, testfs::scratchDir().string() + "/",
                  "tone \xC3\xA9t\xC3\xA9.wav");
}

TEST_F(EndToEnd, QuirkPluginsLeaveADialogHostWhole) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = dialogHostProc;
  windowClass.lpszClassName = "dialog host";
  RegisterClassA(&windowClass);
  HWND dialog =
      CreateWindowExA(0, "dialog host", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(dialog, nullptr);
  hostMessages.clear();
  runQuirkPlugins(api, harness, dialog, QUIRK_DIR "/");
  // Its own procedure got the scenario's queries, and nothing else.
  EXPECT_FALSE(hostMessages.empty());
  for (UINT message : hostMessages) EXPECT_EQ(message, WM_USER);
  DestroyWindow(dialog);
  UnregisterClassA("dialog host", nullptr);
}
