// The demo host natively, over the in-memory display, in every kind of mode:
// it must play the whole sound and leave the picture centred on the surface
// in the mode's pixel format (read back from the screen.bmp it saves).
// Without a sound card, or with one that plays nothing, it ends and says why.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imgcodec2.h"
#include "scenario_files.h"
#include "temp_files.h"
#include "wav_file.h"

namespace {

struct ModeCase {
  const char* mode;
  int width, height, codecDepth;
};

class DemoHost : public ::testing::TestWithParam<ModeCase> {};

// The pixels of a file at a depth, with the cube as the 8-bit reference.
std::vector<unsigned char> loadAt(const std::string& path, int depth, int& width, int& height) {
  unsigned char cube[768];
  for (int i = 0; i < 256; ++i) {
    const int r = i < 216 ? i / 36 * 51 : (i - 216) * 255 / 39;
    const int g = i < 216 ? i / 6 % 6 * 51 : r;
    const int b = i < 216 ? i % 6 * 51 : r;
    cube[3 * i] = static_cast<unsigned char>(r);
    cube[3 * i + 1] = static_cast<unsigned char>(g);
    cube[3 * i + 2] = static_cast<unsigned char>(b);
  }
  SetTrueColorPalette(cube);
  ConfigBMP(BMP_CFG_TARGET_BPP, depth);
  BMPImage* image = LoadBMP(path.c_str());
  ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  std::vector<unsigned char> pixels;
  if (image->Status != BMP_OK) return pixels;
  width = image->Width;
  height = image->Height;
  pixels.assign(image->Pixels,
                image->Pixels + static_cast<size_t>(width) * height * ((depth + 1) / 8));
  UnloadBMP(image);
  return pixels;
}

// Runs the demo for a second of sound in the mode, with the environment
// given, in out (a copy of the sample of its own: LoadBMP opens files
// exclusively, and the tests run in parallel); its exit code and output.
int runDemo(const std::filesystem::path& out, const std::string& environment,
            const std::string& mode, std::string& log) {
  const std::string sample = (out / "sample.bmp").string();
  writeAll(sample, readAll(SAMPLE));
  const std::string command = std::string("LD_LIBRARY_PATH=") + PLUGIN_DIR + " " + environment +
                              " " + DEMO_HOST + " " + sample + " " + PLUGIN_DIR + " " +
                              out.string() + " --seconds 1 --mode " + mode + " >" +
                              (out / "log.txt").string();
  const int status = std::system(command.c_str());
  const auto text = readAll(out / "log.txt");
  log.assign(text.begin(), text.end());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_P(DemoHost, PlaysTheWholeSoundAndShowsThePicture) {
  const ModeCase& c = GetParam();
  const auto out = testfs::scratchDir();
  const std::string sample = (out / "sample.bmp").string();
  // The stand-in's sound card keeps what it played in a file of its own.
  std::string log;
  ASSERT_EQ(runDemo(out, "COMPAT_WAVEOUT_CAPTURE=" + (out / "captured.raw").string(), c.mode, log),
            0)
      << log;

  const auto played = readAll(out / "demo.wav");
  EXPECT_EQ(played.size(), 44u + 44100 * 4);
  EXPECT_TRUE(readAll(out / "captured.raw") ==
              std::vector<std::uint8_t>(played.begin() + 44, played.end()))
      << "the sound card did not play demo.wav";

  int pw = 0, ph = 0, sw = 0, sh = 0;
  const auto picture = loadAt(sample, c.codecDepth, pw, ph);
  const auto screen = loadAt((out / "screen.bmp").string(), c.codecDepth, sw, sh);
  ASSERT_FALSE(picture.empty());
  ASSERT_EQ(sw, c.width);
  ASSERT_EQ(sh, c.height);
  const int bytes = (c.codecDepth + 1) / 8;
  const int x = (sw - pw) / 2, y = (sh - ph) / 2 - 20;
  // Saving 16-bit words keeps five of the six green bits.
  const unsigned char lowMask = c.codecDepth == 16 ? 0xDF : 0xFF;
  for (int row = 0; row < ph; ++row) {
    for (int i = 0; i < pw * bytes; ++i) {
      const unsigned char mask = bytes == 2 && i % 2 == 0 ? lowMask : 0xFF;
      const unsigned char shown = screen[(static_cast<size_t>(y + row) * sw + x) * bytes + i];
      ASSERT_EQ(shown & mask, picture[static_cast<size_t>(row) * pw * bytes + i] & mask)
          << "row " << row << " byte " << i;
    }
  }
  // Outside the picture and the bar: the background, one value everywhere.
  EXPECT_EQ(std::memcmp(&screen[0], &screen[static_cast<size_t>(sw - 1) * bytes], bytes), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, DemoHost,
                         ::testing::Values(ModeCase{"640x480x8", 640, 480, 8},
                                           ModeCase{"800x600x15", 800, 600, 15},
                                           ModeCase{"640x480x16", 640, 480, 16},
                                           ModeCase{"640x480x24", 640, 480, 24},
                                           ModeCase{"1024x768x32", 1024, 768, 24}),
                         [](const auto& info) {
                           std::string name = info.param.mode;
                           for (char& ch : name) ch = ch == 'x' ? '_' : ch;
                           return "Mode" + name;
                         });

TEST(DemoWithoutSound, EndsAndSaysWhy) {
  struct Case {
    const char* card;
    const char* lastLine;
  };
  for (const Case& c : {Case{"absent", "demo: no sound device"},
                        Case{"stalled", "demo: the position stopped at 0 ms of 1000 ms"}}) {
    SCOPED_TRACE(c.card);
    const auto out = testfs::scratchDir() / c.card;
    std::filesystem::create_directories(out);
    std::string log;
    EXPECT_EQ(runDemo(out, std::string("COMPAT_WAVEOUT=") + c.card, "640x480x16", log), 1) << log;
    EXPECT_NE(log.rfind(c.lastLine), std::string::npos) << log;
  }
}

}  // namespace
