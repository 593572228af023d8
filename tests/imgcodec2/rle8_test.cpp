// Run-length (RLE8) files against their uncompressed twins: pictures from the
// tests' own writer, hand-made codes that leave the picture, codes cut short
// at every byte, and the suite's RLE8 file against its plain original.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bmp_builder.h"
#include "codec_fixture.h"
#include "rle8_writer.h"

using testbmp::Bytes;

namespace {

// Entry 0 is a colour, so that index 0 and a zero byte differ in every format.
std::vector<testbmp::Rgb> palette() {
  std::vector<testbmp::Rgb> p;
  for (int i = 0; i < 256; ++i) {
    p.push_back({static_cast<std::uint8_t>(200 - i * 3), static_cast<std::uint8_t>(i * 5 + 40),
                 static_cast<std::uint8_t>(i * 11 + 90)});
  }
  return p;
}

testbmp::Spec plainFile(std::int32_t width, const std::vector<Bytes>& rows) {
  testbmp::Spec s;
  s.bits = 8;
  s.width = width;
  s.height = static_cast<std::int32_t>(rows.size());
  s.palette = palette();
  s.rows = rows;
  return s;
}

testbmp::Spec rleFile(std::int32_t width, std::int32_t height, const Bytes& codes) {
  testbmp::Spec s = plainFile(width, {codes});
  s.height = height;
  s.compression = 1;
  s.padRows = false;
  return s;
}

// A picture with every kind of stretch: rows of one colour wider than a run,
// varied stretches of odd length, background (index 0) within rows, at the
// ends of rows and over the top rows. File order, bottom row first.
std::vector<Bytes> scene(int width, int height, int stretch) {
  std::vector<Bytes> rows(height, Bytes(width, 0));
  for (int y = 0; y < height - 2; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t& v = rows[y][x];
      switch ((x / stretch + y) % 5) {
        case 0:
          v = static_cast<std::uint8_t>((y * 3 + x / stretch) % 250 + 1);
          break;
        case 1:
        case 3:
          v = static_cast<std::uint8_t>((x * 7 + y * 13) % 250 + 1);
          break;
        case 2:
          v = 0;
          break;
        default:
          v = static_cast<std::uint8_t>(x / 2 % 3 + 1);
          break;
      }
      if (y == 0) v = 9;
      if (y % 4 == 1 && x >= width * 2 / 3) v = 0;     // the row ends in background
      if (y % 4 == 2 && x < width * 2 / 3 + 3) v = 0;  // and the next one begins in it
    }
  }
  return rows;
}

class Rle8Test : public CodecTest {
 protected:
  struct Loaded {
    int status = -1, bpp = 0, width = 0, height = 0;
    Bytes pixels, palette;
  };

  Loaded loadFile(const Bytes& file, const std::string& name) {
    std::memset(LoadBMP("/nonexistent")->Palette, 0x77, 768);
    BMPImage* image = load(file, name);
    Loaded l;
    l.status = image->Status;
    if (l.status != BMP_OK) return l;
    l.bpp = image->BitsPerPixel, l.width = image->Width, l.height = image->Height;
    l.pixels = pixelsOf(image);
    l.palette.assign(image->Palette, image->Palette + 768);
    return l;
  }

  // Loads both files in every format and byte order; they must give the same
  // record.
  void expectTwins(const Bytes& rle, const Bytes& plain, const std::string& what) {
    for (int target : {0, 8, 15, 16, 24}) {
      for (int order : {0, 1}) {
        ConfigBMP(BMP_CFG_TARGET_BPP, target);
        ConfigBMP(BMP_CFG_RGB_ORDER, order);
        const Loaded want = loadFile(plain, "plain.bmp");
        const Loaded got = loadFile(rle, "rle.bmp");
        SCOPED_TRACE(what + ", target " + std::to_string(target) + ", order " +
                     std::to_string(order));
        ASSERT_EQ(want.status, BMP_OK);
        ASSERT_EQ(got.status, BMP_OK);
        EXPECT_EQ(got.bpp, want.bpp);
        EXPECT_EQ(got.width, want.width);
        EXPECT_EQ(got.height, want.height);
        EXPECT_EQ(got.pixels, want.pixels);
        EXPECT_EQ(got.palette, want.palette);
      }
    }
  }
};

}  // namespace

TEST_F(Rle8Test, WrittenPicturesLoadLikeTheirPlainTwins) {
  for (int width : {301, 1}) {
    const auto rows = scene(width, 14, width > 100 ? 25 : 7);
    const testbmp::Rle8 rle = testbmp::encodeRle8(rows, width);
    if (width > 1) {
      // The writer used every kind of code, so each is read here.
      EXPECT_GT(rle.repeats, 0);
      EXPECT_GT(rle.literals, 0);
      EXPECT_GT(rle.oddLiterals, 0);
      EXPECT_GT(rle.moves - rle.movesUp, 0);
      EXPECT_GT(rle.movesUp, 0);
      EXPECT_GT(rle.endsOfLine, 0);
      EXPECT_EQ(rle.earlyEnd, 1);
    }
    expectTwins(testbmp::build(rleFile(width, 14, rle.codes)),
                testbmp::build(plainFile(width, rows)), "width " + std::to_string(width));
  }
}

// Codes that step outside the picture, and what they leave (file order).
struct ClipCase {
  const char* what;
  std::int32_t width;
  Bytes codes;
  std::vector<Bytes> rows;
};

TEST_F(Rle8Test, CodesThatLeaveThePictureAreClipped) {
  const ClipCase cases[] = {
      {"a run past the right edge stops there",
       4,
       {6, 7, 0, 0, 2, 5, 0, 1},
       {{7, 7, 7, 7}, {5, 5, 0, 0}}},
      {"runs of 255 across a wide row, the second cut",
       300,
       {255, 1, 255, 2, 0, 0, 0, 1},
       {[] {
          Bytes r(300, 2);
          std::fill(r.begin(), r.begin() + 255, 1);
          return r;
        }(),
        Bytes(300, 0)}},
      {"a literal past the edge is cut, its pad still skipped",
       4,
       {0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 0, 3, 6, 7, 8, 0, 0, 1},
       {{1, 2, 3, 4}, {6, 7, 8, 0}}},
      {"a move past the right edge, then a run; the next line starts at 0",
       4,
       {0, 2, 200, 0, 3, 9, 0, 0, 1, 4, 0, 1},
       {{0, 0, 0, 0}, {4, 0, 0, 0}}},
      {"a move up and right keeps the column",
       4,
       {1, 1, 0, 2, 2, 1, 2, 2, 0, 1},
       {{1, 0, 0, 0}, {0, 0, 0, 2}, {0, 0, 0, 0}}},
      {"a move past the top ends the picture",
       3,
       {1, 3, 0, 2, 1, 200, 5, 5},
       {{3, 0, 0}, {0, 0, 0}}},
      {"codes after the last line are not read", 2, {2, 4, 0, 0, 2, 9, 0, 0, 2, 9}, {{4, 4}}},
  };
  for (const ClipCase& c : cases) {
    const auto height = static_cast<std::int32_t>(c.rows.size());
    expectTwins(testbmp::build(rleFile(c.width, height, c.codes)),
                testbmp::build(plainFile(c.width, c.rows)), c.what);
  }
}

// Codes cut after any byte load as the plain file cut where the codes had got
// to: what lies behind is decoded, the rest stays 0, and the load succeeds.
TEST_F(Rle8Test, CodesCutShortLoadLikeACutPlainFile) {
  const int width = 37, height = 6;
  const auto rows = scene(width, height, 7);
  const testbmp::Rle8 rle = testbmp::encodeRle8(rows, width);
  const Bytes plain = testbmp::build(plainFile(width, rows));
  const std::size_t pixelsAt = plain.size() - testbmp::strideOf(8, width) * height;
  for (std::size_t n = 0; n <= rle.codes.size(); ++n) {
    const Bytes codes(rle.codes.begin(), rle.codes.begin() + static_cast<std::ptrdiff_t>(n));
    const Bytes cutPlain(plain.begin(),
                         plain.begin() + static_cast<std::ptrdiff_t>(pixelsAt + rle.reached[n]));
    for (int target : {0, 16, 24}) {
      ConfigBMP(BMP_CFG_TARGET_BPP, target);
      const Loaded want = loadFile(cutPlain, "plain.bmp");
      const Loaded got = loadFile(testbmp::build(rleFile(width, height, codes)), "rle.bmp");
      ASSERT_EQ(got.status, BMP_OK) << n;
      ASSERT_EQ(got.pixels, want.pixels) << "cut after " << n << " bytes, target " << target;
    }
  }
}

TEST_F(Rle8Test, SuiteFileMatchesItsPlainOriginal) {
  const std::string suite = BMPSUITE_DIR;
  expectTwins(readAll(suite + "/g/pal8rle.bmp"), readAll(suite + "/g/pal8.bmp"), "pal8rle.bmp");
  // Run-length bitmaps are bottom-up by definition: a top-down one is refused.
  EXPECT_EQ(LoadBMP((suite + "/b/rletopdown.bmp").c_str())->Status, BMP_ERR_FORMAT);
}
