#include "inbridge_scenarios.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "quirk_report.h"
#include "scenario_files.h"
#include "wav_file.h"
#include "winamp/plugin.h"
// last: ok and skip are macros
#include "scenario_check.h"

namespace {

// What a dialog's own procedure answers WM_USER (DM_GETDEFID) with, which
// plug-ins given such a window take for a player's answer.
constexpr LRESULT kDialogAnswer = 0x534B0001;

template <class F>
F exportOf(HMODULE library, const char* name) {
  return library ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)))
                 : nullptr;
}

// The recording output's exports: its record, the calls it saw (a line
// each, Write and CanWrite left out) and the bytes that reached it.
struct Recording {
  explicit Recording(HMODULE library)
      : entry(exportOf<GetOutModuleFn>(library, "winampGetOutModule")),
        log(exportOf<int(WINAMP_CDECL*)(char*, int)>(library, "outwave_log")),
        pcm(exportOf<int(WINAMP_CDECL*)(unsigned char*, int)>(library, "outwave_pcm")) {}
  std::string calls() const {
    std::string text(static_cast<std::size_t>(log(nullptr, 0)) + 1, '\0');
    log(&text[0], static_cast<int>(text.size()));
    text.pop_back();
    return text;
  }
  std::vector<unsigned char> bytes() const {
    std::vector<unsigned char> got(static_cast<std::size_t>(pcm(nullptr, 0)));
    pcm(got.data(), static_cast<int>(got.size()));
    return got;
  }

  GetOutModuleFn entry;
  int(WINAMP_CDECL* log)(char*, int);
  int(WINAMP_CDECL* pcm)(unsigned char*, int);
};

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_WA_MPEG_EOF) endsHeard()++;
  return DefWindowProcA(window, message, w, l);
}

// The play itself, once the plug-ins are loaded.
void playIntoTheRecording(const InbridgeApi& api, const InbridgeHarness& harness,
                          const std::string& plugin, const std::string& path, HWND host) {
  const HMODULE input = harness.loaded(plugin);
  const auto inEntry = exportOf<GetInModuleFn>(input, "winampGetInModule2");
  const Recording out(harness.loaded("out_wave.dll"));
  if (!ok(inEntry && out.entry && out.log && out.pcm, "%s or the recording output not loaded",
          plugin.c_str()))
    return;
  // The input gets a window of inbridge's, the output the host's.
  const In_Module* in = inEntry();
  ok(IsWindow(in->hMainWindow) && in->hMainWindow != host, "input's window %p",
     static_cast<void*>(in->hMainWindow));
  ok(in->hDllInstance == input, "hDllInstance %p", static_cast<void*>(in->hDllInstance));
  ok(in->outMod == out.entry(), "outMod %p", static_cast<void*>(in->outMod));
  ok_eq(in->version & 0xFFFF, 0x100);
  ok(out.entry()->hMainWindow == host, "output's window %p",
     static_cast<void*>(out.entry()->hMainWindow));
  // Natively there is no mixer, and Wine's reports success without a value:
  // full volume either way.
  std::string calls = "Init\nSetVolume 255\n";
  ok(out.calls() == calls, "calls: %s", out.calls().c_str());
  ok_eq(api.LoadX(), 1);
  ok_eq(api.GetXPlugCfg(0), 576);
  ok_eq(api.SetXPlugCfg(1024), 1);
  ok_eq(api.GetXPlugCfg(0), 1024);
  ok_eq(api.SetXPlugCfg(5), 0);

  const wav::Wav tone = wav::makeWav();
  ok_eq(api.PlayX(path.c_str()), 1);
  ok_eq(api.GetXLength(), tone.lengthMs());
  checkPauseHoldsThePosition(api, 50);
  api.SetXVolume(77);
  api.SetXPan(-20);
  // Back to the start while the decoder runs: what it wrote stays, then
  // every sample once, and the host hears of the end once they have played.
  api.SetXOutputTime(0);
  ok(pumpUntil([] { return endsHeard() > 0; }, 30000), "no end of track in 30 s");
  std::vector<unsigned char> want = out.bytes();
  const std::vector<unsigned char>& all = tone.samples;
  const std::size_t early = want.size() - std::min(want.size(), all.size());
  ok(want.size() > all.size() && early <= all.size() &&
         std::equal(all.begin(), all.end(), want.begin() + static_cast<std::ptrdiff_t>(early)) &&
         std::equal(want.begin(), want.begin() + static_cast<std::ptrdiff_t>(early), all.begin()),
     "%u bytes played, not a start of the file's %u and then all of them", unsigned(want.size()),
     unsigned(all.size()));
  ok_eq(api.GetXOutputTime(), tone.lengthMs());

  // Back, once the track has ended, to the start and to a position: the
  // output is flushed there and gets the rest once more.
  calls += "Open 22050 2 16 -1 -1\nPause 1\nPause 0\nSetVolume 77\nSetPan -20\nFlush 0\n";
  for (int seekMs : {0, 400}) {
    api.SetXOutputTime(seekMs);
    ok(api.GetXOutputTime() >= seekMs, "at %d ms after a seek to %d", api.GetXOutputTime(), seekMs);
    const int ends = endsHeard();
    ok(pumpUntil([&] { return endsHeard() > ends; }, 30000), "no end of track after a seek to %d",
       seekMs);
    const std::size_t from =
        static_cast<std::size_t>(tone.rate) * seekMs / 1000 * tone.channels * tone.bits / 8;
    want.insert(want.end(), tone.samples.begin() + static_cast<std::ptrdiff_t>(from),
                tone.samples.end());
    ok(out.bytes() == want, "%u bytes played after a seek to %d, not %u",
       unsigned(out.bytes().size()), seekMs, unsigned(want.size()));
    calls += "Flush " + std::to_string(seekMs) + "\n";
  }
  api.StopX();
  ok_eq(api.GetXOutputTime(), 0);
  ok_eq(api.PlayX((path + ".missing").c_str()), 0);
  // An end of track posted late would arrive now.
  pumpUntil([] { return false; }, 100);
  ok_eq(endsHeard(), 3);
  calls += "Close\n";
  ok(out.calls() == calls, "calls: %s", out.calls().c_str());
}

struct Quirk {
  const char* name;
  bool loads;      // its Init fails where not
  int dspSamples;  // that the plug-in gets back and writes
  bool timer;      // its timer and hook run in the host's loop while loaded
};

// A quirk plug-in just loaded at path: what it saw, its play, and what is
// left of it once unloaded.
void quirkLoaded(const InbridgeApi& api, const InbridgeHarness& harness, const Quirk& quirk,
                 const std::string& path, HWND dialog) {
  const HMODULE library = harness.loaded(path);
  const auto entry = exportOf<GetInModuleFn>(library, "winampGetInModule2");
  const auto report = exportOf<QuirkReport*(WINAMP_CDECL*)()>(library, "quirk_report");
  if (!ok(entry && report, "%s: no record or report", quirk.name)) return;
  const QuirkReport& seen = *report();
  const HWND window = entry()->hMainWindow;
  ok(IsWindow(window) && window != dialog, "%s: window %p", quirk.name, static_cast<void*>(window));
  ok_eq(seen.initCalls, 1);
  ok_eq(seen.versionAnswer, 0);
  ok_eq(api.PlayX("any.wav"), 1);
  ok_eq(seen.dspSamples, quirk.dspSamples);
  ok_eq(seen.bytesWritten, quirk.dspSamples * 4);
  if (quirk.timer) {
    ok(pumpUntil([&] { return seen.timerTicks > 0 && seen.hookCalls > 0; }, 10000),
       "%s: %d timer ticks, %d hook calls", quirk.name, seen.timerTicks, seen.hookCalls);
  }
  // Its window answers the player's queries with 0: the version, the
  // service interface.
  ok_eq(SendMessageA(window, WM_USER, 0, 0), 0);
  ok_eq(SendMessageA(window, WM_USER, 0, 3025), 0);
  const UINT_PTR timer = seen.timer;
  const HHOOK hook = static_cast<HHOOK>(seen.hook);
  api.DeinitXPlug(0);
  ok(!IsWindow(window), "%s: its window outlived it", quirk.name);
  // Gone with the plug-in: these would remove what it left set.
  ok(!KillTimer(nullptr, timer), "%s: its timer is left", quirk.name);
  ok(!UnhookWindowsHookEx(hook), "%s: its hook is left", quirk.name);
}

}  // namespace

bool pumpUntil(const std::function<bool()>& condition, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (condition()) return true;
    if (GetTickCount() - start > ms) return false;
    Sleep(10);
  }
}

void checkPauseHoldsThePosition(const InbridgeApi& api, int ms) {
  ok(pumpUntil([&] { return api.GetXOutputTime() > ms; }, 20000), "at %d ms after 20 s",
     api.GetXOutputTime());
  ok_eq(api.PauseX(), 1);
  const int held = api.GetXOutputTime();
  Sleep(300);
  ok_eq(api.GetXOutputTime(), held);
  ok_eq(api.PauseX(), 0);
}

HWND makeHostWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = hostProc;
  windowClass.lpszClassName = "inbridge test host";
  RegisterClassA(&windowClass);  // once for the process: later calls find it there
  return CreateWindowExA(0, windowClass.lpszClassName, "host", WS_POPUP, 0, 0, 100, 100, nullptr,
                         nullptr, nullptr, nullptr);
}

int& endsHeard() {
  static int ends = 0;
  return ends;
}

void runRecordedPlay(const InbridgeApi& api, const InbridgeHarness& harness,
                     const std::string& plugin, const std::string& dir, const std::string& name) {
  const std::string path = dir + name;
  if (!ok(writeAll(path, wav::makeWav().file), "cannot write %s", path.c_str())) return;
  const HWND host = makeHostWindow();
  api.DeinitXPlug(1);
  api.SetXPlugParent(host);
  endsHeard() = 0;
  if (ok_eq(api.InitXPlug(plugin.c_str()), 1))
    playIntoTheRecording(api, harness, plugin, path, host);
  api.DeinitXPlug(1);
  ok(!harness.loaded(plugin) && !harness.loaded("out_wave.dll"), "a plug-in is still loaded");
  harness.noBox();
  api.SetXPlugParent(nullptr);
  DestroyWindow(host);
}

void runQuirkPlugins(const InbridgeApi& api, const InbridgeHarness& harness, HWND dialog,
                     const std::string& quirkDir) {
  api.DeinitXPlug(1);
  ok_eq(SendMessageA(dialog, WM_USER, 0, 0), kDialogAnswer);
  api.SetXPlugParent(dialog);
  const int windows = harness.windows();
  for (const Quirk& quirk : {Quirk{"subclass", true, 0, false}, Quirk{"query", true, 0, false},
                             Quirk{"init_fail", false, 0, false}, Quirk{"dsp", true, 576, false},
                             Quirk{"timer", true, 0, true}}) {
    const std::string path = quirkDir + "in_quirk_" + quirk.name + ".dll";
    for (int round = 0; round < 2; ++round) {
      const int loaded = api.InitXPlug(path.c_str());
      ok(loaded == (quirk.loads ? 1 : 0), "%s, round %d: InitXPlug gave %d", quirk.name, round,
         loaded);
      if (quirk.loads) {
        harness.noBox();
        quirkLoaded(api, harness, quirk, path, dialog);
      } else {
        harness.oneBox("Error Loading Plugin", "A requried file, " + path + ", was not found.");
      }
      ok(harness.loaded(path) == nullptr, "%s is still loaded", quirk.name);
      // A window procedure, timer or hook left behind would now run code
      // that is gone.
      pumpUntil([] { return false; }, 100);
      ok_eq(SendMessageA(dialog, WM_USER, 0, 0), kDialogAnswer);
      ok(harness.windows() == windows, "%s: %d windows, not %d", quirk.name, harness.windows(),
         windows);
    }
  }
  api.DeinitXPlug(1);
  api.SetXPlugParent(nullptr);
}
