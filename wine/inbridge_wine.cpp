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

#include "check.h"
#include "inbridge.h"
#include "quirk_report.h"
#include "wav_file.h"
#include "winamp/plugin.h"
#include "wine_tests.h"

namespace {

struct InbridgeApi {
  int32_t(INBRIDGE_API* InitXPlug)(const char*);
  void(INBRIDGE_API* DeinitXPlug)(int32_t);
  int32_t(INBRIDGE_API* LoadX)();
  void*(INBRIDGE_API* SetXPlugParent)(void*);
  int32_t(INBRIDGE_API* PlayX)(const char*);
  int32_t(INBRIDGE_API* PauseX)();
  void(INBRIDGE_API* StopX)();
  int32_t(INBRIDGE_API* GetXLength)();
  int32_t(INBRIDGE_API* GetXOutputTime)();
  void(INBRIDGE_API* SetXOutputTime)(int32_t);
  void(INBRIDGE_API* SetXVolume)(int32_t);
  void(INBRIDGE_API* SetXPan)(int32_t);
  int32_t(INBRIDGE_API* GetXPlugCfg)(int32_t);
  int32_t(INBRIDGE_API* SetXPlugCfg)(int32_t);
};

bool bindAll(HMODULE dll, InbridgeApi& api) {
  return bind(dll, "InitXPlug", api.InitXPlug) && bind(dll, "DeinitXPlug", api.DeinitXPlug) &&
         bind(dll, "LoadX", api.LoadX) && bind(dll, "SetXPlugParent", api.SetXPlugParent) &&
         bind(dll, "PlayX", api.PlayX) && bind(dll, "PauseX", api.PauseX) &&
         bind(dll, "StopX", api.StopX) && bind(dll, "GetXLength", api.GetXLength) &&
         bind(dll, "GetXOutputTime", api.GetXOutputTime) &&
         bind(dll, "SetXOutputTime", api.SetXOutputTime) &&
         bind(dll, "SetXVolume", api.SetXVolume) && bind(dll, "SetXPan", api.SetXPan) &&
         bind(dll, "GetXPlugCfg", api.GetXPlugCfg) && bind(dll, "SetXPlugCfg", api.SetXPlugCfg);
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
bool sameBox(const std::vector<SeenBox>& boxes, const char* caption, const std::string& text) {
  return boxes.size() == 1 && boxes[0].caption == caption && boxes[0].text == text &&
         boxes[0].owner == nullptr && boxes[0].icon && !boxes[0].cancel;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  const BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == bytes.size();
}

template <class F>
F exportOf(const char* module, const char* name) {
  HMODULE library = GetModuleHandleA(module);
  return library ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)))
                 : nullptr;
}

// Each quirk plug-in twice in a row beside the dialog host: its window is
// its own and answers its queries with 0, its DSP hands the samples back,
// its timer and hook run in the host's loop until the unload, after which
// the loop goes on without them; the dialog keeps its procedure.
void quirkPlugins(const InbridgeApi& api, const std::string& dir, MessageWatcher& boxes) {
  HWND dialog = makeDialogHost();
  if (!CHECK(dialog != nullptr)) return;
  CHECK_EQ(SendMessageA(dialog, WM_USER, 0, 0), 0x534B0001);
  api.SetXPlugParent(dialog);
  struct Quirk {
    const char* name;
    int dspSamples;  // that the plug-in gets back and writes
    bool timer;
  };
  for (const Quirk& quirk :
       {Quirk{"subclass", 0, false}, Quirk{"query", 0, false}, Quirk{"init_fail", 0, false},
        Quirk{"dsp", 576, false}, Quirk{"timer", 0, true}}) {
    const std::string name = std::string("in_quirk_") + quirk.name + ".dll";
    const bool loads = std::string(quirk.name) != "init_fail";
    for (int round = 0; round < 2; ++round) {
      CHECK_EQ(api.InitXPlug((dir + "\\" + name).c_str()), loads ? 1 : 0);
      if (!loads) {
        CHECK(sameBox(boxes.take(), "Error Loading Plugin",
                      "A requried file, " + dir + "\\" + name + ", was not found."));
      } else {
        auto entry = exportOf<GetInModuleFn>(name.c_str(), "winampGetInModule2");
        auto report = exportOf<QuirkReport*(WINAMP_CDECL*)()>(name.c_str(), "quirk_report");
        if (!CHECK(entry && report)) return;
        HWND window = entry()->hMainWindow;
        CHECK(IsWindow(window) && window != dialog);
        CHECK_EQ(report()->versionAnswer, 0);
        CHECK_EQ(api.PlayX("any.wav"), 1);
        CHECK_EQ(report()->dspSamples, quirk.dspSamples);
        CHECK_EQ(report()->bytesWritten, quirk.dspSamples * 4);
        if (quirk.timer) {
          CHECK(
              waitFor([&] { return report()->timerTicks > 0 && report()->hookCalls > 0; }, 10000));
        }
        CHECK_EQ(SendMessageA(window, WM_USER, 0, 3025), 0);
        const UINT_PTR timer = report()->timer;
        const HHOOK hook = static_cast<HHOOK>(report()->hook);
        api.DeinitXPlug(0);
        CHECK(!IsWindow(window));
        // Gone with the plug-in (a leftover need not crash the loop below):
        // these would remove what it left set.
        CHECK(!KillTimer(nullptr, timer));
        CHECK(!UnhookWindowsHookEx(hook));
      }
      CHECK(GetModuleHandleA(name.c_str()) == nullptr);
      CHECK_EQ(SendMessageA(dialog, WM_USER, 0, 0), 0x534B0001);
      // A timer or hook left behind would now run code that is gone.
      waitFor([] { return false; }, 100);
    }
  }
  api.DeinitXPlug(1);
  DestroyWindow(dialog);
}

// in_wav into the recording output: what inbridge wrote into the record,
// every forwarded call as the output saw it, and every sample.
void recordedPlay(const InbridgeApi& api, const std::string& plugin, const std::string& wavPath,
                  const wav::Wav& wav, HWND host) {
  CHECK_EQ(api.InitXPlug(plugin.c_str()), 1);
  auto log = exportOf<int(WINAMP_CDECL*)(char*, int)>("out_wave.dll", "outwave_log");
  auto pcm = exportOf<int(WINAMP_CDECL*)(unsigned char*, int)>("out_wave.dll", "outwave_pcm");
  auto outEntry = exportOf<GetOutModuleFn>("out_wave.dll", "winampGetOutModule");
  const std::string moduleName = plugin.substr(plugin.rfind('\\') + 1);
  auto inEntry = exportOf<GetInModuleFn>(moduleName.c_str(), "winampGetInModule2");
  if (!CHECK(log && pcm && outEntry && inEntry)) return;
  auto calls = [&] {
    std::string text(static_cast<size_t>(log(nullptr, 0)) + 1, '\0');
    log(&text[0], static_cast<int>(text.size()));
    return text;
  };
  const In_Module* in = inEntry();
  CHECK(IsWindow(in->hMainWindow) && in->hMainWindow != host);
  CHECK(in->hDllInstance == GetModuleHandleA(moduleName.c_str()));
  CHECK(in->outMod == outEntry());
  CHECK_EQ(in->version & 0xFFFF, 0x100);
  CHECK_EQ(outEntry()->hMainWindow, host);
  // The mixer of Wine's device reports success without a value: full volume.
  CHECK(calls().find("Init\nSetVolume 255\n") != std::string::npos);
  CHECK_EQ(api.LoadX(), 1);
  CHECK_EQ(api.GetXPlugCfg(0), 576);
  CHECK_EQ(api.SetXPlugCfg(1024), 1);
  CHECK_EQ(api.SetXPlugCfg(5), 0);

  endsHeard = 0;
  CHECK_EQ(api.PlayX(wavPath.c_str()), 1);
  CHECK_EQ(api.GetXLength(), wav.lengthMs());
  CHECK(waitFor([&] { return api.GetXOutputTime() > 50; }, 20000));
  CHECK_EQ(api.PauseX(), 1);
  const int held = api.GetXOutputTime();
  Sleep(300);
  CHECK_EQ(api.GetXOutputTime(), held);
  CHECK_EQ(api.PauseX(), 0);
  api.SetXVolume(77);
  api.SetXPan(-20);
  // Back to the start: the whole sound is written once more from there.
  api.SetXOutputTime(0);
  CHECK(waitFor([&] { return endsHeard > 0; }, 30000));
  const std::string text = calls();
  CHECK(text.find("SetVolume 77\nSetPan -20\nFlush 0\n") != std::string::npos);
  std::vector<unsigned char> got(static_cast<size_t>(pcm(nullptr, 0)));
  pcm(got.data(), static_cast<int>(got.size()));
  CHECK(got.size() >= wav.samples.size() &&
        std::equal(wav.samples.begin(), wav.samples.end(), got.end() - wav.samples.size()));
  CHECK_EQ(endsHeard, 1);
  api.StopX();
  api.DeinitXPlug(0);
}

}  // namespace

void runInbridgeTests(const TestPaths& paths, MessageWatcher& boxes) {
  HMODULE dll = LoadLibraryA((paths.dist + "\\inbridge.dll").c_str());
  if (!CHECK(dll != nullptr)) return;
  InbridgeApi api{};
  if (!bindAll(dll, api)) return;
  const std::string plugins = paths.dist + "\\plugins";
  const std::string testPlugins = paths.dist + "\\tests\\plugins";
  const std::string inWav = plugins + "\\in_wav.dll";

  HWND host = makeHostWindow();
  CHECK(api.SetXPlugParent(host) == host);
  // "out_wave.dll" is nowhere on the search path yet.
  CHECK_EQ(api.InitXPlug(inWav.c_str()), 0);
  CHECK(sameBox(boxes.take(), "Error Starting Program",
                "A required .DLL file, OUT_WAVE.DLL, was not found."));

  SetDllDirectoryA((paths.dist + "\\tests\\recording").c_str());
  const std::string missing = plugins + "\\in_missing.dll";
  CHECK_EQ(api.InitXPlug(missing.c_str()), 0);
  CHECK(sameBox(boxes.take(), "Error Loading Plugin",
                "A requried file, " + missing + ", was not found."));

  quirkPlugins(api, testPlugins, boxes);
  CHECK(api.SetXPlugParent(host) == host);
  const wav::Wav tone = wav::makeWav();
  const std::string tonePath = paths.out + "\\tone.wav";
  // A name outside ASCII, in the ANSI code page, for the UTF-16 plug-in.
  const std::string accentedPath = paths.out + "\\tone \xE9t\xE9.wav";
  CHECK(writeFile(tonePath, tone.file) && writeFile(accentedPath, tone.file));
  recordedPlay(api, inWav, tonePath, tone, host);
  recordedPlay(api, testPlugins + "\\in_wav_unicode.dll", accentedPath, tone, host);
  api.DeinitXPlug(1);
  CHECK(GetModuleHandleA("out_wave.dll") == nullptr);

  // The real output: sound.wav at the capture's format plays on Wine's
  // device; a pause holds the position; after a seek back to the start the
  // whole sound plays in real time, and the runner finds it, unchanged, in
  // what the device received.
  SetDllDirectoryA(plugins.c_str());
  const wav::Wav sound = wav::makeWav(44100, 2000);
  CHECK(writeFile(paths.out + "\\sound.wav", sound.file));
  CHECK_EQ(api.InitXPlug(inWav.c_str()), 1);
  api.SetXVolume(255);
  api.SetXPan(0);
  endsHeard = 0;
  CHECK_EQ(api.PlayX((paths.out + "\\sound.wav").c_str()), 1);
  CHECK(waitFor([&] { return api.GetXOutputTime() > 300; }, 20000));
  CHECK_EQ(api.PauseX(), 1);
  const int held = api.GetXOutputTime();
  Sleep(300);
  CHECK_EQ(api.GetXOutputTime(), held);
  CHECK_EQ(api.PauseX(), 0);
  const DWORD start = GetTickCount();
  api.SetXOutputTime(0);
  CHECK(waitFor([] { return endsHeard > 0; }, 30000));
  const DWORD took = GetTickCount() - start;
  std::printf("sound.wav (%d ms) played through out_wave.dll in %lu ms\n", sound.lengthMs(),
              static_cast<unsigned long>(took));
  CHECK(took >= static_cast<DWORD>(sound.lengthMs()) * 9 / 10);
  CHECK_EQ(api.GetXOutputTime(), sound.lengthMs());
  CHECK_EQ(endsHeard, 1);
  api.StopX();
  api.DeinitXPlug(1);
  CHECK(boxes.take().empty());
  api.SetXPlugParent(nullptr);
  DestroyWindow(host);
  FreeLibrary(dll);
}

// Run where Wine has no sound device: in_wav cannot open the real
// out_wave.dll, so PlayX returns 0 at once and the file is not left open.
// (Wine starts and ends threads of its own meanwhile: the native test
// counts the threads.)
void runNoSoundTests(const TestPaths& paths, MessageWatcher&) {
  if (!CHECK_EQ(waveOutGetNumDevs(), 0u)) return;
  HMODULE dll = LoadLibraryA((paths.dist + "\\inbridge.dll").c_str());
  InbridgeApi api{};
  if (!CHECK(dll != nullptr) || !bindAll(dll, api)) return;
  SetDllDirectoryA((paths.dist + "\\plugins").c_str());
  const std::string path = paths.out + "\\no-device.wav";
  CHECK(writeFile(path, wav::makeWav(44100, 500).file));
  CHECK_EQ(api.InitXPlug((paths.dist + "\\plugins\\in_wav.dll").c_str()), 1);
  CHECK_EQ(api.PlayX(path.c_str()), 0);
  CHECK_EQ(api.GetXOutputTime(), 0);
  // Nobody else holds the file.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  CHECK(file != INVALID_HANDLE_VALUE);
  CloseHandle(file);
  api.StopX();
  api.DeinitXPlug(1);
  FreeLibrary(dll);
}
