// Input plug-ins that do what real third-party ones do to the window they are
// given as hMainWindow, one behaviour per build:
//   QUIRK_SUBCLASS   Play subclasses the window and never restores it.
//   QUIRK_QUERY      Init asks the player's version with WM_USER and, from a
//                    new enough player, the settings folder (used as a
//                    string) and a service interface (called through).
//   QUIRK_INIT_FAIL  IN_INIT_RET set, and Init fails.
// quirk_report() tells tests what the plug-in saw.
#include <cstring>

#include "compat/win32.h"
#include "portable.h"
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

void WINAMP_CDECL quit() {}
int WINAMP_CDECL play(char*) {
  report.plays++;
#ifdef QUIRK_SUBCLASS
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(module().hMainWindow, GWLP_WNDPROC,
                                                         reinterpret_cast<LONG_PTR>(subclassProc)));
#endif
  return 0;
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
    r.Pause = r.UnPause = r.Stop = nothing;
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
