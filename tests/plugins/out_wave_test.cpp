// Our real out_wave.dll over the stand-in's sound card, alone and behind
// in_wav and inbridge: every byte written reaches the card once, in order;
// the position follows the card (pause, seek); volume and pan reach it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "compat/win32.h"
#include "inbridge.h"
#include "scenario_files.h"
#include "temp_files.h"
#include "wait_for.h"
#include "wav_file.h"
#include "win32_spy.h"
#include "winamp/plugin.h"

namespace {

void sleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<std::uint8_t> pattern(std::size_t n) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

class OutWave : public ::testing::Test {
 protected:
  void SetUp() override {
    spy::reset();
    library_ = dlopen(OUT_WAVE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    auto entry = reinterpret_cast<GetOutModuleFn>(dlsym(library_, "winampGetOutModule"));
    ASSERT_NE(entry, nullptr);
    out_ = entry();
    out_->Init();
  }
  void TearDown() override {
    out_->Quit();
    EXPECT_EQ(spy::waveOutRecord().openDevices, 0) << "Quit leaves nothing open";
    dlclose(library_);
  }
  // Writes all of bytes as a decode thread does: never more than CanWrite
  // allows, waiting when it allows nothing.
  void writeAll(const std::vector<std::uint8_t>& bytes, int chunk) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const int n = static_cast<int>(std::min<std::size_t>(chunk, bytes.size() - done));
      if (out_->CanWrite() < n) {
        sleepMs(1);
        continue;
      }
      ASSERT_EQ(out_->Write(reinterpret_cast<char*>(const_cast<std::uint8_t*>(&bytes[done])), n),
                0);
      done += static_cast<std::size_t>(n);
    }
  }
  std::vector<std::string> cardCalls() const { return spy::waveOutRecord().calls; }

  void* library_ = nullptr;
  Out_Module* out_ = nullptr;
};

}  // namespace

// Formats of every kind; chunks that do not divide the blocks.
TEST_F(OutWave, EveryWrittenByteIsPlayedOnceInOrder) {
  struct Format {
    int rate, channels, bits;
  };
  compat::waveOutSettings().speed = 8;
  for (const Format& f : {Format{8000, 1, 8}, Format{11025, 1, 16}, Format{22050, 2, 16},
                          Format{44100, 2, 16}, Format{48000, 2, 8}}) {
    SCOPED_TRACE(std::to_string(f.rate) + "/" + std::to_string(f.channels) + "/" +
                 std::to_string(f.bits));
    spy::resetWaveOut();
    compat::waveOutSettings().speed = 8;
    const int bytesPerSecond = f.rate * f.channels * f.bits / 8;
    const int latency = out_->Open(f.rate, f.channels, f.bits, -1, -1);
    EXPECT_GE(latency, 900);
    EXPECT_LE(latency, 1000);
    const std::vector<std::uint8_t> sound = pattern(static_cast<std::size_t>(bytesPerSecond) * 2);
    writeAll(sound, 1153 * f.channels * f.bits / 8);
    EXPECT_EQ(out_->GetWrittenTime(), 2000);
    ASSERT_TRUE(waitFor([&] { return out_->IsPlaying() == 0; }));
    EXPECT_TRUE(spy::waveOutRecord().played == sound);
    EXPECT_EQ(out_->GetOutputTime(), 2000);
    out_->Close();
    EXPECT_EQ(cardCalls().front(), "Open " + std::to_string(f.rate) + " " +
                                       std::to_string(f.channels) + " " + std::to_string(f.bits));
    EXPECT_EQ(cardCalls().back(), "Close");
  }
}

TEST_F(OutWave, RefusesWhatItCannotPlay) {
  EXPECT_EQ(out_->Open(44100, 3, 16, -1, -1), -1);
  EXPECT_EQ(out_->Open(44100, 2, 24, -1, -1), -1);
  EXPECT_EQ(out_->Open(0, 2, 16, -1, -1), -1);
  compat::waveOutSettings().present = false;
  EXPECT_EQ(out_->Open(44100, 2, 16, -1, -1), -1);
  EXPECT_EQ(out_->CanWrite(), 0);
  char byte = 0;
  EXPECT_EQ(out_->Write(&byte, 1), 1);
  EXPECT_EQ(out_->IsPlaying(), 0);
  EXPECT_EQ(out_->GetOutputTime(), 0);
  compat::waveOutSettings().present = true;

  // More than there is room for is refused whole.
  ASSERT_GE(out_->Open(8000, 1, 8, 200, -1), 0);
  const int room = out_->CanWrite();
  EXPECT_EQ(room, 1600);
  std::vector<char> bytes(static_cast<std::size_t>(room) + 1);
  EXPECT_EQ(out_->Write(bytes.data(), room + 1), 1);
  EXPECT_EQ(out_->GetWrittenTime(), 0);
  EXPECT_EQ(out_->Write(bytes.data(), room), 0);
  EXPECT_EQ(out_->CanWrite(), 0);
}

// The position holds while paused and starts again at a seek's position;
// what was buffered before the seek is dropped.
TEST_F(OutWave, PositionFollowsPauseAndFlush) {
  ASSERT_GE(out_->Open(8000, 1, 8, 1000, -1), 0);
  writeAll(pattern(8000), 800);
  ASSERT_TRUE(waitFor([&] { return out_->GetOutputTime() >= 100; }));
  EXPECT_EQ(out_->Pause(1), 0);
  const int held = out_->GetOutputTime();
  sleepMs(100);
  EXPECT_EQ(out_->GetOutputTime(), held);
  EXPECT_EQ(out_->IsPlaying(), 1) << "paused with samples left";
  EXPECT_EQ(out_->Pause(1), 1);

  out_->Flush(5000);  // while paused: stays paused
  EXPECT_EQ(out_->GetOutputTime(), 5000);
  EXPECT_EQ(out_->GetWrittenTime(), 5000);
  const std::size_t playedBeforeSeek = spy::waveOutRecord().played.size();
  const std::vector<std::uint8_t> after = pattern(400);
  writeAll(after, 400);
  sleepMs(60);
  EXPECT_EQ(out_->GetOutputTime(), 5000);
  EXPECT_EQ(out_->Pause(0), 1);
  ASSERT_TRUE(waitFor([&] { return out_->IsPlaying() == 0; }));
  EXPECT_EQ(out_->GetOutputTime(), 5050);
  const std::vector<std::uint8_t> played = spy::waveOutRecord().played;
  ASSERT_EQ(played.size(), playedBeforeSeek + after.size());
  EXPECT_TRUE(std::equal(after.begin(), after.end(), played.end() - 400));
}

TEST_F(OutWave, VolumeAndPanReachTheCard) {
  struct Step {
    bool isPan;
    int value;
    const char* call;  // nullptr: ignored, no call
  };
  out_->SetVolume(128);  // before Open: applied at Open
  ASSERT_GE(out_->Open(22050, 2, 16, -1, -1), 0);
  EXPECT_EQ(cardCalls().back(), "SetVolume 80808080");
  for (const Step& s :
       {Step{false, 255, "SetVolume FFFFFFFF"}, Step{false, -666, nullptr},
        Step{true, 127, "SetVolume FFFF0000"}, Step{true, -128, "SetVolume 0000FFFF"},
        Step{true, 128, nullptr}, Step{false, 256, nullptr}, Step{true, -64, "SetVolume 7FFFFFFF"},
        Step{false, 0, "SetVolume 00000000"}}) {
    SCOPED_TRACE(std::to_string(s.value));
    const std::size_t before = cardCalls().size();
    (s.isPan ? out_->SetPan : out_->SetVolume)(s.value);
    if (s.call) {
      EXPECT_EQ(cardCalls().back(), s.call);
    } else {
      EXPECT_EQ(cardCalls().size(), before);
    }
  }
}

// Entries of a folder of /proc/self: the process's threads or open files.
int entriesOf(const char* dir) {
  int n = 0;
  for (auto it = std::filesystem::directory_iterator(dir); it != std::filesystem::end(it); ++it)
    n++;
  return n;
}

// The whole chain: in_wav decodes on its own thread into the real output;
// its end of track reaches the host's window once the card has played
// every sample, through an ANSI and a UTF-16 path. Without a sound card the
// play fails at once and leaves nothing running or open.
TEST(RealSound, WavPlaysToTheEndAndTheHostHearsOfIt) {
  spy::reset();
  spy::captureMessageBoxes(true);
  compat::waveOutSettings().speed = 4;
  static std::vector<UINT> received;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = [](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
    received.push_back(message);
    return 0;
  };
  windowClass.lpszClassName = "sound host";
  RegisterClassA(&windowClass);
  HWND host =
      CreateWindowExA(0, "sound host", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  SetXPlugParent(host);
  const wav::Wav wav = wav::makeWav(44100, 700);
  const auto dir = testfs::scratchDir();
  const std::string path = (dir / "m\xC3\xBAsica.wav").string();
  writeAll(path, wav.file);
  struct Case {
    const char* plugin;
    bool card;
  };
  for (const Case& c : {Case{IN_WAV, false}, Case{IN_WAV, true}, Case{IN_WAV_UNICODE, true}}) {
    SCOPED_TRACE(std::string(c.plugin) + (c.card ? "" : " without a card"));
    spy::resetWaveOut();
    compat::waveOutSettings().speed = 4;
    compat::waveOutSettings().present = c.card;
    received.clear();
    ASSERT_EQ(InitXPlug(c.plugin), 1);
    const int threads = entriesOf("/proc/self/task"), files = entriesOf("/proc/self/fd");
    ASSERT_EQ(PlayX(path.c_str()), c.card ? 1 : 0);
    if (!c.card) {
      EXPECT_EQ(entriesOf("/proc/self/task"), threads);
      EXPECT_EQ(entriesOf("/proc/self/fd"), files);
      EXPECT_EQ(GetXOutputTime(), 0);
      DeinitXPlug(1);
      continue;
    }
    EXPECT_EQ(GetXLength(), 700);
    ASSERT_TRUE(waitFor([&] {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      return !received.empty();
    }));
    EXPECT_EQ(received, std::vector<UINT>{WM_WA_MPEG_EOF});
    EXPECT_TRUE(spy::waveOutRecord().played == wav.samples);
    EXPECT_EQ(GetXOutputTime(), 700);
    StopX();
    DeinitXPlug(1);
    EXPECT_EQ(spy::waveOutRecord().openDevices, 0);
  }
  EXPECT_TRUE(spy::messageBoxes().empty());
  SetXPlugParent(nullptr);
  DestroyWindow(host);
}
