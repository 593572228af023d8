// One wave-out device that plays like a sound card: a thread of its own takes
// the queued buffers at the format's byte rate (times the speed set), hands
// every byte it plays to the listener, and marks each buffer done once
// played. The position counts the samples played since the device was opened
// or reset. Like a real driver, a paused device plays on for a moment (what
// it had already handed to the hardware) before it stops.
// With COMPAT_WAVEOUT_CAPTURE naming a file, the played bytes are also
// appended to that file, so that a program's sound can be compared with its
// source outside the program. COMPAT_WAVEOUT=absent starts a program with no
// device, COMPAT_WAVEOUT=stalled with one that takes buffers and never plays.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

#include "compat/stand_in.h"
#include "compat/win32.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Device {
  WAVEFORMATEX format;
  std::deque<WAVEHDR*> queue;
  DWORD doneInHead = 0;      // bytes of the first queued buffer already played
  std::uint64_t played = 0;  // samples since open or reset
  double owed = 0;           // samples the clock has granted and not yet taken
  bool paused = false;
  Clock::time_point silentFrom;  // when a pause takes effect
  bool closing = false;
  FILE* capture = nullptr;  // COMPAT_WAVEOUT_CAPTURE, open while the device is
  std::thread player;
};

compat::WaveOutSettings defaultSettings() {
  compat::WaveOutSettings settings;
  const char* kind = std::getenv("COMPAT_WAVEOUT");
  if (kind && !std::strcmp(kind, "absent")) settings.present = false;
  if (kind && !std::strcmp(kind, "stalled")) settings.speed = 0;
  return settings;
}

struct Card {
  std::mutex lock;
  std::set<Device*> devices;
  compat::WaveOutSettings settings = defaultSettings();
  compat::WaveOutListener listener = nullptr;
};

// Never destroyed: a device left open keeps its thread until the process ends.
Card& card() {
  static Card* c = new Card;
  return *c;
}

Device* find(HWAVEOUT handle) {
  auto* device = static_cast<Device*>(handle);
  return card().devices.count(device) ? device : nullptr;
}

void keep(Device& d, const char* bytes, std::size_t n) {
  if (card().listener) card().listener(reinterpret_cast<const std::uint8_t*>(bytes), n);
  if (d.capture) std::fwrite(bytes, 1, n, d.capture);
}

// Hands a buffer back. The program polls WHDR_DONE without the card's lock,
// as programs do on Windows, where the driver sets it from a thread of its
// own: the flags are stored atomically, after the played bytes.
void markDone(WAVEHDR& h) {
  __atomic_store_n(&h.dwFlags, (h.dwFlags & ~WHDR_INQUEUE) | WHDR_DONE, __ATOMIC_RELEASE);
}

// Plays what the clock allows since the last tick; called under the lock.
void playFor(Device& d, double seconds, Clock::time_point now) {
  if ((d.paused && now >= d.silentFrom) || d.queue.empty()) {
    d.owed = 0;  // a starved or paused card does not run ahead
    return;
  }
  d.owed += seconds * d.format.nSamplesPerSec * card().settings.speed;
  const DWORD block = d.format.nBlockAlign;
  while (d.owed >= 1 && !d.queue.empty()) {
    WAVEHDR* head = d.queue.front();
    const DWORD left = (head->dwBufferLength - d.doneInHead) / block;
    const DWORD take = left < d.owed ? left : static_cast<DWORD>(d.owed);
    keep(d, head->lpData + d.doneInHead, static_cast<std::size_t>(take) * block);
    d.doneInHead += take * block;
    d.played += take;
    d.owed -= take;
    if (head->dwBufferLength - d.doneInHead < block) {
      markDone(*head);
      d.queue.pop_front();
      d.doneInHead = 0;
    }
  }
}

void run(Device* d) {
  Clock::time_point last = Clock::now();
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    std::lock_guard<std::mutex> guard(card().lock);
    if (d->closing) return;
    const Clock::time_point now = Clock::now();
    playFor(*d, std::chrono::duration<double>(now - last).count(), now);
    last = now;
  }
}

void markAllDone(Device& d) {
  for (WAVEHDR* h : d.queue) markDone(*h);
  d.queue.clear();
  d.doneInHead = 0;
}

}  // namespace

namespace compat {

WaveOutSettings& waveOutSettings() {
  return card().settings;
}

int openWaveOutCount() {
  std::lock_guard<std::mutex> guard(card().lock);
  return static_cast<int>(card().devices.size());
}

void resetWaveOut() {
  std::lock_guard<std::mutex> guard(card().lock);
  card().settings = defaultSettings();
}

void listenToWaveOut(WaveOutListener listener) {
  std::lock_guard<std::mutex> guard(card().lock);
  card().listener = listener;
}

}  // namespace compat

extern "C" UINT waveOutGetNumDevs() {
  std::lock_guard<std::mutex> guard(card().lock);
  return card().settings.present ? 1 : 0;
}

extern "C" MMRESULT waveOutOpen(HWAVEOUT* handle, UINT id, const WAVEFORMATEX* format, DWORD_PTR,
                                DWORD_PTR, DWORD flags) {
  std::lock_guard<std::mutex> guard(card().lock);
  if (!card().settings.present || (id != WAVE_MAPPER && id != 0)) return MMSYSERR_BADDEVICEID;
  if (!handle || !format || flags != CALLBACK_NULL) return MMSYSERR_INVALPARAM;
  const WAVEFORMATEX& f = *format;
  if (f.wFormatTag != WAVE_FORMAT_PCM || f.nChannels < 1 || f.nChannels > 2 ||
      (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) || f.nSamplesPerSec < 1000 ||
      f.nSamplesPerSec > 192000 || f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8 ||
      f.nAvgBytesPerSec != f.nSamplesPerSec * f.nBlockAlign) {
    return WAVERR_BADFORMAT;
  }
  auto* d = new Device();
  d->format = f;
  if (const char* path = std::getenv("COMPAT_WAVEOUT_CAPTURE")) d->capture = std::fopen(path, "ab");
  card().devices.insert(d);
  d->player = std::thread(run, d);
  *handle = d;
  return MMSYSERR_NOERROR;
}

extern "C" MMRESULT waveOutClose(HWAVEOUT handle) {
  Device* d;
  {
    std::lock_guard<std::mutex> guard(card().lock);
    d = find(handle);
    if (!d) return MMSYSERR_INVALHANDLE;
    if (!d->queue.empty()) return WAVERR_STILLPLAYING;
    d->closing = true;
    card().devices.erase(d);
  }
  d->player.join();
  if (d->capture) std::fclose(d->capture);
  delete d;
  return MMSYSERR_NOERROR;
}

extern "C" MMRESULT waveOutPrepareHeader(HWAVEOUT handle, WAVEHDR* header, UINT size) {
  std::lock_guard<std::mutex> guard(card().lock);
  if (!find(handle)) return MMSYSERR_INVALHANDLE;
  if (!header || size != sizeof(WAVEHDR) || !header->lpData) return MMSYSERR_INVALPARAM;
  header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

extern "C" MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, WAVEHDR* header, UINT size) {
  std::lock_guard<std::mutex> guard(card().lock);
  if (!find(handle)) return MMSYSERR_INVALHANDLE;
  if (!header || size != sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  header->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

extern "C" MMRESULT waveOutWrite(HWAVEOUT handle, WAVEHDR* header, UINT size) {
  std::lock_guard<std::mutex> guard(card().lock);
  Device* d = find(handle);
  if (!d) return MMSYSERR_INVALHANDLE;
  if (!header || size != sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
  d->queue.push_back(header);
  return MMSYSERR_NOERROR;
}

extern "C" MMRESULT waveOutPause(HWAVEOUT handle) {
  std::lock_guard<std::mutex> guard(card().lock);
  Device* d = find(handle);
  if (!d) return MMSYSERR_INVALHANDLE;
  if (!d->paused) {
    d->paused = true;
    d->silentFrom = Clock::now() + std::chrono::milliseconds(card().settings.pauseDelayMs);
  }
  return MMSYSERR_NOERROR;
}

extern "C" MMRESULT waveOutRestart(HWAVEOUT handle) {
  std::lock_guard<std::mutex> guard(card().lock);
  Device* d = find(handle);
  if (!d) return MMSYSERR_INVALHANDLE;
  d->paused = false;
  return MMSYSERR_NOERROR;
}

// Every queued buffer is handed back done and the position starts again at 0;
// a paused device stays paused.
extern "C" MMRESULT waveOutReset(HWAVEOUT handle) {
  std::lock_guard<std::mutex> guard(card().lock);
  Device* d = find(handle);
  if (!d) return MMSYSERR_INVALHANDLE;
  markAllDone(*d);
  d->played = 0;
  d->owed = 0;
  return MMSYSERR_NOERROR;
}

extern "C" MMRESULT waveOutGetPosition(HWAVEOUT handle, MMTIME* time, UINT size) {
  std::lock_guard<std::mutex> guard(card().lock);
  Device* d = find(handle);
  if (!d) return MMSYSERR_INVALHANDLE;
  if (!time || size != sizeof(MMTIME)) return MMSYSERR_INVALPARAM;
  if (time->wType == TIME_BYTES) {
    time->u.cb = static_cast<DWORD>(d->played * d->format.nBlockAlign);
  } else {
    time->wType = TIME_SAMPLES;
    time->u.sample = static_cast<DWORD>(d->played);
  }
  return MMSYSERR_NOERROR;
}

// The card has no volume of its own: the level is taken and not applied.
extern "C" MMRESULT waveOutSetVolume(HWAVEOUT handle, DWORD) {
  std::lock_guard<std::mutex> guard(card().lock);
  return find(handle) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}
