// Our input plug-in: plays PCM WAV files the way real plug-ins do. Play parses
// the file, opens the output (a refused Open fails the Play, leaving nothing
// behind) and returns at once; a decode thread of its own feeds the
// visualisation and DSP callbacks, writes as CanWrite allows, and once the
// output has played everything posts the end of the track to the main
// window. Built with IN_WAV_UNICODE it takes UTF-16 paths (IN_UNICODE).
#include <atomic>
#include <climits>
#include <cstring>

#include "plugin_base.h"
#include "wav_format.h"
#include "winamp/plugin.h"

namespace {

using wavfile::WavFormat;

// Set by Play before the thread starts and cleared by Stop after it ended:
// thread, file, wav, chunk. Shared with the running thread: the atomics.
struct Player {
  HANDLE thread = nullptr;
  HANDLE file = nullptr;
  WavFormat wav;
  std::uint64_t chunk = 0;  // bytes handed to the output at a time
  std::atomic<bool> stop{false};
  std::atomic<bool> paused{false};
  std::atomic<int> seekTo{-1};     // a position asked for and not yet reached
  int chunkSamples = 576;          // set through the SetConfig export
  std::uint64_t decodedBytes = 0;  // the thread's own
};

In_Module& module();

Player& player() {
  static Player p;
  return p;
}

// Milliseconds of a byte count, cut to what an int holds.
int msOf(std::uint64_t bytes, const WavFormat& w) {
  const auto perSecond = static_cast<std::uint64_t>(w.bytesPerSecond);
  const std::uint64_t seconds = bytes / perSecond;
  if (seconds > INT_MAX / 1000) return INT_MAX;
  return static_cast<int>(seconds * 1000 + bytes % perSecond * 1000 / perSecond);
}

// Opened for reading, shared with readers and writers; nullptr when it cannot be.
HANDLE openFile(const char* name) {
#ifdef IN_WAV_UNICODE
  const HANDLE file =
      CreateFileW(reinterpret_cast<LPCWSTR>(name), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
#else
  const HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
#endif
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

#ifdef IN_WAV_UNICODE
constexpr unsigned kVersionFlags = IN_UNICODE;
#else
constexpr unsigned kVersionFlags = 0;
#endif

// Files and positions stay below LONG_MAX (2 GiB on Windows).
bool seekFile(HANDLE file, std::uint64_t at) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(at);
  return at <= LONG_MAX && SetFilePointerEx(file, to, nullptr, FILE_BEGIN);
}

// Bytes read from the file's position on: fewer at its end.
std::size_t readNext(HANDLE file, void* dst, std::size_t n) {
  DWORD got = 0;
  return ReadFile(file, dst, static_cast<DWORD>(n), &got, nullptr) ? got : 0;
}

bool readAt(void* file, std::uint64_t at, void* dst, std::size_t n) {
  return seekFile(file, at) && readNext(file, dst, n) == n;
}

// 0: a PCM WAV file we play; -1: cannot be opened; 1: not a file we play
// (or not one we can play safely).
int openWav(const char* name, HANDLE& file, WavFormat& info) {
  file = name ? openFile(name) : nullptr;
  if (!file) return -1;
  LARGE_INTEGER size, zero;
  zero.QuadPart = 0;
  if (!SetFilePointerEx(file, zero, &size, FILE_END) || size.QuadPart > LONG_MAX ||
      !wavfile::parseWav(readAt, file, static_cast<std::uint64_t>(size.QuadPart), info))
    return 1;
  return seekFile(file, info.dataOffset) ? 0 : 1;
}

DWORD WINAPI decodeThread(LPVOID) {
  Player& p = player();
  In_Module& in = module();
  Out_Module* out = in.outMod;
  const WavFormat& w = p.wav;
  const std::uint64_t chunk = p.chunk;
  static char buffer[wavfile::kDecodeBufferBytes];
  const std::uint64_t block = static_cast<std::uint64_t>(w.blockAlign);
  bool ended = false;
  bool endPosted = false;
  while (!p.stop) {
    int seek = p.seekTo.load();
    if (seek >= 0) {
      std::uint64_t at = static_cast<std::uint64_t>(seek) *
                         static_cast<std::uint64_t>(w.bytesPerSecond) / 1000 / block * block;
      if (at > w.dataBytes) at = w.dataBytes;
      seekFile(p.file, w.dataOffset + at);
      p.decodedBytes = at;
      out->Flush(msOf(at, w));
      // Taken in one exchange once the output is there: a seek asked for
      // meanwhile stays for the next round, and until then GetOutputTime
      // shows the position asked for.
      p.seekTo.compare_exchange_strong(seek, -1);
      ended = endPosted = false;
      continue;
    }
    if (ended) {
      // The output plays out what it holds; then the player hears of the end.
      if (!endPosted && !out->IsPlaying()) {
        PostMessageA(in.hMainWindow, WM_WA_MPEG_EOF, 0, 0);
        endPosted = true;
      }
      Sleep(10);
      continue;
    }
    const std::uint64_t left = w.dataBytes - p.decodedBytes;
    const std::size_t want = static_cast<std::size_t>(chunk < left ? chunk : left);
    const std::size_t got = want > 0 ? readNext(p.file, buffer, want) / block * block : 0;
    if (got == 0) {
      ended = true;
      continue;
    }
    const int timestamp = msOf(p.decodedBytes, w);
    in.SAAddPCMData(buffer, w.channels, w.bits, timestamp);
    in.VSAAddPCMData(buffer, w.channels, w.bits, timestamp);
    std::size_t bytes = got;
    if (in.dsp_isactive()) {
      const int frames =
          in.dsp_dosamples(reinterpret_cast<short*>(buffer), static_cast<int>(got / block), w.bits,
                           w.channels, w.rate);
      // The DSP may return up to twice the samples; never more than the buffer.
      bytes = frames > 0 ? static_cast<std::size_t>(frames) * block : 0;
      if (bytes > sizeof buffer) bytes = sizeof buffer / block * block;
    }
    while (!p.stop && p.seekTo < 0 && out->CanWrite() < static_cast<int>(bytes)) Sleep(5);
    if (p.stop || p.seekTo >= 0) continue;
    out->Write(buffer, static_cast<int>(bytes));
    p.decodedBytes += got;
  }
  return 0;
}

void WINAMP_CDECL config(HWND) {}
void WINAMP_CDECL about(HWND) {}
void WINAMP_CDECL init() {}
void WINAMP_CDECL quit() {}
void WINAMP_CDECL getFileInfo(char*, char* title, int* length) {
  if (title) title[0] = '\0';
  if (length) *length = 0;
}
int WINAMP_CDECL infoBox(char*, HWND) {
  return 0;
}
int WINAMP_CDECL isOurFile(char*) {
  return 0;
}

// Closes what a play opened.
void endPlay(Player& p) {
  module().outMod->Close();
  CloseHandle(p.file);
  p.file = nullptr;
  p.wav = WavFormat{};
}

void WINAMP_CDECL stop() {
  Player& p = player();
  if (!p.thread) return;
  p.stop = true;
  WaitForSingleObject(p.thread, INFINITE);
  CloseHandle(p.thread);
  p.thread = nullptr;
  endPlay(p);
}

// 0: playing; -1: the file cannot be opened; 1: not a file we play, or the
// output cannot be opened (no sound device), or no thread: nothing is left
// open then.
int WINAMP_CDECL play(char* name) {
  Player& p = player();
  In_Module& in = module();
  stop();
  HANDLE file = nullptr;
  WavFormat w;
  const int result = openWav(name, file, w);
  if (result != 0) {
    if (file) CloseHandle(file);
    return result;
  }
  const int latency = in.outMod->Open(w.rate, w.channels, w.bits, -1, -1);
  if (latency < 0) {
    CloseHandle(file);
    return 1;
  }
  p.file = file;
  p.wav = w;
  in.SAVSAInit(latency, w.rate);
  in.VSASetInfo(w.rate, w.channels);
  in.SetInfo(static_cast<int>(w.bytesPerSecond * 8 / 1000), w.rate / 1000, w.channels, 1);
  // A chunk larger than the output can take at once would wait forever.
  p.chunk = wavfile::chunkBytes(w, p.chunkSamples, in.outMod->CanWrite());
  p.stop = false;
  p.paused = false;
  p.seekTo = -1;
  p.decodedBytes = 0;
  p.thread = CreateThread(nullptr, 0, decodeThread, nullptr, 0, nullptr);
  if (!p.thread) {
    endPlay(p);
    return 1;
  }
  return 0;
}

void WINAMP_CDECL pause() {
  player().paused = true;
  module().outMod->Pause(1);
}
void WINAMP_CDECL unPause() {
  player().paused = false;
  module().outMod->Pause(0);
}
int WINAMP_CDECL isPaused() {
  return player().paused ? 1 : 0;
}

int WINAMP_CDECL getLength() {
  const WavFormat& w = player().wav;
  return w.rate ? msOf(w.dataBytes, w) : 0;
}

int WINAMP_CDECL getOutputTime() {
  Player& p = player();
  if (!p.thread) return 0;
  const int seek = p.seekTo.load();
  return seek >= 0 ? seek : module().outMod->GetOutputTime();
}

void WINAMP_CDECL setOutputTime(int ms) {
  if (player().thread) player().seekTo = ms < 0 ? 0 : ms;
}

void WINAMP_CDECL setVolume(int volume) {
  if (module().outMod) module().outMod->SetVolume(volume);
}
void WINAMP_CDECL setPan(int pan) {
  if (module().outMod) module().outMod->SetPan(pan);
}
void WINAMP_CDECL eqSet(int, char[10], int) {}

char kDescription[] = "in_wav: PCM WAV files";
char kExtensions[] = "WAV\0PCM WAV files (*.WAV)\0";

In_Module& module() {
  static In_Module m = {static_cast<int>(0x100 | kVersionFlags),
                        kDescription,
                        nullptr,
                        nullptr,
                        kExtensions,
                        1,
                        1,
                        config,
                        about,
                        init,
                        quit,
                        getFileInfo,
                        infoBox,
                        isOurFile,
                        play,
                        pause,
                        unPause,
                        isPaused,
                        stop,
                        getLength,
                        getOutputTime,
                        setOutputTime,
                        setVolume,
                        setPan,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        nullptr,
                        eqSet,
                        nullptr,
                        nullptr};
  return m;
}

}  // namespace

PLUGIN_EXPORT In_Module* WINAMP_CDECL winampGetInModule2() {
  return &module();
}

// GetConfig(0): samples per chunk handed to the output. SetConfig(n) sets it
// (64 to 8192): 1 when taken, 0 when refused. A play cuts it to what the
// decode buffer and the output can take.
PLUGIN_EXPORT int WINAMP_CDECL GetConfig(int which) {
  return which == 0 ? player().chunkSamples : 0;
}
PLUGIN_EXPORT int WINAMP_CDECL SetConfig(int samples) {
  if (samples < 64 || samples > 8192) return 0;
  player().chunkSamples = samples;
  return 1;
}
