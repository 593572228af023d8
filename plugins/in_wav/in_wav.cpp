// Our input plug-in: plays PCM WAV files the way real plug-ins do. Play parses
// the file and returns at once; a decode thread of its own opens the output,
// feeds the visualisation and DSP callbacks, writes as CanWrite allows, and
// once the output has played everything posts the end of the track to the
// main window. Built with IN_WAV_UNICODE it takes UTF-16 paths (IN_UNICODE).
#include <cstdio>
#include <cstring>
#include <string>

#include "compat/win32.h"
#include "portable.h"
#include "winamp/plugin.h"

namespace {

struct WavInfo {
  int rate = 0, channels = 0, bits = 0;
  long dataOffset = 0;
  long dataBytes = 0;
  int blockAlign() const { return channels * bits / 8; }
  int bytesPerSecond() const { return rate * blockAlign(); }
};

struct Player {
  plugin::Mutex mutex;
  plugin::Thread thread;
  FILE* file = nullptr;
  WavInfo wav;
  volatile bool stop = false;
  volatile bool paused = false;
  volatile int seekTo = -1;  // a position asked for and not yet reached
  int chunkSamples = 576;    // set through the SetConfig export
  long decodedBytes = 0;
};

In_Module& module();

Player& player() {
  static Player p;
  return p;
}

std::uint32_t le(const unsigned char* p, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

#ifdef IN_WAV_UNICODE
constexpr unsigned kVersionFlags = IN_UNICODE;
#ifndef _WIN32
// Linux file names are UTF-8.
std::string utf8(const WCHAR* text) {
  std::string out;
  while (*text) {
    char32_t c = *text++;
    if (c >= 0xD800 && c < 0xDC00 && *text >= 0xDC00 && *text < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (*text++ - 0xDC00);
    }
    const int more = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    static const unsigned char kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[more] | (c >> (6 * more)));
    for (int i = more - 1; i >= 0; --i) out += static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F));
  }
  return out;
}
#endif
FILE* openWav(const char* name) {
  const auto* wide = reinterpret_cast<const WCHAR*>(name);
#ifdef _WIN32
  return _wfopen(wide, L"rb");
#else
  return std::fopen(utf8(wide).c_str(), "rb");
#endif
}
#else
constexpr unsigned kVersionFlags = 0;
FILE* openWav(const char* name) {
  return std::fopen(name, "rb");
}
#endif

// 0: a PCM WAV file; -1: cannot be opened; 1: not a file we play.
int parseWav(const char* name, FILE*& file, WavInfo& info) {
  file = name ? openWav(name) : nullptr;
  if (!file) return -1;
  unsigned char riff[12];
  if (std::fread(riff, 1, 12, file) != 12 || std::memcmp(riff, "RIFF", 4) ||
      std::memcmp(riff + 8, "WAVE", 4)) {
    return 1;
  }
  bool haveFormat = false;
  unsigned char chunk[8];
  while (std::fread(chunk, 1, 8, file) == 8) {
    const long size = static_cast<long>(le(chunk + 4, 4));
    if (!std::memcmp(chunk, "fmt ", 4) && size >= 16) {
      unsigned char fmt[16];
      if (std::fread(fmt, 1, 16, file) != 16) return 1;
      if (le(fmt, 2) != 1) return 1;  // PCM only
      info.channels = static_cast<int>(le(fmt + 2, 2));
      info.rate = static_cast<int>(le(fmt + 4, 4));
      info.bits = static_cast<int>(le(fmt + 14, 2));
      haveFormat = info.channels > 0 && info.rate > 0 && (info.bits == 8 || info.bits == 16);
      std::fseek(file, size - 16 + (size & 1), SEEK_CUR);
    } else if (!std::memcmp(chunk, "data", 4)) {
      if (!haveFormat) return 1;
      info.dataOffset = std::ftell(file);
      std::fseek(file, 0, SEEK_END);
      const long available = std::ftell(file) - info.dataOffset;
      info.dataBytes =
          (size < available ? size : available) / info.blockAlign() * info.blockAlign();
      std::fseek(file, info.dataOffset, SEEK_SET);
      return 0;
    } else {
      std::fseek(file, size + (size & 1), SEEK_CUR);
    }
  }
  return 1;
}

void decodeThread(void*) {
  Player& p = player();
  In_Module& in = module();
  Out_Module* out = in.outMod;
  const WavInfo& w = p.wav;
  const int latency = out->Open(w.rate, w.channels, w.bits, -1, -1);
  if (latency < 0) return;
  in.SAVSAInit(latency, w.rate);
  in.VSASetInfo(w.rate, w.channels);
  in.SetInfo(w.bytesPerSecond() * 8 / 1000, w.rate / 1000, w.channels, 1);
  static char buffer[8192 * 2 * 2 * 2];  // room for DSP to double the samples
  bool ended = false;
  bool endPosted = false;
  while (!p.stop) {
    const int seek = p.seekTo;
    if (seek >= 0) {
      long at = static_cast<long>(static_cast<long long>(seek) * w.bytesPerSecond() / 1000);
      at = at / w.blockAlign() * w.blockAlign();
      if (at > w.dataBytes) at = w.dataBytes;
      std::fseek(p.file, w.dataOffset + at, SEEK_SET);
      p.decodedBytes = at;
      out->Flush(static_cast<int>(static_cast<long long>(at) * 1000 / w.bytesPerSecond()));
      p.seekTo = -1;
      ended = endPosted = false;
      continue;
    }
    if (ended) {
      // The output plays out what it holds; then the player hears of the end.
      if (!endPosted && !out->IsPlaying()) {
        PostMessageA(in.hMainWindow, WM_WA_MPEG_EOF, 0, 0);
        endPosted = true;
      }
      plugin::sleepMs(10);
      continue;
    }
    long want = static_cast<long>(p.chunkSamples) * w.blockAlign();
    if (want > w.dataBytes - p.decodedBytes) want = w.dataBytes - p.decodedBytes;
    const int got =
        want > 0 ? static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(want), p.file)) : 0;
    if (got <= 0) {
      ended = true;
      continue;
    }
    const int timestamp =
        static_cast<int>(static_cast<long long>(p.decodedBytes) * 1000 / w.bytesPerSecond());
    in.SAAddPCMData(buffer, w.channels, w.bits, timestamp);
    in.VSAAddPCMData(buffer, w.channels, w.bits, timestamp);
    int bytes = got;
    if (in.dsp_isactive()) {
      bytes = in.dsp_dosamples(reinterpret_cast<short*>(buffer), got / w.blockAlign(), w.bits,
                               w.channels, w.rate) *
              w.blockAlign();
    }
    while (!p.stop && p.seekTo < 0 && out->CanWrite() < bytes) plugin::sleepMs(5);
    if (p.stop || p.seekTo >= 0) continue;
    out->Write(buffer, bytes);
    p.decodedBytes += got;
  }
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

void WINAMP_CDECL stop() {
  Player& p = player();
  if (!p.thread.running()) return;
  p.stop = true;
  p.thread.join();
  module().outMod->Close();
  std::fclose(p.file);
  p.file = nullptr;
  p.wav = WavInfo{};
}

int WINAMP_CDECL play(char* name) {
  Player& p = player();
  stop();
  FILE* file = nullptr;
  WavInfo info;
  const int result = parseWav(name, file, info);
  if (result != 0) {
    if (file) std::fclose(file);
    return result;
  }
  p.file = file;
  p.wav = info;
  p.stop = false;
  p.paused = false;
  p.seekTo = -1;
  p.decodedBytes = 0;
  if (!p.thread.start(decodeThread, nullptr)) {
    std::fclose(file);
    p.file = nullptr;
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
  const WavInfo& w = player().wav;
  return w.rate ? static_cast<int>(static_cast<long long>(w.dataBytes) * 1000 / w.bytesPerSecond())
                : 0;
}

int WINAMP_CDECL getOutputTime() {
  Player& p = player();
  if (!p.thread.running()) return 0;
  if (p.seekTo >= 0) return p.seekTo;
  return module().outMod->GetOutputTime();
}

void WINAMP_CDECL setOutputTime(int ms) {
  if (player().thread.running()) player().seekTo = ms < 0 ? 0 : ms;
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
// (64 to 8192): 1 when taken, 0 when refused.
PLUGIN_EXPORT int WINAMP_CDECL GetConfig(int which) {
  return which == 0 ? player().chunkSamples : 0;
}
PLUGIN_EXPORT int WINAMP_CDECL SetConfig(int samples) {
  if (samples < 64 || samples > 8192) return 0;
  player().chunkSamples = samples;
  return 1;
}
