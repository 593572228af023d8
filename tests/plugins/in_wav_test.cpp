// Our in_wav plug-in on its own: the scenarios of hostile headers and chunk
// settings that also run under Wine (tests/scenarios/in_wav_scenarios.cpp),
// and the files of the bad corpus.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "in_wav_scenarios.h"
#include "scenario_files.h"
#include "temp_files.h"

class InWav : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = dlopen(IN_WAV, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    auto entry = reinterpret_cast<GetInModuleFn>(dlsym(library_, "winampGetInModule2"));
    setConfig_ = reinterpret_cast<PluginConfigFn>(dlsym(library_, "SetConfig"));
    ASSERT_TRUE(entry && setConfig_);
    in_ = entry();
    attachInWav(in_);
    dir_ = testfs::scratchDir().string() + "/";
  }
  void TearDown() override {
    if (in_) in_->Stop();
    if (in_) in_->Quit();
    if (library_) dlclose(library_);
  }

  void* library_ = nullptr;
  PluginConfigFn setConfig_ = nullptr;
  In_Module* in_ = nullptr;
  std::string dir_;
};

TEST_F(InWav, HostileHeadersFailOrPlaySafely) {
  runInWavScenarios(in_, setConfig_, dir_);
}

// Every file that once crashed or hung the plug-in (or its host) plays or
// fails without harm.
TEST_F(InWav, BadCorpus) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(BAD_CORPUS_DIR)) {
    const std::vector<std::uint8_t> file = readAll(entry.path());
    std::vector<std::uint8_t> received;
    SCOPED_TRACE(entry.path().string());
    playInWav(in_, dir_, file, received);  // a play that never settles fails it
    EXPECT_LE(received.size(), file.size());
    files++;
  }
  EXPECT_GT(files, 0);
}
