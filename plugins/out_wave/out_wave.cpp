// Our "out_wave.dll": plays through the system's wave-out device (the wave
// mapper). Written PCM goes into a ring of blocks; a full block goes to the
// device at once, a partial one when the device would otherwise starve or
// when the plug-in asks whether the sound is still playing (which it does
// after its last Write). No thread of its own and no callback: every call
// first takes back the blocks the device has finished with. Every function
// may be called from the input plug-in's thread or the host's.
#include <cstdint>
#include <cstring>
#include <vector>

#include "plugin_base.h"
#include "winamp/plugin.h"

namespace {

constexpr int kBlocks = 16;
constexpr int kDefaultBufferMs = 1000, kMinBufferMs = 200, kMaxBufferMs = 10000;
constexpr int kMaxLevel = 255;

struct Output {
  plugin::Mutex mutex;
  HWAVEOUT device = nullptr;
  WAVEFORMATEX format{};
  std::vector<char> memory;  // kBlocks blocks of blockBytes each
  WAVEHDR headers[kBlocks]{};
  int blockBytes = 0;
  int firstQueued = 0;  // the oldest block with the device
  int queued = 0;       // blocks with the device; the next one is being filled
  int fillBytes = 0;
  std::int64_t writtenBytes = 0;  // since Open or Flush
  std::int64_t baseMs = 0;        // the position at Open or Flush
  std::int64_t playedSamples = 0;
  DWORD lastPosition = 0;
  bool paused = false;
  std::int64_t pausedAtMs = 0;  // the position when the pause began
  bool levelSet = false;        // the device's volume is left alone until asked
  int volume = kMaxLevel;
  int pan = 0;

  int bytesPerSecond() const { return static_cast<int>(format.nAvgBytesPerSec); }
  std::int64_t outputMs() { return baseMs + played() * 1000 / format.nSamplesPerSec; }
  int capacity() const { return (kBlocks - queued) * blockBytes - fillBytes; }

  // The device marks a block done from a thread of its own: the flag is
  // read atomically, before the block's memory is used again.
  static bool done(const WAVEHDR& h) {
    return __atomic_load_n(&h.dwFlags, __ATOMIC_ACQUIRE) & WHDR_DONE;
  }

  void reclaim() {
    while (queued > 0 && done(headers[firstQueued])) {
      waveOutUnprepareHeader(device, &headers[firstQueued], sizeof(WAVEHDR));
      headers[firstQueued].dwFlags = 0;
      firstQueued = (firstQueued + 1) % kBlocks;
      --queued;
    }
  }

  void submitFill() {
    const int index = (firstQueued + queued) % kBlocks;
    WAVEHDR& h = headers[index];
    std::memset(&h, 0, sizeof h);
    h.lpData = memory.data() + static_cast<std::size_t>(index) * blockBytes;
    h.dwBufferLength = static_cast<DWORD>(fillBytes);
    fillBytes = 0;
    if (waveOutPrepareHeader(device, &h, sizeof h) != MMSYSERR_NOERROR) return;
    if (waveOutWrite(device, &h, sizeof h) != MMSYSERR_NOERROR) {
      waveOutUnprepareHeader(device, &h, sizeof h);
      h.dwFlags = 0;
      return;  // the device refused it: the block is dropped, not retried forever
    }
    ++queued;
  }

  // Every block back from the device; the position starts again at 0.
  void resetDevice() {
    waveOutReset(device);
    reclaim();
    fillBytes = 0;
    playedSamples = 0;
    lastPosition = devicePosition();
  }

  DWORD devicePosition() {
    MMTIME time;
    time.wType = TIME_SAMPLES;
    time.u.sample = 0;
    waveOutGetPosition(device, &time, sizeof time);
    if (time.wType == TIME_BYTES) return time.u.cb / format.nBlockAlign;
    return time.u.sample;
  }

  // Samples played since Open or Flush, across the 32-bit counter's wrap.
  std::int64_t played() {
    const DWORD now = devicePosition();
    playedSamples += static_cast<DWORD>(now - lastPosition);
    lastPosition = now;
    const std::int64_t written = writtenBytes / format.nBlockAlign;
    return playedSamples < written ? playedSamples : written;
  }

  void applyLevel() {
    if (!device || !levelSet) return;
    DWORD left = static_cast<DWORD>(volume) * 0xFFFF / kMaxLevel, right = left;
    if (pan > 0) left = left * static_cast<DWORD>(127 - pan) / 127;
    if (pan < 0) right = right * static_cast<DWORD>(128 + pan) / 128;
    waveOutSetVolume(device, left | (right << 16));
  }

  void close() {
    if (!device) return;
    waveOutReset(device);
    reclaim();
    waveOutClose(device);
    device = nullptr;
    std::vector<char>().swap(memory);
  }
};

Output& output() {
  static Output o;
  return o;
}

void WINAMP_CDECL config(HWND) {}
void WINAMP_CDECL about(HWND) {}
void WINAMP_CDECL init() {}

void WINAMP_CDECL quit() {
  Output& o = output();
  plugin::Lock l(o.mutex);
  o.close();
}

// buffer_ms of 0 or less asks for the default; prebuffer_ms is not used (a
// block reaches the device once it is full).
int WINAMP_CDECL openOut(int rate, int channels, int bits, int bufferMs, int) {
  Output& o = output();
  plugin::Lock l(o.mutex);
  o.close();
  if (rate < 1000 || rate > 384000 || (channels != 1 && channels != 2) ||
      (bits != 8 && bits != 16)) {
    return -1;
  }
  WAVEFORMATEX& f = o.format;
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = static_cast<WORD>(channels);
  f.nSamplesPerSec = static_cast<DWORD>(rate);
  f.wBitsPerSample = static_cast<WORD>(bits);
  f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
  f.cbSize = 0;
  if (waveOutOpen(&o.device, WAVE_MAPPER, &f, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
    o.device = nullptr;
    return -1;
  }
  int ms = bufferMs <= 0 ? kDefaultBufferMs : bufferMs;
  ms = ms < kMinBufferMs ? kMinBufferMs : ms > kMaxBufferMs ? kMaxBufferMs : ms;
  const int perBlock = static_cast<int>(static_cast<std::int64_t>(o.bytesPerSecond()) * ms / 1000 /
                                        kBlocks / f.nBlockAlign);
  o.blockBytes = (perBlock > 0 ? perBlock : 1) * f.nBlockAlign;
  o.memory.assign(static_cast<std::size_t>(o.blockBytes) * kBlocks, 0);
  o.firstQueued = o.queued = o.fillBytes = 0;
  o.writtenBytes = o.baseMs = o.playedSamples = 0;
  o.lastPosition = o.devicePosition();
  o.paused = false;
  o.applyLevel();
  return static_cast<int>(static_cast<std::int64_t>(o.blockBytes) * kBlocks * 1000 /
                          o.bytesPerSecond());
}

void WINAMP_CDECL closeOut() {
  Output& o = output();
  plugin::Lock l(o.mutex);
  o.close();
}

// 0: taken; 1: not open, or more than there is room for now (nothing taken).
int WINAMP_CDECL write(char* buf, int len) {
  Output& o = output();
  plugin::Lock l(o.mutex);
  if (!o.device || len < 0 || (len > 0 && !buf)) return 1;
  o.reclaim();
  if (len > o.capacity()) return 1;
  while (len > 0) {
    const int index = (o.firstQueued + o.queued) % kBlocks;
    const int n = len < o.blockBytes - o.fillBytes ? len : o.blockBytes - o.fillBytes;
    std::memcpy(o.memory.data() + static_cast<std::size_t>(index) * o.blockBytes + o.fillBytes, buf,
                static_cast<std::size_t>(n));
    o.fillBytes += n;
    o.writtenBytes += n;
    buf += n;
    len -= n;
    if (o.fillBytes == o.blockBytes) o.submitFill();
  }
  return 0;
}

int WINAMP_CDECL canWrite() {
  Output& o = output();
  plugin::Lock l(o.mutex);
  if (!o.device) return 0;
  o.reclaim();
  if (o.queued == 0 && o.fillBytes > 0 && !o.paused) o.submitFill();  // the device starves
  return o.capacity();
}

int WINAMP_CDECL isPlaying() {
  Output& o = output();
  plugin::Lock l(o.mutex);
  if (!o.device) return 0;
  o.reclaim();
  if (o.fillBytes > 0) o.submitFill();
  return o.queued > 0 ? 1 : 0;
}

int WINAMP_CDECL pauseOut(int pause) {
  Output& o = output();
  plugin::Lock l(o.mutex);
  const bool was = o.paused;
  o.paused = pause != 0;
  if (o.device && o.paused != was) {
    if (o.paused) {
      // A device goes on playing what its driver already holds for a moment
      // after the pause; the position the listener paused at is the one kept.
      o.pausedAtMs = o.outputMs();
      waveOutPause(o.device);
    } else {
      waveOutRestart(o.device);
    }
  }
  return was ? 1 : 0;
}

// 0 to 255; anything else (plug-ins send -666 for "keep it") is ignored.
void WINAMP_CDECL setVolume(int volume) {
  if (volume < 0 || volume > kMaxLevel) return;
  Output& o = output();
  plugin::Lock l(o.mutex);
  o.volume = volume;
  o.levelSet = true;
  o.applyLevel();
}

// -128 (left only) to 127 (right only); anything else is ignored.
void WINAMP_CDECL setPan(int pan) {
  if (pan < -128 || pan > 127) return;
  Output& o = output();
  plugin::Lock l(o.mutex);
  o.pan = pan;
  o.levelSet = true;
  o.applyLevel();
}

// A seek: what is buffered is dropped and the position goes on from ms.
void WINAMP_CDECL flush(int ms) {
  Output& o = output();
  plugin::Lock l(o.mutex);
  o.baseMs = o.pausedAtMs = ms;
  o.writtenBytes = 0;
  if (!o.device) return;
  o.resetDevice();
  // Drivers differ on whether a reset ends a pause: the pause is set again.
  if (o.paused) {
    waveOutPause(o.device);
  } else {
    waveOutRestart(o.device);
  }
}

int WINAMP_CDECL getOutputTime() {
  Output& o = output();
  plugin::Lock l(o.mutex);
  if (!o.device) return 0;
  return static_cast<int>(o.paused ? o.pausedAtMs : o.outputMs());
}

int WINAMP_CDECL getWrittenTime() {
  Output& o = output();
  plugin::Lock l(o.mutex);
  if (!o.device) return 0;
  return static_cast<int>(o.baseMs + o.writtenBytes * 1000 / o.bytesPerSecond());
}

char kDescription[] = "out_wave: wave-out device";

Out_Module module = {0x10,      kDescription, 65536,    nullptr,       nullptr,
                     config,    about,        init,     quit,          openOut,
                     closeOut,  write,        canWrite, isPlaying,     pauseOut,
                     setVolume, setPan,       flush,    getOutputTime, getWrittenTime};

}  // namespace

PLUGIN_EXPORT Out_Module* WINAMP_CDECL winampGetOutModule() {
  return &module;
}
