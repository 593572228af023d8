// Our in_wav.dll on its own under Wine, with an output of the test's: the
// hostile headers that crashed or hung a host (a rate times block size of
// 2^32, a chunk size negative in a 32-bit long, 64 channels) make Play fail
// at once or play safely.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
#include "wav_file.h"
#include "winamp/plugin.h"
#include "wine_tests.h"

namespace {

volatile LONG received = 0;  // bytes that reached the output

int WINAMP_CDECL outOpen(int, int, int, int, int) {
  return 0;
}
int WINAMP_CDECL outWrite(char*, int len) {
  InterlockedExchangeAdd(&received, len);
  return 0;
}
int WINAMP_CDECL outCanWrite() {
  return 1 << 20;
}
void WINAMP_CDECL outVoid() {}
void WINAMP_CDECL outInt(int) {}
int WINAMP_CDECL outIntResult(int) {
  return 0;
}
int WINAMP_CDECL outZero() {
  return 0;
}
void WINAMP_CDECL noInit(int, int) {}
void WINAMP_CDECL noPcm(void*, int, int, int) {}
void WINAMP_CDECL noInfo(int, int) {}
void WINAMP_CDECL noSetInfo(int, int, int, int) {}
int WINAMP_CDECL noDsp() {
  return 0;
}
int WINAMP_CDECL noDspSamples(short*, int count, int, int, int) {
  return count;
}

Out_Module output = {0x10,         nullptr, 0,       nullptr, nullptr,  nullptr,     nullptr,
                     outVoid,      outVoid, outOpen, outVoid, outWrite, outCanWrite, outZero,
                     outIntResult, outInt,  outInt,  outInt,  outZero,  outZero};

// A PCM file with a chunk of the given size (and 8 bytes of body) put in
// before the samples.
std::vector<unsigned char> withChunk(std::vector<unsigned char> file, std::uint32_t size) {
  std::vector<unsigned char> chunk = {'L', 'I', 'S', 'T'};
  for (int k = 0; k < 4; ++k) chunk.push_back(static_cast<unsigned char>(size >> (8 * k)));
  chunk.resize(16, 0);
  file.insert(file.begin() + 36, chunk.begin(), chunk.end());
  return file;
}

}  // namespace

void runPluginTests(const TestPaths& paths, MessageWatcher&) {
  HMODULE dll = LoadLibraryA((paths.dist + "\\plugins\\in_wav.dll").c_str());
  if (!CHECK(dll != nullptr)) return;
  In_Module*(WINAMP_CDECL * entry)();
  if (!bind(dll, "winampGetInModule2", entry)) return;
  In_Module* in = entry();
  in->SAVSAInit = noInit;
  in->SAAddPCMData = noPcm;
  in->VSAAddPCMData = noPcm;
  in->VSASetInfo = noInfo;
  in->SetInfo = noSetInfo;
  in->dsp_isactive = noDsp;
  in->dsp_dosamples = noDspSamples;
  in->outMod = &output;
  in->Init();

  const std::vector<unsigned char> samples(4000, 0x11);
  struct Case {
    const char* name;
    std::vector<unsigned char> file;
    int result;
    LONG bytes;  // that must reach the output
  };
  const Case cases[] = {
      {"rate-overflow.wav", wav::wavFile(samples, 0x40000000, 2, 16), 1, 0},
      {"chunk-fffffff8.wav", withChunk(wav::wavFile(samples, 8000, 1, 8), 0xFFFFFFF8u), 1, 0},
      {"channels-64.wav", wav::wavFile(samples, 8000, 64, 16), 0, 3968},
  };
  for (const Case& c : cases) {
    std::printf("in_wav: %s\n", c.name);
    const std::string path = paths.out + "\\" + c.name;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(f, c.file.data(), static_cast<DWORD>(c.file.size()), &put, nullptr);
    CloseHandle(f);
    InterlockedExchange(&received, 0);
    CHECK_EQ(in->Play(const_cast<char*>(path.c_str())), c.result);
    const DWORD start = GetTickCount();
    while (received < c.bytes && GetTickCount() - start < 10000) Sleep(10);
    Sleep(100);
    in->Stop();
    CHECK_EQ(received, c.bytes);
  }
  in->Quit();
  FreeLibrary(dll);
}
