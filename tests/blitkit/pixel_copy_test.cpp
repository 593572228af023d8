// The copy arithmetic on plain memory: every tail length, pitches, offsets,
// pixel sizes and clipping, both variants against the byte-by-byte one.
#include "pixel_copy.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace blitkit;

namespace {

std::vector<std::uint8_t> pattern(std::size_t n, int seed) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + seed * 31 + 1);
  return v;
}

}  // namespace

TEST(PixelCopy, BothVariantsMatchTheReferenceForEveryTail) {
  for (std::uint32_t bpp = 0; bpp <= 4; ++bpp) {
    for (std::int32_t width = 0; width <= 19; ++width) {
      for (std::int32_t x : {0, 1, 3}) {
        const std::int32_t y = 2, height = 3;
        const std::uint32_t surfaceW = 40, surfaceH = 8;
        const std::int64_t pitch = surfaceW * 4 + 13;  // wider than any row, and odd
        const auto src = pattern(static_cast<std::size_t>(width) * bpp * height, width);
        const ClippedRect r = clipRect(x, y, width, height, bpp, pitch, surfaceW, surfaceH);
        auto expect = pattern(static_cast<std::size_t>(pitch) * surfaceH, 99);
        // What must happen, computed independently: rows of width*bpp bytes at
        // y*pitch + x*bpp, nothing else touched.
        auto want = expect;
        for (std::int32_t row = 0; row < height && bpp > 0; ++row)
          for (std::size_t k = 0; k < static_cast<std::size_t>(width) * bpp; ++k)
            want[(y + row) * pitch + x * bpp + k] = src[row * width * bpp + k];
        for (bool eight : {false, true}) {
          auto surface = expect;
          copyRect(eight, surface.data(), pitch, src.data(), r);
          ASSERT_EQ(surface, want)
              << "bpp " << bpp << " width " << width << " x " << x << " mmx " << eight;
        }
        auto reference = expect;
        if (r.rows)
          copyRowsReference(reference.data() + r.dstOffset, pitch, src.data(), r.srcStride,
                            r.rowBytes, r.rows);
        ASSERT_EQ(reference, want);
      }
    }
  }
}

TEST(PixelCopy, OffsetOfTheFirstByte) {
  const ClippedRect r = clipRect(2, 3, 10, 1, 2, 1280, 640, 480);
  EXPECT_EQ(r.dstOffset, 3u * 1280 + 2 * 2);
  EXPECT_EQ(r.rowBytes, 20u);
}

TEST(PixelCopy, RowsOfThirteenBytes) {
  // 3 words + 1 byte, or 1 block + 5 bytes: the same memory either way.
  const auto src = pattern(13 * 4, 5);
  std::vector<std::uint8_t> a(64 * 4, 0xEE), b(64 * 4, 0xEE);
  copyRows4(a.data(), 64, src.data(), 13, 13, 4);
  copyRows8(b.data(), 64, src.data(), 13, 13, 4, false);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a[13], 0xEE);
  EXPECT_EQ(a[64 + 12], src[25]);
}

TEST(PixelCopy, ClippingKeepsEveryWriteInsideTheSurface) {
  struct Case {
    std::int32_t x, y, w, h;
    std::size_t rows, rowBytes, srcOffset, dstOffset;
  };
  const std::int64_t pitch = 100;  // surface 20 x 10 pixels of 4 bytes, pitch 100
  for (Case c : {Case{-2, 0, 5, 1, 1, 12, 8, 0}, Case{18, 9, 5, 5, 1, 8, 0, 9 * 100 + 72},
                 Case{0, -3, 2, 5, 2, 8, 3 * 8, 0}, Case{20, 0, 5, 5, 0, 0, 0, 0},
                 Case{0, 10, 5, 5, 0, 0, 0, 0}, Case{-10, 0, 5, 5, 0, 0, 0, 0},
                 Case{0, 0, 0, 5, 0, 0, 0, 0}, Case{0, 0, 5, 0, 0, 0, 0, 0},
                 Case{0, 0, -5, 3, 0, 0, 0, 0}, Case{-1, -1, 22, 12, 10, 80, 88 + 4, 0}}) {
    const ClippedRect r = clipRect(c.x, c.y, c.w, c.h, 4, pitch, 20, 10);
    EXPECT_EQ(r.rows, c.rows) << c.x << "," << c.y << " " << c.w << "x" << c.h;
    if (!c.rows) continue;
    EXPECT_EQ(r.rowBytes, c.rowBytes) << c.x << "," << c.y;
    EXPECT_EQ(r.srcOffset, c.srcOffset) << c.x << "," << c.y;
    EXPECT_EQ(r.dstOffset, c.dstOffset) << c.x << "," << c.y;
    EXPECT_LE(r.dstOffset + (r.rows - 1) * pitch + r.rowBytes,
              static_cast<std::size_t>(pitch) * 10);
  }
  EXPECT_EQ(clipRect(0, 0, 5, 5, 0, pitch, 20, 10).rows, 0u) << "no mode: nothing moves";
}

TEST(PixelCopy, PutPixel8) {
  std::vector<std::uint8_t> buffer(30, 0);
  putPixel8(buffer.data(), 10, 3, 2, 0x1FF);
  EXPECT_EQ(buffer[23], 0xFF);
  struct Case {
    std::int32_t w, h, x, y;
    int offset;  // -1: nothing written
  };
  for (Case c : {Case{10, 3, 10, 0, -1}, Case{10, 3, 0, 3, -1}, Case{10, 3, -1, 0, -1},
                 Case{10, 3, 0, -1, -1}, Case{10, 3, 9, 2, 29}, Case{0, 3, 0, 0, -1},
                 Case{10, 0, 0, 0, -1}, Case{-4, 3, 0, 0, -1}, Case{10, 3, 0, 0, 0}}) {
    std::vector<std::uint8_t> b(30, 0);
    putPixel8Checked(b.data(), c.w, c.h, c.x, c.y, 0x17);
    std::vector<std::uint8_t> want(30, 0);
    if (c.offset >= 0) want[static_cast<std::size_t>(c.offset)] = 0x17;
    EXPECT_EQ(b, want) << c.w << "x" << c.h << " at " << c.x << "," << c.y;
  }
}

TEST(PixelCopy, EightByteRowsOfManyRoundsWithAndWithoutPrefetch) {
  // 1029 bytes: sixteen rounds of 64, one block of 8 and a tail of 5.
  const std::size_t rowBytes = 1029, rows = 5, pitch = 1100;
  const auto src = pattern(rowBytes * rows, 3);
  auto want = pattern(pitch * rows, 8);
  auto base = want;
  copyRowsReference(want.data(), pitch, src.data(), rowBytes, rowBytes, rows);
  for (bool prefetch : {false, true}) {
    auto surface = base;
    copyRows8(surface.data(), pitch, src.data(), rowBytes, rowBytes, rows, prefetch);
    EXPECT_EQ(surface, want) << "prefetch " << prefetch;
  }
}
