// inbridge through the real inbridge.dll with our real plug-in DLLs: both
// failure boxes read back, then a generated WAV played end to end.
#include <windows.h>

#include <string>
#include <vector>

#include "check.h"
#include "inbridge.h"
#include "wav_file.h"
#include "winamp/plugin.h"
#include "wine_tests.h"

namespace {

struct InbridgeApi {
  int32_t(INBRIDGE_API* InitXPlug)(const char*);
  void(INBRIDGE_API* DeinitXPlug)(int32_t);
  int32_t(INBRIDGE_API* PlayX)(const char*);
  int32_t(INBRIDGE_API* PauseX)();
  void(INBRIDGE_API* StopX)();
  int32_t(INBRIDGE_API* GetXLength)();
  int32_t(INBRIDGE_API* GetXOutputTime)();
  int32_t(INBRIDGE_API* GetXPlugCfg)(int32_t);
  void*(INBRIDGE_API* SetXPlugParent)(void*);
};

bool waitFor(bool (*condition)(const InbridgeApi&), const InbridgeApi& api, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!condition(api)) {
    if (GetTickCount() - start > ms) return false;
    Sleep(10);
  }
  return true;
}

bool sameBox(const std::vector<SeenBox>& boxes, const char* caption, const std::string& text) {
  return boxes.size() == 1 && boxes[0].caption == caption && boxes[0].text == text;
}

}  // namespace

void runInbridgeTests(const TestPaths& paths, MessageWatcher& boxes) {
  HMODULE dll = LoadLibraryA((paths.dist + "\\inbridge.dll").c_str());
  if (!CHECK(dll != nullptr)) return;
  InbridgeApi api{};
  bool ok = bind(dll, "InitXPlug", api.InitXPlug) && bind(dll, "DeinitXPlug", api.DeinitXPlug) &&
            bind(dll, "PlayX", api.PlayX) && bind(dll, "PauseX", api.PauseX) &&
            bind(dll, "StopX", api.StopX) && bind(dll, "GetXLength", api.GetXLength) &&
            bind(dll, "GetXOutputTime", api.GetXOutputTime) &&
            bind(dll, "GetXPlugCfg", api.GetXPlugCfg) &&
            bind(dll, "SetXPlugParent", api.SetXPlugParent);
  if (!ok) return;
  const std::string plugins = paths.dist + "\\plugins";
  const std::string inWav = plugins + "\\in_wav.dll";

  // "out_wave.dll" is nowhere on the search path yet.
  CHECK_EQ(api.InitXPlug(inWav.c_str()), 0);
  CHECK(sameBox(boxes.take(), "Error Starting Program",
                "A required .DLL file, OUT_WAVE.DLL, was not found."));

  SetDllDirectoryA(plugins.c_str());
  const std::string missing = plugins + "\\in_missing.dll";
  CHECK_EQ(api.InitXPlug(missing.c_str()), 0);
  CHECK(sameBox(boxes.take(), "Error Loading Plugin",
                "A requried file, " + missing + ", was not found."));

  CHECK_EQ(api.InitXPlug(inWav.c_str()), 1);
  CHECK(boxes.take().empty());
  HMODULE out = GetModuleHandleA("out_wave.dll");
  if (!CHECK(out != nullptr)) return;
  int(WINAMP_CDECL * pcm)(unsigned char*, int);
  void(WINAMP_CDECL * reset)();
  if (!(bind(out, "outwave_pcm", pcm) && bind(out, "outwave_reset", reset))) return;
  CHECK_EQ(api.GetXPlugCfg(0), 576);

  const wav::Wav wav = wav::makeWav();
  const std::string wavPath = paths.out + "\\tone.wav";
  HANDLE f = CreateFileA(wavPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, wav.file.data(), static_cast<DWORD>(wav.file.size()), &written, nullptr);
  CloseHandle(f);

  reset();
  CHECK_EQ(api.PlayX(wavPath.c_str()), 1);
  CHECK_EQ(api.GetXLength(), wav.lengthMs());
  CHECK(waitFor([](const InbridgeApi& a) { return a.GetXOutputTime() > 50; }, api, 20000));
  CHECK_EQ(api.PauseX(), 1);
  const int held = api.GetXOutputTime();
  Sleep(300);
  CHECK_EQ(api.GetXOutputTime(), held);
  CHECK_EQ(api.PauseX(), 0);
  const DWORD start = GetTickCount();
  while (pcm(nullptr, 0) < static_cast<int>(wav.samples.size()) && GetTickCount() - start < 30000)
    Sleep(20);
  std::vector<unsigned char> got(static_cast<size_t>(pcm(nullptr, 0)));
  pcm(got.data(), static_cast<int>(got.size()));
  CHECK(got == wav.samples);
  api.StopX();
  api.DeinitXPlug(1);
  CHECK(GetModuleHandleA("out_wave.dll") == nullptr);
  CHECK(boxes.take().empty());
  FreeLibrary(dll);
}
