// The copy arithmetic on plain memory: every tail length, pitches, offsets,
// pixel sizes and clipping, both variants against the byte-by-byte one.
#include "pixel_copy.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "blitkit.h"

using namespace blitkit;

namespace {

std::vector<std::uint8_t> pattern(std::size_t n, int seed) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + seed * 31 + 1);
  return v;
}

}  // namespace

// Every tail length, pixel size and pitch sign, rectangles inside and across
// every edge, and locks whose rows are narrower or (wrongly) wider than the
// pitch: both variants and the reference write exactly the bytes of the
// pixels inside the surface, and nothing before, after or between its rows.
TEST(PixelCopy, BothVariantsWriteExactlyThePixelsInsideTheSurface) {
  const std::uint32_t rows = 8;
  const std::int64_t pitchBytes = 40 * 4 + 13;  // odd, and wider than most rows
  const std::size_t guard = 64;
  for (std::uint32_t bpp = 0; bpp <= 4; ++bpp) {
    for (std::int32_t width = 0; width <= 19; ++width) {
      for (std::int32_t x : {-3, 0, 1, 3, 37}) {
        for (std::int32_t y : {-1, 2, 7}) {
          for (std::int64_t pitch : {pitchBytes, -pitchBytes}) {
            for (std::uint64_t rowBytes :
                 {std::uint64_t{40} * bpp, std::uint64_t(pitchBytes + 50)}) {
              const std::int32_t height = 3;
              const auto src = pattern(static_cast<std::size_t>(width) * bpp * height, width);
              const SurfaceExtent surface{pitch, rowBytes, rows};
              const ClippedRect r = clipRect(x, y, width, height, bpp, surface);
              // The surface between guards; row 0 is at the top or, with rows
              // going up, at the bottom of the memory.
              const auto before =
                  pattern(2 * guard + static_cast<std::size_t>(pitchBytes) * rows, 99);
              const std::size_t base =
                  guard + (pitch < 0 ? static_cast<std::size_t>(pitchBytes) * (rows - 1) : 0);
              // What must happen, from the pixels alone.
              auto want = before;
              const auto inRow =
                  static_cast<std::int64_t>(std::min<std::uint64_t>(rowBytes, pitchBytes));
              const std::int64_t b = bpp;
              for (std::int64_t row = 0; row < height && b > 0; ++row) {
                const std::int64_t dy = y + row;
                for (std::int64_t col = 0; col < width; ++col) {
                  const std::int64_t dx = x + col;
                  if (dy < 0 || dy >= rows || dx < 0 || (dx + 1) * b > inRow) continue;
                  for (std::int64_t k = 0; k < b; ++k)
                    want[static_cast<std::size_t>(static_cast<std::int64_t>(base) + dy * pitch +
                                                  dx * b + k)] =
                        src[static_cast<std::size_t>((row * width + col) * b + k)];
                }
              }
              auto reference = before;
              if (r.rows)
                copyRowsReference(reference.data() + base + r.dstOffset, pitch,
                                  src.data() + r.srcOffset, r.srcStride, r.rowBytes, r.rows);
              ASSERT_EQ(reference, want) << "bpp " << bpp << " width " << width << " at " << x
                                         << "," << y << " pitch " << pitch << " row " << rowBytes;
              for (bool eight : {false, true}) {
                auto memory = before;
                copyRect(eight, memory.data() + base, pitch, src.data(), r);
                ASSERT_EQ(memory, want) << "bpp " << bpp << " width " << width << " at " << x << ","
                                        << y << " pitch " << pitch << " mmx " << eight;
              }
            }
          }
        }
      }
    }
  }
}

TEST(PixelCopy, OffsetOfTheFirstByte) {
  const ClippedRect r = clipRect(2, 3, 10, 1, 2, SurfaceExtent{1280, 640 * 2, 480});
  EXPECT_EQ(r.dstOffset, 3u * 1280 + 2 * 2);
  EXPECT_EQ(r.rowBytes, 20u);
}

TEST(PixelCopy, RowsOfThirteenBytes) {
  // 3 words + 1 byte, or 1 block + 5 bytes: the same memory either way.
  const auto src = pattern(13 * 4, 5);
  std::vector<std::uint8_t> a(64 * 4, 0xEE), b(64 * 4, 0xEE);
  copyRows4(a.data(), 64, src.data(), 13, 13, 4);
  copyRows8(b.data(), 64, src.data(), 13, 13, 4);
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
    const ClippedRect r = clipRect(c.x, c.y, c.w, c.h, 4, SurfaceExtent{pitch, 20 * 4, 10});
    EXPECT_EQ(r.rows, c.rows) << c.x << "," << c.y << " " << c.w << "x" << c.h;
    if (!c.rows) continue;
    EXPECT_EQ(r.rowBytes, c.rowBytes) << c.x << "," << c.y;
    EXPECT_EQ(r.srcOffset, c.srcOffset) << c.x << "," << c.y;
    EXPECT_EQ(r.dstOffset, static_cast<std::ptrdiff_t>(c.dstOffset)) << c.x << "," << c.y;
    EXPECT_LE(r.dstOffset + static_cast<std::ptrdiff_t>((r.rows - 1) * pitch + r.rowBytes),
              pitch * 10);
  }
  EXPECT_EQ(clipRect(0, 0, 5, 5, 0, SurfaceExtent{pitch, 80, 10}).rows, 0u)
      << "no mode: nothing moves";
  EXPECT_EQ(clipRect(0, 0, 5, 5, 4, SurfaceExtent{0, 80, 10}).rows, 0u) << "no pitch";
}

// Both exports: the plain one writes wherever width, x and y say (height
// unused, nothing tested), the checked one only inside the buffer.
TEST(PixelCopy, PutPixel8Exports) {
  struct Case {
    std::int32_t w, h, x, y;
    int safeOffset;   // -1: nothing written
    int plainOffset;  // -1: outside the buffer, not tried
  };
  for (Case c : {Case{10, 3, 3, 2, 23, 23}, Case{10, 3, 10, 0, -1, 10}, Case{10, 3, 0, 3, -1, -1},
                 Case{10, 3, -1, 0, -1, -1}, Case{10, 3, 0, -1, -1, -1}, Case{10, 3, 9, 2, 29, 29},
                 Case{0, 3, 0, 0, -1, 0}, Case{10, 0, 4, 1, -1, 14}, Case{-4, 3, 0, 0, -1, 0},
                 Case{10, 3, 0, 0, 0, 0}}) {
    for (bool safe : {true, false}) {
      const int offset = safe ? c.safeOffset : c.plainOffset;
      if (!safe && offset < 0) continue;
      std::vector<std::uint8_t> b(30, 0);
      (safe ? PutPixel8_safe : PutPixel8)(b.data(), c.w, c.h, c.x, c.y, 0x1FF);
      std::vector<std::uint8_t> want(30, 0);
      if (offset >= 0) want[static_cast<std::size_t>(offset)] = 0xFF;
      EXPECT_EQ(b, want) << (safe ? "safe " : "plain ") << c.w << "x" << c.h << " at " << c.x << ","
                         << c.y;
    }
  }
}

TEST(PixelCopy, EightByteRowsOfManyRoundsWithAndWithoutPrefetch) {
  // 1029 bytes: sixteen rounds of 64, one block of 8 and a tail of 5.
  const std::size_t rowBytes = 1029, rows = 5, pitch = 1100;
  const auto src = pattern(rowBytes * rows, 3);
  auto want = pattern(pitch * rows, 8);
  auto base = want;
  copyRowsReference(want.data(), pitch, src.data(), rowBytes, rowBytes, rows);
  for (CopyRowsFn copy : {copyRows8, copyRows8Prefetch}) {
    auto surface = base;
    copy(surface.data(), pitch, src.data(), rowBytes, rowBytes, rows);
    EXPECT_EQ(surface, want) << (copy == copyRows8 ? "without" : "with") << " prefetch";
  }
}
