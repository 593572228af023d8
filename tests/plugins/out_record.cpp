// Our "out_wave.dll": an output plug-in that plays in real time against a
// clock (no sound device needed) and records every call and every PCM byte,
// so that tests can see what reached it.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plugin_base.h"
#include "winamp/plugin.h"

namespace {

constexpr int kBufferMs = 500;

std::int64_t clockMs() {
  return static_cast<std::int64_t>(GetTickCount64());
}

struct Recorder {
  plugin::Mutex mutex;
  std::string log;  // one line per call, Write and CanWrite left out
  std::vector<unsigned char> pcm;
  int writes = 0;
  int bytesPerSecond = 0;
  bool open = false;
  bool paused = false;
  std::int64_t baseMs = 0;        // position at Open or Flush
  std::int64_t writtenBytes = 0;  // since then
  std::int64_t clockStart = 0;
  std::int64_t pausedSince = 0;
  std::int64_t pausedTotal = 0;

  void note(const std::string& line) { log += line + "\n"; }
  std::int64_t writtenMs() const {
    return bytesPerSecond ? writtenBytes * 1000 / bytesPerSecond : 0;
  }
  std::int64_t playedMs() const {
    if (!open) return 0;
    const std::int64_t now = paused ? pausedSince : clockMs();
    const std::int64_t elapsed = now - clockStart - pausedTotal;
    return elapsed < writtenMs() ? elapsed : writtenMs();
  }
  void restartClock() {
    clockStart = clockMs();
    pausedTotal = 0;
    pausedSince = clockStart;
  }
};

Recorder& recorder() {
  static Recorder r;
  return r;
}

std::string numbers(const char* name, std::initializer_list<int> values) {
  std::string s = name;
  for (int v : values) s += " " + std::to_string(v);
  return s;
}

void WINAMP_CDECL config(HWND) {
  plugin::Lock l(recorder().mutex);
  recorder().note("Config");
}
void WINAMP_CDECL about(HWND) {
  plugin::Lock l(recorder().mutex);
  recorder().note("About");
}
void WINAMP_CDECL init() {
  plugin::Lock l(recorder().mutex);
  recorder().note("Init");
}
void WINAMP_CDECL quit() {
  plugin::Lock l(recorder().mutex);
  recorder().note("Quit");
}

int WINAMP_CDECL openOut(int rate, int channels, int bits, int bufferMs, int prebufferMs) {
  Recorder& r = recorder();
  plugin::Lock l(r.mutex);
  r.note(numbers("Open", {rate, channels, bits, bufferMs, prebufferMs}));
  if (rate <= 0 || channels <= 0 || (bits != 8 && bits != 16)) return -1;
  r.bytesPerSecond = rate * channels * bits / 8;
  r.open = true;
  r.paused = false;
  r.baseMs = 0;
  r.writtenBytes = 0;
  r.restartClock();
  return kBufferMs;  // latency
}

void WINAMP_CDECL closeOut() {
  Recorder& r = recorder();
  plugin::Lock l(r.mutex);
  r.note("Close");
  r.open = false;
}

int WINAMP_CDECL write(char* buf, int len) {
  Recorder& r = recorder();
  plugin::Lock l(r.mutex);
  if (!r.open || len < 0) return 1;
  r.pcm.insert(r.pcm.end(), buf, buf + len);
  r.writtenBytes += len;
  r.writes++;
  return 0;
}

int WINAMP_CDECL canWrite() {
  Recorder& r = recorder();
  plugin::Lock l(r.mutex);
  if (!r.open) return 0;
  const std::int64_t buffered = (r.writtenMs() - r.playedMs()) * r.bytesPerSecond / 1000;
  const std::int64_t room =
      static_cast<std::int64_t>(kBufferMs) * r.bytesPerSecond / 1000 - buffered;
  return room > 0 ? static_cast<int>(room) : 0;
}

int WINAMP_CDECL isPlaying() {
  Recorder& r = recorder();
  plugin::Lock l(r.mutex);
  return r.open && r.playedMs() < r.writtenMs() ? 1 : 0;
}

int WINAMP_CDECL pauseOut(int pause) {
  Recorder& r = recorder();
  plugin::Lock l(r.mutex);
  r.note(numbers("Pause", {pause}));
  const bool was = r.paused;
  const std::int64_t at = clockMs();
  if (pause && !was) r.pausedSince = at;
  if (!pause && was) r.pausedTotal += at - r.pausedSince;
  r.paused = pause != 0;
  return was ? 1 : 0;
}

void WINAMP_CDECL setVolume(int volume) {
  plugin::Lock l(recorder().mutex);
  recorder().note(numbers("SetVolume", {volume}));
}

void WINAMP_CDECL setPan(int pan) {
  plugin::Lock l(recorder().mutex);
  recorder().note(numbers("SetPan", {pan}));
}

void WINAMP_CDECL flush(int ms) {
  Recorder& r = recorder();
  plugin::Lock l(r.mutex);
  r.note(numbers("Flush", {ms}));
  r.baseMs = ms;
  r.writtenBytes = 0;
  r.restartClock();
}

int WINAMP_CDECL getOutputTime() {
  Recorder& r = recorder();
  plugin::Lock l(r.mutex);
  return static_cast<int>(r.baseMs + r.playedMs());
}

int WINAMP_CDECL getWrittenTime() {
  Recorder& r = recorder();
  plugin::Lock l(r.mutex);
  return static_cast<int>(r.baseMs + r.writtenMs());
}

char kDescription[] = "out_wave: recording output, real time";

Out_Module module = {0x10,      kDescription, 65536,    nullptr,       nullptr,
                     config,    about,        init,     quit,          openOut,
                     closeOut,  write,        canWrite, isPlaying,     pauseOut,
                     setVolume, setPan,       flush,    getOutputTime, getWrittenTime};

}  // namespace

PLUGIN_EXPORT Out_Module* WINAMP_CDECL winampGetOutModule() {
  return &module;
}

// What reached the plug-in, for tests: the call log (one line per call), the
// PCM bytes, and the number of Write calls. Each copies at most size bytes and
// returns the full length.
PLUGIN_EXPORT int WINAMP_CDECL outwave_log(char* out, int size) {
  Recorder& r = recorder();
  plugin::Lock l(r.mutex);
  if (out && size > 0) {
    const std::size_t n =
        r.log.size() < static_cast<std::size_t>(size - 1) ? r.log.size() : size - 1;
    std::memcpy(out, r.log.data(), n);
    out[n] = '\0';
  }
  return static_cast<int>(r.log.size());
}

PLUGIN_EXPORT int WINAMP_CDECL outwave_pcm(unsigned char* out, int size) {
  Recorder& r = recorder();
  plugin::Lock l(r.mutex);
  if (out && size > 0) {
    const std::size_t n = r.pcm.size() < static_cast<std::size_t>(size) ? r.pcm.size() : size;
    std::memcpy(out, r.pcm.data(), n);
  }
  return static_cast<int>(r.pcm.size());
}

PLUGIN_EXPORT int WINAMP_CDECL outwave_writes() {
  plugin::Lock l(recorder().mutex);
  return recorder().writes;
}

PLUGIN_EXPORT void WINAMP_CDECL outwave_reset() {
  Recorder& r = recorder();
  plugin::Lock l(r.mutex);
  r.log.clear();
  r.pcm.clear();
  r.writes = 0;
}
