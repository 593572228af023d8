#include "in_wav_scenarios.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "scenario_files.h"
// last: ok and skip are macros
#include "scenario_check.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

// The output: plays at once whatever it is given, room bytes at most at a
// time, and keeps the bytes. Only the plug-in's decode thread writes.
struct Output {
  std::atomic<int> room{1 << 20};
  std::atomic<int> largestWrite{0};
  std::atomic<std::size_t> size{0};  // of pcm, published after the bytes
  std::uint8_t pcm[1 << 18];
} output;

int WINAMP_CDECL outOpen(int, int, int, int, int) {
  return 0;
}
int WINAMP_CDECL outWrite(char* buf, int len) {
  output.largestWrite = std::max(output.largestWrite.load(), len);
  const std::size_t at = output.size.load(std::memory_order_relaxed);
  if (len < 0 || at + len > sizeof output.pcm) return 0;  // kept short: received differs
  std::memcpy(output.pcm + at, buf, static_cast<std::size_t>(len));
  output.size.store(at + len, std::memory_order_release);
  return 0;
}
int WINAMP_CDECL outCanWrite() {
  return output.room;
}
void WINAMP_CDECL outVoid() {}
int WINAMP_CDECL outZero() {
  return 0;
}
int WINAMP_CDECL outIntZero(int) {
  return 0;
}
void WINAMP_CDECL outInt(int) {}

Out_Module out = {0x10,       nullptr, 0,       nullptr, nullptr,  nullptr,     nullptr,
                  outVoid,    outVoid, outOpen, outVoid, outWrite, outCanWrite, outZero,
                  outIntZero, outInt,  outInt,  outInt,  outZero,  outZero};

void WINAMP_CDECL noInit(int, int) {}
void WINAMP_CDECL noPcm(void*, int, int, int) {}
void WINAMP_CDECL noInfo(int, int) {}
void WINAMP_CDECL noSetInfo(int, int, int, int) {}
// A DSP that is off (0), gives the samples back (1), or claims far more
// samples than it was given (2).
int dspMode = 0;
int WINAMP_CDECL dspActive() {
  return dspMode;
}
int WINAMP_CDECL dspSamples(short*, int count, int, int, int) {
  return dspMode == 2 ? 1 << 20 : count;
}

void put(Bytes& b, std::uint32_t v, int n) {
  for (int k = 0; k < n; ++k) b.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
}

Bytes chunk(const char* id, std::uint32_t size, const Bytes& body) {
  Bytes b(id, id + 4);
  put(b, size, 4);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes fmtBody(std::uint32_t tag, std::uint32_t channels, std::uint32_t rate, std::uint32_t bits) {
  Bytes body;
  put(body, tag, 2);
  put(body, channels, 2);
  put(body, rate, 4);
  put(body, rate * channels * bits / 8, 4);
  put(body, channels * bits / 8, 2);
  put(body, bits, 2);
  return body;
}

Bytes fmt(std::uint32_t tag, std::uint32_t channels, std::uint32_t rate, std::uint32_t bits) {
  return chunk("fmt ", 16, fmtBody(tag, channels, rate, bits));
}

Bytes riff(const std::vector<Bytes>& chunks) {
  Bytes b = {'R', 'I', 'F', 'F'};
  put(b, 0, 4);
  b.insert(b.end(), {'W', 'A', 'V', 'E'});
  for (const Bytes& c : chunks) b.insert(b.end(), c.begin(), c.end());
  return b;
}

Bytes samples(std::size_t n) {
  Bytes s(n);
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return s;
}

}  // namespace

void attachInWav(In_Module* in) {
  in->SAVSAInit = noInit;
  in->SAAddPCMData = noPcm;
  in->VSAAddPCMData = noPcm;
  in->VSASetInfo = noInfo;
  in->dsp_isactive = dspActive;
  in->dsp_dosamples = dspSamples;
  in->SetInfo = noSetInfo;
  in->outMod = &out;
  in->Init();
}

int playInWav(In_Module* in, const std::string& dir, const Bytes& file, Bytes& received,
              int* lengthMs, std::size_t expected) {
  const std::string path = dir + "play.wav";
  ok(writeAll(path, file), "cannot write %s", path.c_str());
  output.size = 0;
  output.largestWrite = 0;
  const int result = in->Play(const_cast<char*>(path.c_str()));
  received.clear();
  if (result != 0) return result;
  if (lengthMs) *lengthMs = in->GetLength();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  bool settled = false;
  for (std::size_t seen = SIZE_MAX; !settled && std::chrono::steady_clock::now() < deadline;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::size_t now = output.size.load(std::memory_order_acquire);
    settled = now == seen && now >= expected;
    seen = now;
  }
  // A bound, not a speed: a play that never settles is a hang.
  ok(settled, "the play had not settled after 10 s (%u bytes)",
     unsigned(output.size.load(std::memory_order_acquire)));
  in->Stop();
  received.assign(output.pcm, output.pcm + output.size.load(std::memory_order_acquire));
  return 0;
}

void runInWavScenarios(In_Module* in, PluginConfigFn setConfig, const std::string& dir) {
  const Bytes data = samples(4000), big = samples(100000);
  struct Case {
    const char* what;
    Bytes file;
    int result;     // of Play
    Bytes played;   // with result 0: every byte that must reach the output
    int chunk = 0;  // SetConfig, 0: the default
    int room = 1 << 20;
    int lengthMs = -1;  // with result 0 and the DSP off, when given
    int dsp = 0;        // dspMode; 2: what arrives is not looked at
  };
  const std::vector<Case> cases = {
      {"plain", riff({fmt(1, 2, 22050, 16), chunk("data", 4000, data)}), 0, data, 0, 1 << 20, 45},
      // rate x block size is 2^32: 0 in 32 bits
      {"rate times block overflows", riff({fmt(1, 2, 0x40000000, 16), chunk("data", 4000, data)}),
       1, Bytes()},
      {"bytes per second beyond any stream",
       riff({fmt(1, 2, 0x08000000, 16), chunk("data", 4000, data)}), 1, Bytes()},
      // 128-byte frames, 576 a chunk (73,728 bytes), would not fit the decode buffer
      {"64 channels", riff({fmt(1, 64, 8000, 16), chunk("data", 100000, big)}), 0,
       Bytes(big.begin(), big.begin() + 99968)},
      {"5 channels, chunks of 8192", riff({fmt(1, 5, 8000, 16), chunk("data", 100000, big)}), 0,
       big, 8192},
      {"16385 channels: a frame beyond the buffer",
       riff({fmt(1, 16385, 8000, 16), chunk("data", 4000, data)}), 1, Bytes()},
      // negative in a 32-bit long: the walk must not go backwards
      {"chunk of 0xFFFFFFF8 bytes",
       riff({fmt(1, 1, 8000, 8), chunk("LIST", 0xFFFFFFF8u, Bytes(8)), chunk("data", 4000, data)}),
       1, Bytes()},
      {"format chunk of 0xFFFFFFFF bytes",
       riff({chunk("fmt ", 0xFFFFFFFFu, fmtBody(1, 1, 8000, 8)), chunk("data", 4000, data)}), 1,
       Bytes()},
      {"data of 0xFFFFFFF8 bytes: what the file holds",
       riff({fmt(1, 2, 8000, 16), chunk("data", 0xFFFFFFF8u, data)}), 0, data, 0, 1 << 20, 125},
      {"a DSP giving the samples back", riff({fmt(1, 2, 8000, 16), chunk("data", 4000, data)}), 0,
       data, 0, 1 << 20, -1, 1},
      {"a DSP claiming a million samples", riff({fmt(1, 2, 8000, 16), chunk("data", 4000, data)}),
       0, Bytes(), 0, 1 << 30, -1, 2},
      {"odd chunk and its pad byte",
       riff({fmt(1, 1, 8000, 8), chunk("LIST", 3, {1, 2, 3, 0}), chunk("data", 4000, data)}), 0,
       data},
      {"a partial frame at the end", riff({fmt(1, 2, 8000, 16), chunk("data", 3999, data)}), 0,
       Bytes(data.begin(), data.begin() + 3996)},
      {"24 bits", riff({fmt(1, 2, 8000, 24), chunk("data", 4000, data)}), 1, Bytes()},
      {"no channels", riff({fmt(1, 0, 8000, 16), chunk("data", 4000, data)}), 1, Bytes()},
      {"rate 0", riff({fmt(1, 2, 0, 16), chunk("data", 4000, data)}), 1, Bytes()},
      {"not PCM", riff({fmt(3, 2, 8000, 16), chunk("data", 4000, data)}), 1, Bytes()},
      {"data before format", riff({chunk("data", 4000, data), fmt(1, 2, 8000, 16)}), 1, Bytes()},
      {"no chunks", riff({}), 1, Bytes()},
      {"not RIFF", Bytes(100, 'R'), 1, Bytes()},
      // Chunks larger than all the output can take at once: cut to fit.
      {"chunks beyond the output's room", riff({fmt(1, 1, 8000, 8), chunk("data", 4000, data)}), 0,
       data, 8192, 1000},
      {"default chunks beyond a tiny room", riff({fmt(1, 2, 44100, 16), chunk("data", 4000, data)}),
       0, data, 0, 64},
  };
  for (const Case& c : cases) {
    output.room = c.room;
    ok_eq(setConfig(c.chunk ? c.chunk : 576), 1);
    dspMode = c.dsp;
    Bytes received;
    int lengthMs = -1;
    const int result = playInWav(in, dir, c.file, received, &lengthMs, c.played.size());
    ok(result == c.result, "%s: Play gave %d, not %d", c.what, result, c.result);
    if (c.dsp != 2) {
      ok(received == c.played, "%s: %u bytes reached the output, not these %u", c.what,
         unsigned(received.size()), unsigned(c.played.size()));
    }
    if (c.lengthMs >= 0)
      ok(lengthMs == c.lengthMs, "%s: length %d ms, not %d", c.what, lengthMs, c.lengthMs);
    ok(output.largestWrite <= std::min(c.room, 64 * 1024),
       "%s: a write of %d bytes beyond the room or the decode buffer", c.what,
       output.largestWrite.load());
  }
  dspMode = 0;
  output.room = 1 << 20;
  const std::string missing = dir + "no such folder" + dir.back() + "missing.wav";
  ok_eq(in->Play(const_cast<char*>(missing.c_str())), -1);
}
