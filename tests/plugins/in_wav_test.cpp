// Our in_wav plug-in on its own, with an output of the test's that takes
// what fits at once: hostile headers make Play fail or play safely, every
// chunk setting plays to the end whatever the output can take, and the files
// of the bad corpus play or fail without harm.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "temp_files.h"
#include "winamp/plugin.h"

using Bytes = std::vector<std::uint8_t>;

namespace {

// The output: plays at once whatever it is given, room bytes at most at a
// time, and keeps the bytes.
struct Output {
  std::mutex lock;
  Bytes pcm;
  int room = 1 << 20;
  int opens = 0;
};
Output& output() {
  static Output o;
  return o;
}

int outOpen(int, int, int, int, int) {
  std::lock_guard<std::mutex> l(output().lock);
  output().opens++;
  return 0;
}
int outWrite(char* buf, int len) {
  std::lock_guard<std::mutex> l(output().lock);
  if (len > output().room) ADD_FAILURE() << "a write of " << len << " beyond the room";
  if (len > 64 * 1024) ADD_FAILURE() << "a write of " << len << " beyond the decode buffer";
  output().pcm.insert(output().pcm.end(), buf, buf + len);
  return 0;
}
int outCanWrite() {
  std::lock_guard<std::mutex> l(output().lock);
  return output().room;
}
void outClose() {}
int outIsPlaying() {
  return 0;
}
int outPause(int) {
  return 0;
}
void outInt(int) {}
int outTime() {
  return 0;
}

void noInit(int, int) {}
void noPcm(void*, int, int, int) {}
void noInfo(int, int) {}
// A DSP that is off (0), gives the samples back (1), or claims far more
// samples than it was given (2).
int dspMode = 0;
int dspActive() {
  return dspMode;
}
int dspSamples(short*, int count, int, int, int) {
  return dspMode == 2 ? 1 << 20 : count;
}
void noSetInfo(int, int, int, int) {}

Out_Module out = {0x10,     nullptr, 0,       nullptr,  nullptr,  nullptr,     nullptr,
                  nullptr,  nullptr, outOpen, outClose, outWrite, outCanWrite, outIsPlaying,
                  outPause, outInt,  outInt,  outInt,   outTime,  outTime};

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

class InWav : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = dlopen(IN_WAV, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    auto entry = reinterpret_cast<In_Module* (*)()>(dlsym(library_, "winampGetInModule2"));
    setConfig_ = reinterpret_cast<int (*)(int)>(dlsym(library_, "SetConfig"));
    ASSERT_TRUE(entry && setConfig_);
    in_ = entry();
    in_->SAVSAInit = noInit;
    in_->SAAddPCMData = noPcm;
    in_->VSAAddPCMData = noPcm;
    in_->VSASetInfo = noInfo;
    in_->dsp_isactive = dspActive;
    in_->dsp_dosamples = dspSamples;
    in_->SetInfo = noSetInfo;
    in_->outMod = &out;
    in_->Init();
    dir_ = testfs::scratchDir();
  }
  void TearDown() override {
    if (in_) in_->Stop();
    if (in_) in_->Quit();
    if (library_) dlclose(library_);
    output().pcm.clear();
    output().room = 1 << 20;
    output().opens = 0;
  }
  // Plays a file until the output has had nothing new for 100 ms; the result
  // of Play, and with 0 the bytes that reached the output and the length the
  // plug-in gave.
  int play(const Bytes& file, Bytes& received, int* lengthMs = nullptr) {
    const std::string path = (dir_ / "play.wav").string();
    testfs::writeFile(path, file);
    const int result = in_->Play(const_cast<char*>(path.c_str()));
    received.clear();
    if (result != 0) return result;
    if (lengthMs) *lengthMs = in_->GetLength();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (std::size_t seen = SIZE_MAX; std::chrono::steady_clock::now() < deadline;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      std::lock_guard<std::mutex> l(output().lock);
      if (output().pcm.size() == seen) break;
      seen = output().pcm.size();
    }
    in_->Stop();
    std::lock_guard<std::mutex> l(output().lock);
    received.swap(output().pcm);
    return 0;
  }

  void* library_ = nullptr;
  int (*setConfig_)(int) = nullptr;
  In_Module* in_ = nullptr;
  std::filesystem::path dir_;
};

TEST_F(InWav, HostileHeadersFailOrPlaySafely) {
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
      {"rate times block overflows",
       riff({fmt(1, 2, 0x40000000, 16), chunk("data", 4000, data)}),
       1,
       {}},
      {"bytes per second beyond any stream",
       riff({fmt(1, 2, 0x08000000, 16), chunk("data", 4000, data)}),
       1,
       {}},
      // 128-byte frames, 576 a chunk (73,728 bytes), would not fit the decode buffer
      {"64 channels", riff({fmt(1, 64, 8000, 16), chunk("data", 100000, big)}), 0,
       Bytes(big.begin(), big.begin() + 99968)},
      {"5 channels, chunks of 8192", riff({fmt(1, 5, 8000, 16), chunk("data", 100000, big)}), 0,
       big, 8192},
      {"16385 channels: a frame beyond the buffer",
       riff({fmt(1, 16385, 8000, 16), chunk("data", 4000, data)}),
       1,
       {}},
      // negative in a 32-bit long: the walk must not go backwards
      {"chunk of 0xFFFFFFF8 bytes",
       riff({fmt(1, 1, 8000, 8), chunk("LIST", 0xFFFFFFF8u, Bytes(8)), chunk("data", 4000, data)}),
       1,
       {}},
      {"format chunk of 0xFFFFFFFF bytes",
       riff({chunk("fmt ", 0xFFFFFFFFu, fmtBody(1, 1, 8000, 8)), chunk("data", 4000, data)}),
       1,
       {}},
      {"data of 0xFFFFFFF8 bytes: what the file holds",
       riff({fmt(1, 2, 8000, 16), chunk("data", 0xFFFFFFF8u, data)}), 0, data, 0, 1 << 20, 125},
      {"a DSP giving the samples back", riff({fmt(1, 2, 8000, 16), chunk("data", 4000, data)}), 0,
       data, 0, 1 << 20, -1, 1},
      {"a DSP claiming a million samples",
       riff({fmt(1, 2, 8000, 16), chunk("data", 4000, data)}),
       0,
       {},
       0,
       1 << 30,
       -1,
       2},
      {"odd chunk and its pad byte",
       riff({fmt(1, 1, 8000, 8), chunk("LIST", 3, {1, 2, 3, 0}), chunk("data", 4000, data)}), 0,
       data},
      {"a partial frame at the end", riff({fmt(1, 2, 8000, 16), chunk("data", 3999, data)}), 0,
       Bytes(data.begin(), data.begin() + 3996)},
      {"24 bits", riff({fmt(1, 2, 8000, 24), chunk("data", 4000, data)}), 1, {}},
      {"no channels", riff({fmt(1, 0, 8000, 16), chunk("data", 4000, data)}), 1, {}},
      {"rate 0", riff({fmt(1, 2, 0, 16), chunk("data", 4000, data)}), 1, {}},
      {"not PCM", riff({fmt(3, 2, 8000, 16), chunk("data", 4000, data)}), 1, {}},
      {"data before format", riff({chunk("data", 4000, data), fmt(1, 2, 8000, 16)}), 1, {}},
      {"no chunks", riff({}), 1, {}},
      {"not RIFF", Bytes(100, 'R'), 1, {}},
      // Chunks larger than all the output can take at once: cut to fit.
      {"chunks beyond the output's room", riff({fmt(1, 1, 8000, 8), chunk("data", 4000, data)}), 0,
       data, 8192, 1000},
      {"default chunks beyond a tiny room", riff({fmt(1, 2, 44100, 16), chunk("data", 4000, data)}),
       0, data, 0, 64},
  };
  for (const Case& c : cases) {
    output().room = c.room;
    ASSERT_EQ(setConfig_(c.chunk ? c.chunk : 576), 1) << c.what;
    dspMode = c.dsp;
    Bytes received;
    int lengthMs = -1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(play(c.file, received, &lengthMs), c.result) << c.what;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.what;
    if (c.dsp != 2)
      EXPECT_TRUE(received == c.played) << c.what << ": " << received.size() << " bytes";
    if (c.lengthMs >= 0) EXPECT_EQ(lengthMs, c.lengthMs) << c.what;
  }
  dspMode = 0;
  EXPECT_EQ(in_->Play(const_cast<char*>("/nonexistent/missing.wav")), -1);
}

// Every file that once crashed or hung the plug-in (or its host) plays or
// fails without harm.
TEST_F(InWav, BadCorpus) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(BAD_CORPUS_DIR)) {
    const Bytes file = testfs::readFile(entry.path());
    Bytes received;
    const auto start = std::chrono::steady_clock::now();
    play(file, received);
    EXPECT_LE(received.size(), file.size()) << entry.path();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << entry.path();
    files++;
  }
  EXPECT_GT(files, 0);
}
