// Pixel packing at the edges of each component.
#include "pixel_convert.h"

#include <gtest/gtest.h>

#include <cstring>

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
