// Puts imgcodec2's module state and the stand-in's hooks back to their
// load-time values around every test, since all tests share one library.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "compat/win32.h"
#include "imgcodec2.h"
#include "scenario_files.h"
#include "temp_files.h"
#include "win32_spy.h"

// The loaded buffer's bytes.
inline std::vector<std::uint8_t> pixelsOf(const BMPImage* image) {
  const int bytes = image->BitsPerPixel == 8 ? 1 : (image->BitsPerPixel == 24 ? 3 : 2);
  return std::vector<std::uint8_t>(
      image->Pixels,
      image->Pixels + static_cast<std::size_t>(image->Width) * image->Height * bytes);
}

class CodecTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ConfigBMP(BMP_CFG_RGB_ORDER, 0);
    ConfigBMP(BMP_CFG_TARGET_BPP, 0);
    ConfigBMP(BMP_CFG_SAVE_TOP_DOWN, 3);
    std::array<unsigned char, 768> black{};
    SetTrueColorPalette(black.data());
    spy::reset();
    dir_ = testfs::scratchDir();
    blocksAtStart_ = compat::liveBlockCount();
  }
  void TearDown() override {
    EXPECT_EQ(compat::openFileCount(), 0) << "a file was left open";
    spy::reset();
  }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // Writes bytes to a file and loads it; the block is freed at the end of the test.
  BMPImage* load(const std::vector<std::uint8_t>& bytes, const std::string& name = "in.bmp") {
    writeAll(dir_ / name, bytes);
    BMPImage* image = LoadBMP(path(name).c_str());
    if (image->Status == BMP_OK) owned_.push_back(*image);
    return image;
  }

  ~CodecTest() override {
    for (BMPImage& image : owned_) UnloadBMP(&image);
  }

  std::filesystem::path dir_;
  int blocksAtStart_ = 0;
  std::vector<BMPImage> owned_;
};
