// inbridge through the real inbridge.dll: both failure boxes; plug-ins that
// do what third-party ones do (their window, the DSP, timers and hooks),
// beside a dialog host; in_wav (ANSI and UTF-16 paths) into the recording
// output, with every export and the bound record looked at; and in_wav into
// the real out_wave.dll, whose sound the runner captures on the Linux side
// and compares with sound.wav, and, run again without a sound device, whose
// play fails at once.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "exports.h"
#include "inbridge.h"
#include "quirk_report.h"
#include "scenario_files.h"
#include "wav_file.h"
#include "winamp/plugin.h"
#include "wine_tests.h"

namespace {

// What the steps share.
struct {
  INBRIDGE_EXPORTS(EXPORT_POINTER)
} api;
const TestPaths* paths;
MessageWatcher* boxes;
HWND host;
std::string plugins, testPlugins, inWav;  // folders, and our in_wav.dll
const wav::Wav tone = wav::makeWav();

bool bindInbridge(HMODULE dll) {
  return ok(dll != nullptr, "inbridge.dll not loaded, error %lu", GetLastError()) &&
         true INBRIDGE_EXPORTS(EXPORT_BOUND);
}

// The host's own window, which counts the ends of tracks it is told of.
int endsHeard = 0;
LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_WA_MPEG_EOF) endsHeard++;
  return DefWindowProcA(window, message, w, l);
}

HWND makeHostWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = hostProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "inbridge test host";
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, windowClass.lpszClassName, "host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                         nullptr, nullptr, windowClass.hInstance, nullptr);
}

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

// Pumps the host's messages until the condition holds or ms have passed.
template <class Condition>
bool waitFor(Condition condition, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    pumpMessages();
    if (condition()) return true;
    if (GetTickCount() - start > ms) return false;
    Sleep(10);
  }
}

// One warning box of inbridge's: the caption and text, no owner (though the
// host has named its window), the warning icon, OK alone.
void inbridgeBox(const char* caption, const std::string& text) {
  boxes->expectOne(caption, text, true);
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  return ok(writeAll(path, bytes), "cannot write %s", path.c_str());
}

template <class F>
F exportOf(const char* module, const char* name) {
  HMODULE library = GetModuleHandleA(module);
  return library ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)))
                 : nullptr;
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

struct Quirk {
  const char* name;
  int dspSamples;  // that the plug-in gets back and writes
  bool timer;
};

// A quirk plug-in twice in a row beside the dialog host: its window is its
// own and answers its queries with 0, its DSP hands the samples back, its
// timer and hook run in the host's loop until the unload, after which the
// loop goes on without them; the dialog keeps its procedure.
void quirkPluginTwice(const Quirk& quirk, HWND dialog) {
  const std::string name = std::string("in_quirk_") + quirk.name + ".dll";
  const std::string path = testPlugins + "\\" + name;
  const bool loads = std::string(quirk.name) != "init_fail";
  for (int round = 0; round < 2; ++round) {
    ok_eq(api.InitXPlug(path.c_str()), loads ? 1 : 0);
    if (!loads) {
      inbridgeBox("Error Loading Plugin", "A requried file, " + path + ", was not found.");
    } else {
      auto entry = exportOf<GetInModuleFn>(name.c_str(), "winampGetInModule2");
      auto report = exportOf<QuirkReport*(WINAMP_CDECL*)()>(name.c_str(), "quirk_report");
      if (!ok(entry && report, "%s: no record or report", name.c_str())) return;
      HWND window = entry()->hMainWindow;
      ok(IsWindow(window) && window != dialog, "%s: window %p", name.c_str(),
         static_cast<void*>(window));
      ok_eq(report()->versionAnswer, 0);
      ok_eq(api.PlayX("any.wav"), 1);
      ok_eq(report()->dspSamples, quirk.dspSamples);
      ok_eq(report()->bytesWritten, quirk.dspSamples * 4);
      if (quirk.timer) {
        ok(waitFor([&] { return report()->timerTicks > 0 && report()->hookCalls > 0; }, 10000),
           "%s: %d timer ticks, %d hook calls", name.c_str(), report()->timerTicks,
           report()->hookCalls);
      }
      ok_eq(SendMessageA(window, WM_USER, 0, 3025), 0);
      const UINT_PTR timer = report()->timer;
      const HHOOK hook = static_cast<HHOOK>(report()->hook);
      api.DeinitXPlug(0);
      ok(!IsWindow(window), "%s: its window outlived it", name.c_str());
      // Gone with the plug-in (a leftover need not crash the loop below):
      // these would remove what it left set.
      ok(!KillTimer(nullptr, timer), "%s: its timer is left", name.c_str());
      ok(!UnhookWindowsHookEx(hook), "%s: its hook is left", name.c_str());
    }
    ok(GetModuleHandleA(name.c_str()) == nullptr, "%s is still loaded", name.c_str());
    ok_eq(SendMessageA(dialog, WM_USER, 0, 0), 0x534B0001);
    // A timer or hook left behind would now run code that is gone.
    waitFor([] { return false; }, 100);
  }
}

bool quirkPluginsLeaveADialogHostWhole() {
  HWND dialog = makeDialogHost();
  if (!ok(dialog != nullptr, "no dialog host")) return true;
  ok_eq(SendMessageA(dialog, WM_USER, 0, 0), 0x534B0001);
  api.SetXPlugParent(dialog);
  for (const Quirk& quirk :
       {Quirk{"subclass", 0, false}, Quirk{"query", 0, false}, Quirk{"init_fail", 0, false},
        Quirk{"dsp", 576, false}, Quirk{"timer", 0, true}})
    quirkPluginTwice(quirk, dialog);
  api.DeinitXPlug(1);
  DestroyWindow(dialog);
  ok(api.SetXPlugParent(host) == host, "the host's window not taken back");
  return true;
}

// Once the play is past ms, a pause holds the position until it goes on.
void pauseHoldsThePosition(int ms) {
  ok(waitFor([&] { return api.GetXOutputTime() > ms; }, 20000), "at %d ms after 20 s",
     api.GetXOutputTime());
  ok_eq(api.PauseX(), 1);
  const int held = api.GetXOutputTime();
  Sleep(300);
  ok_eq(api.GetXOutputTime(), held);
  ok_eq(api.PauseX(), 0);
}

// in_wav into the recording output: what inbridge wrote into the record,
// every forwarded call as the output saw it, and every sample.
void recordedPlay(const std::string& plugin, const std::string& wavPath) {
  ok_eq(api.InitXPlug(plugin.c_str()), 1);
  auto log = exportOf<int(WINAMP_CDECL*)(char*, int)>("out_wave.dll", "outwave_log");
  auto pcm = exportOf<int(WINAMP_CDECL*)(unsigned char*, int)>("out_wave.dll", "outwave_pcm");
  auto outEntry = exportOf<GetOutModuleFn>("out_wave.dll", "winampGetOutModule");
  const std::string moduleName = plugin.substr(plugin.rfind('\\') + 1);
  auto inEntry = exportOf<GetInModuleFn>(moduleName.c_str(), "winampGetInModule2");
  if (!ok(log && pcm && outEntry && inEntry, "%s or the recording output not loaded",
          moduleName.c_str()))
    return;
  auto calls = [&] {
    std::string text(static_cast<size_t>(log(nullptr, 0)) + 1, '\0');
    log(&text[0], static_cast<int>(text.size()));
    return text;
  };
  const In_Module* in = inEntry();
  ok(IsWindow(in->hMainWindow) && in->hMainWindow != host, "input's window %p",
     static_cast<void*>(in->hMainWindow));
  ok(in->hDllInstance == GetModuleHandleA(moduleName.c_str()), "hDllInstance %p",
     static_cast<void*>(in->hDllInstance));
  ok(in->outMod == outEntry(), "outMod %p", static_cast<void*>(in->outMod));
  ok_eq(in->version & 0xFFFF, 0x100);
  ok(outEntry()->hMainWindow == host, "output's window %p",
     static_cast<void*>(outEntry()->hMainWindow));
  // The mixer of Wine's device reports success without a value: full volume.
  ok(calls().find("Init\nSetVolume 255\n") != std::string::npos, "calls: %s", calls().c_str());
  ok_eq(api.LoadX(), 1);
  ok_eq(api.GetXPlugCfg(0), 576);
  ok_eq(api.SetXPlugCfg(1024), 1);
  ok_eq(api.SetXPlugCfg(5), 0);

  endsHeard = 0;
  ok_eq(api.PlayX(wavPath.c_str()), 1);
  ok_eq(api.GetXLength(), tone.lengthMs());
  pauseHoldsThePosition(50);
  api.SetXVolume(77);
  api.SetXPan(-20);
  // Back to the start: the whole sound is written once more from there.
  api.SetXOutputTime(0);
  ok(waitFor([&] { return endsHeard > 0; }, 30000), "no end of track in 30 s");
  const std::string text = calls();
  ok(text.find("SetVolume 77\nSetPan -20\nFlush 0\n") != std::string::npos, "calls: %s",
     text.c_str());
  std::vector<unsigned char> got(static_cast<size_t>(pcm(nullptr, 0)));
  pcm(got.data(), static_cast<int>(got.size()));
  ok(got.size() >= tone.samples.size() &&
         std::equal(tone.samples.begin(), tone.samples.end(), got.end() - tone.samples.size()),
     "%u bytes played, not ending in the %u of the file", unsigned(got.size()),
     unsigned(tone.samples.size()));
  ok_eq(endsHeard, 1);
  api.StopX();
  api.DeinitXPlug(0);
}

bool inWavIntoTheRecordingOutput() {
  const std::string path = paths->out + "\\tone.wav";
  if (writeFile(path, tone.file)) recordedPlay(inWav, path);
  return true;
}

// A name outside ASCII, in the ANSI code page, for the plug-in that opens
// its files by UTF-16 names.
bool utf16PathsIntoTheRecordingOutput() {
  const std::string path = paths->out + "\\tone \xE9t\xE9.wav";
  if (writeFile(path, tone.file)) recordedPlay(testPlugins + "\\in_wav_unicode.dll", path);
  api.DeinitXPlug(1);
  ok(GetModuleHandleA("out_wave.dll") == nullptr, "the output is still loaded");
  return true;
}

// sound.wav at the capture's format plays on Wine's device; a pause holds
// the position; after a seek back to the start the whole sound plays in real
// time, and the runner finds it, unchanged, in what the device received.
bool inWavIntoTheRealOutput() {
  SetDllDirectoryA(plugins.c_str());
  const wav::Wav sound = wav::makeWav(44100, 2000);
  writeFile(paths->out + "\\sound.wav", sound.file);
  ok_eq(api.InitXPlug(inWav.c_str()), 1);
  api.SetXVolume(255);
  api.SetXPan(0);
  endsHeard = 0;
  ok_eq(api.PlayX((paths->out + "\\sound.wav").c_str()), 1);
  pauseHoldsThePosition(300);
  const DWORD start = GetTickCount();
  api.SetXOutputTime(0);
  ok(waitFor([] { return endsHeard > 0; }, 30000), "no end of track in 30 s");
  const DWORD took = GetTickCount() - start;
  std::printf("sound.wav (%d ms) played through out_wave.dll in %lu ms\n", sound.lengthMs(),
              static_cast<unsigned long>(took));
  ok(took >= static_cast<DWORD>(sound.lengthMs()) * 9 / 10, "played in %lu ms",
     static_cast<unsigned long>(took));
  ok_eq(api.GetXOutputTime(), sound.lengthMs());
  ok_eq(endsHeard, 1);
  api.StopX();
  api.DeinitXPlug(1);
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
  HMODULE dll = LoadLibraryA((paths->dist + "\\inbridge.dll").c_str());
  if (!bindInbridge(dll)) return;
  host = makeHostWindow();
  runSteps("inbridge", steps);
  api.SetXPlugParent(nullptr);
  DestroyWindow(host);
  FreeLibrary(dll);
}

void runNoSoundTests(const TestPaths& testPaths, MessageWatcher& watcher) {
  setPaths(testPaths, watcher);
  HMODULE dll = LoadLibraryA((paths->dist + "\\inbridge.dll").c_str());
  if (bindInbridge(dll)) runSteps("nosound", noSoundSteps);
  if (dll) FreeLibrary(dll);
}
