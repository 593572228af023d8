// Input plug-ins that do what real third-party ones do to the window they are
// given as hMainWindow, one behaviour per build:
//   QUIRK_SUBCLASS   Play subclasses the window and never restores it.
//   QUIRK_QUERY      Init asks the player's version with WM_USER and, from a
//                    new enough player, the settings folder (used as a
//                    string) and a service interface (called through).
//   QUIRK_INIT_FAIL  IN_INIT_RET set, and Init fails.
//   QUIRK_DSP        Play opens the output, hands 576 samples to dsp_dosamples
//                    without asking dsp_isactive, and writes as many samples
//                    as it returns.
//   QUIRK_TIMER      Play sets a thread timer and a WH_GETMESSAGE hook on its
//                    thread, the window's; only Quit removes them.
// quirk_report() tells tests what the plug-in saw.
#include <cstring>

#include "plugin_base.h"
#include "quirk_report.h"
#include "winamp/plugin.h"

namespace {

constexpr LPARAM kIpcGetVersion = 0, kIpcGetIniDirectory = 334, kIpcGetApiService = 3025;

QuirkReport report;

#ifdef QUIRK_SUBCLASS
WNDPROC previous;
LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  report.messagesSeen++;
  return CallWindowProcA(previous, window, message, w, l);
}
#endif

In_Module& module();

#ifdef QUIRK_TIMER
UINT_PTR timer = 0;
HHOOK hook = nullptr;
void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
  report.timerTicks++;
}
LRESULT CALLBACK onMessage(int code, WPARAM w, LPARAM l) {
  report.hookCalls++;
  return CallNextHookEx(hook, code, w, l);
}
#endif

#ifdef QUIRK_INIT_FAIL
constexpr unsigned kFlags = IN_INIT_RET;
int WINAMP_CDECL init() {
  report.initCalls++;
  return 1;
}
#else
constexpr unsigned kFlags = 0;
void WINAMP_CDECL init() {
  report.initCalls++;
#ifdef QUIRK_QUERY
  HWND player = module().hMainWindow;
  report.versionAnswer = SendMessageA(player, WM_USER, 0, kIpcGetVersion);
  if (report.versionAnswer >= 0x5000) {
    const auto* folder =
        reinterpret_cast<const char*>(SendMessageA(player, WM_USER, 0, kIpcGetIniDirectory));
    report.settingsFolderLength = static_cast<int>(std::strlen(folder));
    using Service = void(WINAMP_CDECL**)();
    if (auto service =
            reinterpret_cast<Service>(SendMessageA(player, WM_USER, 0, kIpcGetApiService)))
      (*service)();
  }
#endif
}
#endif

void WINAMP_CDECL quit() {
#ifdef QUIRK_TIMER
  KillTimer(nullptr, timer);
  UnhookWindowsHookEx(hook);
  timer = 0;
  hook = nullptr;
#endif
}
int WINAMP_CDECL play(char*) {
  report.plays++;
#ifdef QUIRK_SUBCLASS
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(module().hMainWindow, GWLP_WNDPROC,
                                                         reinterpret_cast<LONG_PTR>(subclassProc)));
#endif
#ifdef QUIRK_DSP
  Out_Module* out = module().outMod;
  static short samples[576 * 2];
  if (out->Open(44100, 2, 16, -1, -1) >= 0) {
    report.dspSamples = module().dsp_dosamples(samples, 576, 16, 2, 44100);
    const int bytes = report.dspSamples * 4;
    if (bytes > 0 && out->Write(reinterpret_cast<char*>(samples), bytes) == 0)
      report.bytesWritten += bytes;
  }
#endif
#ifdef QUIRK_TIMER
  // Play runs on the thread of the main window.
  if (!timer) timer = SetTimer(nullptr, 0, 10, onTimer);
  if (!hook) hook = SetWindowsHookExA(WH_GETMESSAGE, onMessage, nullptr, GetCurrentThreadId());
  report.timer = timer;
  report.hook = hook;
#endif
  return 0;
}
void WINAMP_CDECL stop() {
#ifdef QUIRK_DSP
  module().outMod->Close();
#endif
}
void WINAMP_CDECL nothing() {}
int WINAMP_CDECL zero() {
  return 0;
}
void WINAMP_CDECL setInt(int) {}

char kDescription[] = "in_quirk";

In_Module& module() {
  static In_Module m = [] {
    In_Module r{};
    r.version = static_cast<int>(0x100 | kFlags);
    r.description = kDescription;
    r.UsesOutputPlug = 1;
    r.Init = reinterpret_cast<void(WINAMP_CDECL*)()>(init);
    r.Quit = quit;
    r.Play = play;
    r.Pause = r.UnPause = nothing;
    r.Stop = stop;
    r.IsPaused = r.GetLength = r.GetOutputTime = zero;
    r.SetOutputTime = r.SetVolume = r.SetPan = setInt;
    return r;
  }();
  return m;
}

}  // namespace

PLUGIN_EXPORT In_Module* WINAMP_CDECL winampGetInModule2() {
  return &module();
}

PLUGIN_EXPORT QuirkReport* WINAMP_CDECL quirk_report() {
  return &report;
}
