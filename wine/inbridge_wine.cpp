// inbridge through the real inbridge.dll: both failure boxes; the scenarios
// shared with the native suite (tests/scenarios/inbridge_scenarios.cpp):
// plug-ins that do what third-party ones do (their window, the DSP, timers
// and hooks) beside a dialog host, in_wav (ANSI and UTF-16 paths) into the
// recording output; and in_wav into the real out_wave.dll, whose sound the
// runner captures on the Linux side and compares with sound.wav, and, run
// again without a sound device, whose play fails at once.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "inbridge_scenarios.h"
#include "scenario_files.h"
#include "wav_file.h"
#include "wine_tests.h"

namespace {

// What the steps share.
InbridgeApi api;
const TestPaths* paths;
MessageWatcher* boxes;
HWND host;
std::string plugins, testPlugins, inWav;  // folders, and our in_wav.dll

bool bindInbridge(HMODULE dll) {
  return dll && true INBRIDGE_EXPORTS(EXPORT_BOUND);
}

// What the shared scenarios see, through the system here: loaded
// libraries, boxes (inbridge's: no owner though the host has named its
// window, the warning icon, OK alone) and windows.
HMODULE loaded(const std::string& path) {
  return GetModuleHandleA(path.substr(path.find_last_of('\\') + 1).c_str());
}
void inbridgeBox(const char* caption, const std::string& text) {
  boxes->expectOne(caption, text, true);
}
void noBox() {
  boxes->expectNone();
}
BOOL CALLBACK countWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}
int windows() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}
const InbridgeHarness harness{loaded, inbridgeBox, noBox, windows};

// A host whose window is a dialog: the dialog manager answers WM_USER
// (DM_GETDEFID) with a value that plug-ins take for a player's answer.
INT_PTR CALLBACK dialogProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
HWND makeDialogHost() {
  alignas(4) WORD dialogTemplate[12] = {};  // WS_POPUP, no controls, no menu, class or title
  const DWORD style = WS_POPUP;
  dialogTemplate[0] = LOWORD(style);
  dialogTemplate[1] = HIWORD(style);
  dialogTemplate[7] = dialogTemplate[8] = 50;
  return CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                    reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate), nullptr,
                                    dialogProc, 0);
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  return ok(writeAll(path, bytes), "cannot write %s", path.c_str());
}

// "out_wave.dll" is nowhere on the search path yet.
bool missingOutputShowsItsBox() {
  ok(api.SetXPlugParent(host) == host, "the host's window not taken");
  ok_eq(api.InitXPlug(inWav.c_str()), 0);
  inbridgeBox("Error Starting Program", "A required .DLL file, OUT_WAVE.DLL, was not found.");
  return true;
}

bool missingInputShowsItsBox() {
  SetDllDirectoryA((paths->dist + "\\tests\\recording").c_str());
  const std::string missing = plugins + "\\in_missing.dll";
  ok_eq(api.InitXPlug(missing.c_str()), 0);
  inbridgeBox("Error Loading Plugin", "A requried file, " + missing + ", was not found.");
  return true;
}

bool quirkPluginsLeaveADialogHostWhole() {
  HWND dialog = makeDialogHost();
  if (!ok(dialog != nullptr, "no dialog host")) return true;
  runQuirkPlugins(api, harness, dialog, testPlugins + "\\");
  DestroyWindow(dialog);
  return true;
}

bool inWavIntoTheRecordingOutput() {
  runRecordedPlay(api, harness, inWav, paths->out + "\\", "tone.wav");
  return true;
}

// A name outside ASCII, in the ANSI code page, for the build of in_wav that
// opens its files by UTF-16 names.
bool utf16PathsIntoTheRecordingOutput() {
  runRecordedPlay(api, harness, testPlugins + "\\in_wav_unicode.dll", paths->out + "\\",
                  "tone \xE9t\xE9.wav");
  return true;
}

// sound.wav at the capture's format plays on Wine's device; a pause holds
// the position; after a seek back to the start the whole sound plays in real
// time, and the runner finds it, unchanged, in what the device received.
bool inWavIntoTheRealOutput() {
  SetDllDirectoryA(plugins.c_str());
  const wav::Wav sound = wav::makeWav(44100, 2000);
  writeFile(paths->out + "\\sound.wav", sound.file);
  api.SetXPlugParent(host);
  ok_eq(api.InitXPlug(inWav.c_str()), 1);
  api.SetXVolume(255);
  api.SetXPan(0);
  endsHeard() = 0;
  ok_eq(api.PlayX((paths->out + "\\sound.wav").c_str()), 1);
  checkPauseHoldsThePosition(api, 300);
  const DWORD start = GetTickCount();
  api.SetXOutputTime(0);
  ok(pumpUntil([] { return endsHeard() > 0; }, 30000), "no end of track in 30 s");
  const DWORD took = GetTickCount() - start;
  std::printf("sound.wav (%d ms) played through out_wave.dll in %lu ms\n", sound.lengthMs(),
              static_cast<unsigned long>(took));
  ok(took >= static_cast<DWORD>(sound.lengthMs()) * 9 / 10, "played in %lu ms",
     static_cast<unsigned long>(took));
  ok_eq(api.GetXOutputTime(), sound.lengthMs());
  ok_eq(endsHeard(), 1);
  api.StopX();
  api.DeinitXPlug(1);
  api.SetXPlugParent(nullptr);
  boxes->expectNone();
  return true;
}

const Step steps[] = {
    {"a missing output shows its box", missingOutputShowsItsBox},
    {"a missing input shows its box", missingInputShowsItsBox},
    {"quirk plug-ins leave a dialog host whole", quirkPluginsLeaveADialogHostWhole},
    {"in_wav into the recording output", inWavIntoTheRecordingOutput},
    {"UTF-16 paths into the recording output", utf16PathsIntoTheRecordingOutput},
    {"in_wav into the real out_wave.dll", inWavIntoTheRealOutput},
};

// Run where Wine has no sound device: in_wav cannot open the real
// out_wave.dll, so PlayX returns 0 at once and the file is not left open.
// (Wine starts and ends threads of its own meanwhile: the native test
// counts the threads.)
bool withoutADevicePlayFailsAtOnce() {
  if (!ok_eq(waveOutGetNumDevs(), 0)) return true;
  SetDllDirectoryA(plugins.c_str());
  const std::string path = paths->out + "\\no-device.wav";
  writeFile(path, wav::makeWav(44100, 500).file);
  ok_eq(api.InitXPlug(inWav.c_str()), 1);
  ok_eq(api.PlayX(path.c_str()), 0);
  ok_eq(api.GetXOutputTime(), 0);
  // Nobody else holds the file.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ok(file != INVALID_HANDLE_VALUE, "the file is held, error %lu", GetLastError());
  CloseHandle(file);
  api.StopX();
  api.DeinitXPlug(1);
  return true;
}

const Step noSoundSteps[] = {
    {"without a device PlayX fails at once", withoutADevicePlayFailsAtOnce},
};

void setPaths(const TestPaths& testPaths, MessageWatcher& watcher) {
  paths = &testPaths;
  boxes = &watcher;
  plugins = paths->dist + "\\plugins";
  testPlugins = paths->dist + "\\tests\\plugins";
  inWav = plugins + "\\in_wav.dll";
}

}  // namespace

void runInbridgeTests(const TestPaths& testPaths, MessageWatcher& watcher) {
  setPaths(testPaths, watcher);
  HMODULE dll = loadDll(paths->dist + "\\inbridge.dll");
  if (!bindInbridge(dll)) return;
  host = makeHostWindow();
  runSteps("inbridge", steps);
  DestroyWindow(host);
  FreeLibrary(dll);
}

void runNoSoundTests(const TestPaths& testPaths, MessageWatcher& watcher) {
  setPaths(testPaths, watcher);
  HMODULE dll = loadDll(paths->dist + "\\inbridge.dll");
  if (bindInbridge(dll)) runSteps("nosound", noSoundSteps);
  if (dll) FreeLibrary(dll);
}
