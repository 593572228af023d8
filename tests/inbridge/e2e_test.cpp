// The real plug-ins end to end: inbridge loads our in_wav and out_wave, the
// decode thread plays a generated WAV file in real time, and what reaches the
// output is compared with the file's samples.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "inbridge.h"
#include "temp_files.h"
#include "wait_for.h"
#include "wav_file.h"
#include "win32_spy.h"

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    spy::reset();
    spy::captureMessageBoxes(true);
    wav_ = wav::makeWav();
    wavPath_ = (testfs::scratchDir() / "tone.wav").string();
    testfs::writeFile(wavPath_, wav_.file);
    ASSERT_EQ(InitXPlug(IN_WAV), 1);
    // The same library that inbridge loaded, found the same way.
    out_ = dlopen("out_wave.dll", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(out_, nullptr);
    log_ = reinterpret_cast<int (*)(char*, int)>(dlsym(out_, "outwave_log"));
    pcm_ = reinterpret_cast<int (*)(unsigned char*, int)>(dlsym(out_, "outwave_pcm"));
    reset_ = reinterpret_cast<void (*)()>(dlsym(out_, "outwave_reset"));
    ASSERT_TRUE(log_ && pcm_ && reset_);
  }
  void TearDown() override {
    DeinitXPlug(1);
    if (out_) dlclose(out_);
    EXPECT_TRUE(spy::messageBoxes().empty());
  }
  std::string log() const {
    std::string text(static_cast<std::size_t>(log_(nullptr, 0)) + 1, '\0');
    log_(&text[0], static_cast<int>(text.size()));
    text.resize(text.size() - 1);
    return text;
  }
  std::vector<unsigned char> pcm() const {
    std::vector<unsigned char> bytes(static_cast<std::size_t>(pcm_(nullptr, 0)));
    pcm_(bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
  }

  wav::Wav wav_;
  std::string wavPath_;
  void* out_ = nullptr;
  int (*log_)(char*, int) = nullptr;
  int (*pcm_)(unsigned char*, int) = nullptr;
  void (*reset_)() = nullptr;
};

TEST_F(EndToEnd, PlaysPausesAndDeliversEverySample) {
  EXPECT_NE(log().find("Init\nSetVolume 255\n"), std::string::npos) << "volume handed over at load";
  reset_();
  ASSERT_EQ(PlayX(wavPath_.c_str()), 1);
  EXPECT_EQ(GetXLength(), wav_.lengthMs());
  ASSERT_TRUE(waitFor([] { return GetXOutputTime() > 50; }));

  // A pause holds the position.
  EXPECT_EQ(PauseX(), 1);
  const int held = GetXOutputTime();
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(GetXOutputTime(), held);
  EXPECT_EQ(PauseX(), 0);

  ASSERT_TRUE(waitFor([&] { return pcm().size() >= wav_.samples.size(); }));
  EXPECT_TRUE(pcm() == wav_.samples) << "the bytes that reached the output differ from the file";
  ASSERT_TRUE(waitFor([&] { return GetXOutputTime() >= wav_.lengthMs() - 5; }));
  StopX();
  const std::string calls = log();
  EXPECT_NE(calls.find("Open 22050 2 16 -1 -1\n"), std::string::npos) << calls;
  EXPECT_NE(calls.find("Pause 1\nPause 0\n"), std::string::npos) << calls;
  EXPECT_NE(calls.find("Close\n"), std::string::npos) << calls;
  EXPECT_EQ(GetXOutputTime(), 0) << "stopped";
}

TEST_F(EndToEnd, SeekVolumePanAndConfiguration) {
  reset_();
  ASSERT_EQ(PlayX(wavPath_.c_str()), 1);
  SetXOutputTime(400);
  EXPECT_GE(GetXOutputTime(), 400);
  ASSERT_TRUE(waitFor([] { return GetXOutputTime() >= 450; }));
  SetXVolume(77);
  SetXPan(-20);
  EXPECT_EQ(GetXPlugCfg(0), 576);
  EXPECT_EQ(SetXPlugCfg(1024), 1);
  EXPECT_EQ(GetXPlugCfg(0), 1024);
  EXPECT_EQ(SetXPlugCfg(5), 0);
  StopX();
  const std::string calls = log();
  EXPECT_NE(calls.find("Flush 400\n"), std::string::npos) << calls;
  EXPECT_NE(calls.find("SetVolume 77\nSetPan -20\n"), std::string::npos) << calls;
  EXPECT_EQ(PlayX("/nonexistent/missing.wav"), 0);
}
