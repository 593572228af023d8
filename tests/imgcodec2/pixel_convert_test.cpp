// Pixel packing at the edges of each component.
#include "pixel_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "pixel_kernels.h"
#include "processor_models.h"

using namespace imgcodec2;

TEST(PixelConvert, PackDropsLowBits) {
  struct Case {
    unsigned r, g, b;
    std::uint16_t w15, w16;
  };
  for (Case c : {Case{255, 255, 255, 0x7FFF, 0xFFFF}, Case{255, 0, 0, 0x7C00, 0xF800},
                 Case{0, 255, 0, 0x03E0, 0x07E0}, Case{0, 0, 255, 0x001F, 0x001F},
                 Case{128, 128, 128, 0x4210, 0x8410}, Case{7, 3, 0, 0, 0}, Case{0, 4, 0, 0, 0x0020},
                 Case{0x30, 0x20, 0x10, 0x1882, 0x3102}}) {
    EXPECT_EQ(pack15(c.r, c.g, c.b), c.w15) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(pack16(c.r, c.g, c.b), c.w16) << c.r << "," << c.g << "," << c.b;
    const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(c.b), static_cast<std::uint8_t>(c.g),
                                 static_cast<std::uint8_t>(c.r)};
    std::uint8_t out[2];
    bgrTo15(bgr, out, 1);
    EXPECT_EQ(out[0] | (out[1] << 8), c.w15) << "stored low byte first";
    bgrTo16(bgr, out, 1);
    EXPECT_EQ(out[0] | (out[1] << 8), c.w16);
  }
}

TEST(PixelConvert, PaletteTablesUseTheEntrySize) {
  // The same colours with 4-byte and 3-byte entries.
  std::uint8_t quads[1024] = {}, triples[768] = {};
  for (int i = 0; i < 256; ++i) {
    std::uint8_t bgr[3] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                           static_cast<std::uint8_t>(i * 3)};
    for (int k = 0; k < 3; ++k) quads[4 * i + k] = triples[3 * i + k] = bgr[k];
    quads[4 * i + 3] = 0x99;
  }
  std::uint16_t a[256], b[256];
  paletteTo16(quads, 4, a);
  paletteTo16(triples, 3, b);
  EXPECT_EQ(0, std::memcmp(a, b, sizeof a));
  std::uint8_t t4[768], t3[768];
  paletteTo24(quads, 4, true, t4);
  paletteTo24(triples, 3, true, t3);
  EXPECT_EQ(0, std::memcmp(t4, t3, sizeof t4));
  EXPECT_EQ(t4[3 * 10 + 0], 30) << "red first";
  EXPECT_EQ(t4[3 * 10 + 2], 10);
}

// The kernels of every processor model that this one can run against the
// plain loops: random pixels, every count over a few steps and a long run, at
// odd addresses, and no byte written outside the output. The input is
// exactly as long as its pixels, so that a read past it shows under
// AddressSanitizer.
TEST(PixelConvert, EveryPathGivesTheBytesOfThePlainLoop) {
  struct Kernel {
    const char* name;
    ConvertFn dispatched, plain;
    std::size_t inBytes, outBytes;
  };
  const Kernel kernels[] = {{"bgrTo15", bgrTo15, bgrTo15Scalar, 3, 2},
                            {"bgrTo16", bgrTo16, bgrTo16Scalar, 3, 2},
                            {"words15ToBgr", words15ToBgr, words15ToBgrScalar, 2, 3},
                            {"words16ToBgr", words16ToBgr, words16ToBgrScalar, 2, 3},
                            {"copySwapRedBlue", copySwapRedBlue, copySwapRedBlueScalar, 3, 3}};
  std::vector<std::size_t> counts;
  for (std::size_t n = 0; n <= 70; ++n) counts.push_back(n);
  counts.insert(counts.end(), {1000, 1003, 1013});
  std::mt19937 rng(7);
  for (const testcpu::Model& model : testcpu::modelsHere()) {
    const testcpu::AsIf asIf(model);
    for (const Kernel& k : kernels) {
      for (std::size_t n : counts) {
        const std::size_t offset = n % 5;
        std::vector<std::uint8_t> in(offset + n * k.inBytes);
        for (auto& b : in) b = static_cast<std::uint8_t>(rng());
        std::vector<std::uint8_t> want(n * k.outBytes + 40, 0xA5), got = want;
        k.plain(in.data() + offset, want.data() + 20, n);
        k.dispatched(in.data() + offset, got.data() + 20, n);
        const auto at = std::mismatch(got.begin(), got.end(), want.begin()).first - got.begin();
        ASSERT_EQ(at, static_cast<std::ptrdiff_t>(got.size()))
            << k.name << ", " << model.name << ", " << n << " pixels: output byte " << at - 20;
      }
    }
  }
}
