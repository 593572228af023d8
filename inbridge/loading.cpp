// Loading, binding and unloading the two plug-ins.
#include <algorithm>
#include <cstring>

#include "inbridge.h"
#include "plugin_window.h"
#include "xplug_state.h"

namespace inbridge {

XPlugState& state() {
  static XPlugState s;  // zero at load
  return s;
}

namespace {

// Copies at most room characters of src and terminates dst (room + 1 bytes).
void copyCut(char* dst, const char* src, std::size_t room) {
  const std::size_t n = std::min(std::strlen(src), room);
  std::memcpy(dst, src, n);
  dst[n] = '\0';
}

constexpr UINT kBoxStyle = MB_OK | MB_ICONWARNING;
// With no mixer to read, the plug-in plays at full level, as the wave-out
// line does when nothing attenuates it.
constexpr int kVolumeWithoutMixer = 255;

// The callbacks handed to the input plug-in: no visualisation, no DSP.
void WINAMP_CDECL noSaVsaInit(int, int) {}
void WINAMP_CDECL noSaVsaDeInit() {}
void WINAMP_CDECL noSaAddPcmData(void*, int, int, int) {}
int WINAMP_CDECL noSaGetMode() {
  return 0;
}
void WINAMP_CDECL noSaAdd(void*, int, int) {}
void WINAMP_CDECL noVsaAddPcmData(void*, int, int, int) {}
int WINAMP_CDECL noVsaGetMode(int*, int*) {
  return 0;
}
void WINAMP_CDECL noVsaAdd(void*, int) {}
void WINAMP_CDECL noVsaSetInfo(int, int) {}
int WINAMP_CDECL noDspIsActive() {
  return 0;
}
// With no DSP the samples come back as they are, all of them: plug-ins call
// this without asking noDspIsActive and write as many samples as it returns.
int WINAMP_CDECL noDspDoSamples(short*, int count, int, int, int) {
  return count;
}
void WINAMP_CDECL noSetInfo(int, int, int, int) {}

template <class Fn>
Fn lookup(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

bool loadOutputPlugin(XPlugState& s) {
  s.hOutDll = LoadLibraryA("out_wave.dll");
  auto entry = s.hOutDll ? lookup<GetOutModuleFn>(s.hOutDll, "winampGetOutModule") : nullptr;
  s.outModule = entry ? entry() : nullptr;
  if (!s.outModule) {
    if (s.hOutDll) FreeLibrary(s.hOutDll);
    s.hOutDll = nullptr;
    MessageBoxA(nullptr, "A required .DLL file, OUT_WAVE.DLL, was not found.",
                "Error Starting Program", kBoxStyle);
    return false;
  }
  s.outModule->hMainWindow = s.hParent;
  s.outModule->hDllInstance = static_cast<HINSTANCE>(s.hOutDll);
  callPlugin(s.outModule->Init);
  s.outLoaded = 1;
  return true;
}

void inputNotFound(XPlugState& s) {
  // The path is cut so that the whole message fits messageText.
  static const char kFormat[] = "A requried file, %s, was not found.";
  constexpr std::size_t kRoom = kTextBytes - 1 - (sizeof kFormat - 1 - 2);
  char path[kRoom + 1];
  copyCut(path, s.pluginPath, kRoom);
  wsprintfA(s.messageText, kFormat, path);
  MessageBoxA(nullptr, s.messageText, "Error Loading Plugin", kBoxStyle);
}

// Init returns a result only where the record says so.
bool initInputPlugin(In_Module& in) {
  if (!in.Init) return true;
  if (hasVersionFlag(in, IN_INIT_RET)) return reinterpret_cast<InitWithResultFn>(in.Init)() == 0;
  in.Init();
  return true;
}

void freeInputLibrary(XPlugState& s) {
  destroyPluginWindow(s.hPluginWindow);
  s.hPluginWindow = nullptr;
  if (s.hInDll) FreeLibrary(s.hInDll);
  s.hInDll = nullptr;
  s.inModule = nullptr;
  s.pfnSetConfig = s.pfnGetConfig = nullptr;
}

bool loadInputPlugin(XPlugState& s, bool pathFits) {
  s.hInDll = pathFits ? LoadLibraryA(s.pluginPath) : nullptr;
  GetInModuleFn entry = nullptr;
  if (s.hInDll) {
    entry = lookup<GetInModuleFn>(s.hInDll, "winampGetInModule2");
    s.pfnSetConfig = lookup<PluginConfigFn>(s.hInDll, "SetConfig");
    s.pfnGetConfig = lookup<PluginConfigFn>(s.hInDll, "GetConfig");
  }
  s.inModule = entry ? entry() : nullptr;
  if (!s.inModule) {
    freeInputLibrary(s);
    inputNotFound(s);
    return false;
  }
  s.hPluginWindow = createPluginWindow();
  In_Module& in = *s.inModule;
  in.hMainWindow = s.hPluginWindow;
  in.hDllInstance = static_cast<HINSTANCE>(s.hInDll);
  in.SAVSAInit = noSaVsaInit;
  in.SAVSADeInit = noSaVsaDeInit;
  in.SAAddPCMData = noSaAddPcmData;
  in.SAGetMode = noSaGetMode;
  in.SAAdd = noSaAdd;
  in.VSAAddPCMData = noVsaAddPcmData;
  in.VSAGetMode = noVsaGetMode;
  in.VSAAdd = noVsaAdd;
  in.VSASetInfo = noVsaSetInfo;
  in.dsp_isactive = noDspIsActive;
  in.dsp_dosamples = noDspDoSamples;
  in.SetInfo = noSetInfo;
  in.outMod = s.outModule;
  if (!initInputPlugin(in)) {
    freeInputLibrary(s);
    inputNotFound(s);
    return false;
  }
  std::uint32_t volume = 0;
  callPlugin(in.SetVolume,
             readWaveOutVolume(volume) ? static_cast<int>(volume >> 8) : kVolumeWithoutMixer);
  return true;
}

int loadPlugins(XPlugState& s, bool pathFits) {
  if (!s.outLoaded && !loadOutputPlugin(s)) return 0;
  if (s.inLoaded) return 1;
  return loadInputPlugin(s, pathFits) ? 1 : 0;
}

void unloadInputPlugin(XPlugState& s) {
  callPlugin(s.inModule->Quit);
  freeInputLibrary(s);
  s.inLoaded = 0;
}

void unloadOutputPlugin(XPlugState& s) {
  if (!s.outLoaded) return;
  callPlugin(s.outModule->Quit);
  FreeLibrary(s.hOutDll);
  s.outLoaded = 0;
}

}  // namespace
}  // namespace inbridge

using inbridge::state;
using inbridge::XPlugState;

extern "C" int32_t INBRIDGE_API InitXPlug(const char* path) {
  XPlugState& s = state();
  if (s.inLoaded) return 1;
  // A path that does not fit is refused as not found, never cut and loaded.
  const char* given = path ? path : "";
  const bool fits = std::strlen(given) < inbridge::kTextBytes;
  inbridge::copyCut(s.pluginPath, given, inbridge::kTextBytes - 1);
  s.inLoaded = inbridge::loadPlugins(s, fits);
  return s.inLoaded;
}

extern "C" void INBRIDGE_API DeinitXPlug(int32_t unloadOutput) {
  XPlugState& s = state();
  inbridge::stopPlaying(s);
  if (s.inLoaded) inbridge::unloadInputPlugin(s);
  if (unloadOutput) inbridge::unloadOutputPlugin(s);
}

extern "C" int32_t INBRIDGE_API LoadX() {
  return 1;
}

// The input plug-in keeps its own window; the host's window is where its end
// of track is passed on.
extern "C" void* INBRIDGE_API SetXPlugParent(void* window) {
  XPlugState& s = state();
  if (s.outLoaded) s.outModule->hMainWindow = static_cast<HWND>(window);
  s.hParent = static_cast<HWND>(window);
  return window;
}
