// LoadBMP on real files: the eight decoders, orientation, headers, layout
// variants, truncation and every failure status.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <functional>
#include <tuple>

#include "bmp_builder.h"
#include "codec_fixture.h"

using testbmp::Bytes;
using testbmp::Rgb;

namespace {

constexpr int W = 37;  // the vector kernels' steps and their remainders
constexpr int H = 3;

std::vector<Rgb> somePalette(int n = 256) {
  std::vector<Rgb> p;
  for (int i = 0; i < n; ++i) {
    p.push_back({static_cast<std::uint8_t>(i * 37 + 11), static_cast<std::uint8_t>(255 - i),
                 static_cast<std::uint8_t>(i * 91 + 3)});
  }
  return p;
}

// File rows in file order: 8-bit indices or 24-bit blue, green, red.
std::vector<Bytes> someRows(int bits, int w = W, int h = H) {
  std::vector<Bytes> rows;
  for (int y = 0; y < h; ++y) {
    Bytes row;
    for (int x = 0; x < w * bits / 8; ++x)
      row.push_back(static_cast<std::uint8_t>(y * 71 + x * 29 + 5));
    rows.push_back(row);
  }
  return rows;
}

// What one file pixel becomes, computed from first principles.
Bytes expectPixel(Rgb c, int bpp, bool rgbOrder) {
  switch (bpp) {
    case 15: {
      unsigned w = ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3);
      return {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8)};
    }
    case 16: {
      unsigned w = ((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3);
      return {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8)};
    }
    default:
      return rgbOrder ? Bytes{c.r, c.g, c.b} : Bytes{c.b, c.g, c.r};
  }
}

std::uint8_t nearestByScan(const std::vector<Rgb>& pal, Rgb c) {
  int best = 1 << 30, found = 0;
  for (int i = 0; i < 256; ++i) {
    int dr = c.r - pal[i].r, dg = c.g - pal[i].g, db = c.b - pal[i].b;
    int d = dr * dr + dg * dg + db * db;
    if (d < best) best = d, found = i;
  }
  return static_cast<std::uint8_t>(found);
}

// Expected buffer, top row first. fileBytesPresent limits the data, to model
// a file cut inside its pixels: whole-row decoders keep every byte that
// arrived, converting decoders every pixel that arrived whole.
Bytes expectBuffer(const testbmp::Spec& s, int target, bool rgbOrder, const std::vector<Rgb>& ref,
                   std::size_t pixelBytesPresent = SIZE_MAX) {
  const int outBpp = target == 0 ? s.bits : target;
  const int outBytes = outBpp == 8 ? 1 : (outBpp == 24 ? 3 : 2);
  const int h = s.height < 0 ? -s.height : s.height;
  const std::uint32_t stride = testbmp::strideOf(s.bits, s.width);
  const bool wholeRows = outBpp == s.bits;
  Bytes out(static_cast<std::size_t>(s.width) * h * outBytes, 0);
  for (int k = 0; k < h; ++k) {
    const int row = s.height < 0 ? k : h - 1 - k;
    for (int x = 0; x < s.width; ++x) {
      const std::size_t at = static_cast<std::size_t>(k) * stride + x * (s.bits / 8);
      std::uint8_t* dst = &out[(static_cast<std::size_t>(row) * s.width + x) * outBytes];
      if (wholeRows) {
        for (int j = 0; j < outBytes; ++j) {
          int from = (s.bits == 24 && rgbOrder) ? 2 - j : j;
          if (at + from < pixelBytesPresent) dst[j] = s.rows[k][x * outBytes + from];
        }
        continue;
      }
      if (at + s.bits / 8 > pixelBytesPresent) continue;
      Rgb c = s.bits == 8 ? s.palette[s.rows[k][x]]
                          : Rgb{s.rows[k][3 * x + 2], s.rows[k][3 * x + 1], s.rows[k][3 * x]};
      Bytes px = outBpp == 8 ? Bytes{nearestByScan(ref, c)} : expectPixel(c, outBpp, rgbOrder);
      std::memcpy(dst, px.data(), px.size());
    }
  }
  return out;
}

std::vector<Rgb> referencePalette() {
  std::vector<Rgb> ref;
  for (int i = 0; i < 256; ++i) {
    ref.push_back({static_cast<std::uint8_t>((i & 7) * 36),
                   static_cast<std::uint8_t>(((i >> 3) & 7) * 36),
                   static_cast<std::uint8_t>((i >> 6) * 85)});
  }
  return ref;
}

void setReference(const std::vector<Rgb>& ref) {
  unsigned char bytes[768];
  for (int i = 0; i < 256; ++i) std::memcpy(bytes + 3 * i, &ref[i], 3);
  SetTrueColorPalette(bytes);
}

}  // namespace

// file bits, target option, header size, rgb order, top-down
using DecodeCase = std::tuple<int, int, int, bool, bool>;

class DecodeTest : public CodecTest, public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(DecodeTest, MatchesPixelByPixel) {
  auto [bits, target, header, rgbOrder, topDown] = GetParam();
  testbmp::Spec s;
  s.headerSize = header;
  s.bits = bits;
  s.width = W;
  s.height = topDown ? -H : H;
  s.palette = somePalette();
  s.rows = someRows(bits);
  const auto ref = referencePalette();
  setReference(ref);
  ConfigBMP(BMP_CFG_TARGET_BPP, target);
  ConfigBMP(BMP_CFG_RGB_ORDER, rgbOrder ? 5 : 0);
  // Only a load of an 8-bit file into 8 bits writes Palette.
  std::memset(LoadBMP("/nonexistent")->Palette, 0x77, 768);

  BMPImage* image = load(testbmp::build(s));
  ASSERT_EQ(image->Status, BMP_OK);
  EXPECT_EQ(image->Width, W);
  EXPECT_EQ(image->Height, H);
  EXPECT_EQ(image->BitsPerPixel, target == 0 ? bits : target);
  EXPECT_EQ(pixelsOf(image), expectBuffer(s, target, rgbOrder, ref));
  const bool eightToEight = bits == 8 && (target == 0 || target == 8);
  EXPECT_EQ(image->Palette[767], eightToEight ? s.palette[255].b : 0x77);
  EXPECT_EQ(image->Palette[0], eightToEight ? s.palette[0].r : 0x77);

  // Truncated inside the pixels: still status 0, and every pixel without
  // data is 0.
  const Bytes whole = testbmp::build(s);
  const std::size_t pixelsAt = whole.size() - testbmp::strideOf(bits, W) * H;
  for (std::size_t present : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{13}}) {
    Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(pixelsAt + present));
    BMPImage* part = load(cut, "cut.bmp");
    ASSERT_EQ(part->Status, BMP_OK) << present;
    EXPECT_EQ(pixelsOf(part), expectBuffer(s, target, rgbOrder, ref, present)) << present;
  }
}

// Every decoder, both header kinds and byte orders; core headers have no
// sign, so top-down files come with the 40-byte header only.
INSTANTIATE_TEST_SUITE_P(Windows, DecodeTest,
                         ::testing::Combine(::testing::Values(8, 24),
                                            ::testing::Values(0, 8, 15, 16, 24),
                                            ::testing::Values(40), ::testing::Bool(),
                                            ::testing::Bool()));
INSTANTIATE_TEST_SUITE_P(Os2, DecodeTest,
                         ::testing::Combine(::testing::Values(8, 24),
                                            ::testing::Values(0, 8, 15, 16, 24),
                                            ::testing::Values(12), ::testing::Bool(),
                                            ::testing::Values(false)));

TEST_F(CodecTest, StandardEightBitFileFillsTheWholeRecord) {
  testbmp::Spec s;
  s.bits = 8;
  s.width = 5;
  s.height = 2;
  s.palette = somePalette();
  s.rows = {{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}};
  BMPImage* image = load(testbmp::build(s));
  ASSERT_EQ(image->Status, BMP_OK);
  EXPECT_EQ(image->BitsPerPixel, 8);
  EXPECT_EQ(Bytes(image->Pixels, image->Pixels + 10), (Bytes{6, 7, 8, 9, 10, 1, 2, 3, 4, 5}));
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(Bytes(image->Palette + 3 * i, image->Palette + 3 * i + 3),
              (Bytes{s.palette[i].r, s.palette[i].g, s.palette[i].b}));
  }
  // The same picture with the OS/2 header gives the same buffer and palette.
  BMPImage first = *image;
  s.headerSize = 12;
  BMPImage* os2 = load(testbmp::build(s), "os2.bmp");
  ASSERT_EQ(os2->Status, BMP_OK);
  EXPECT_EQ(pixelsOf(os2), pixelsOf(&first));
  EXPECT_EQ(0, std::memcmp(os2->Palette, first.Palette, 768));
}

TEST_F(CodecTest, ColourTableLayoutsFollowConsistentOffBits) {
  BMPImage* image = LoadBMP("/nonexistent");
  std::memset(image->Palette, 0x77, 768);

  // 16 entries, then a gap shorter than an entry before the pixels: entries
  // 16 on keep what they held.
  testbmp::Spec s;
  s.bits = 8;
  s.width = 3;
  s.height = 2;
  s.palette = somePalette(16);
  s.shortTable = true;
  s.gap = 3;
  s.rows = {{0, 15, 3}, {4, 5, 6}};
  image = load(testbmp::build(s));
  ASSERT_EQ(image->Status, BMP_OK);
  EXPECT_EQ(Bytes(image->Pixels, image->Pixels + 6), (Bytes{4, 5, 6, 0, 15, 3}));
  EXPECT_EQ(image->Palette[15 * 3], s.palette[15].r);
  EXPECT_EQ(image->Palette[16 * 3], 0x77);

  // A short table converted to 24 bits uses the colours that are there.
  ConfigBMP(BMP_CFG_TARGET_BPP, 24);
  image = load(testbmp::build(s), "to24.bmp");
  ASSERT_EQ(image->Status, BMP_OK);
  EXPECT_EQ(Bytes(image->Pixels + 9, image->Pixels + 12),
            (Bytes{s.palette[0].b, s.palette[0].g, s.palette[0].r}));

  // A 24-bit file with a gap before its pixels.
  ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  testbmp::Spec t;
  t.width = 2;
  t.height = 1;
  t.gap = 10;
  t.rows = {{1, 2, 3, 4, 5, 6}};
  image = load(testbmp::build(t), "gap24.bmp");
  ASSERT_EQ(image->Status, BMP_OK);
  EXPECT_EQ(Bytes(image->Pixels, image->Pixels + 6), (Bytes{1, 2, 3, 4, 5, 6}));
}

TEST_F(CodecTest, InconsistentOffBitsFallsBackToTheSequentialLayout) {
  // offBits below the headers (the count wraps) or beyond the end of the file:
  // a 256-entry table, pixels right after it, at most 256 entries copied.
  for (std::int64_t off :
       {std::int64_t{0}, std::int64_t{10}, std::int64_t{53}, std::int64_t{100000}}) {
    testbmp::Spec s;
    s.bits = 8;
    s.width = 2;
    s.height = 1;
    s.palette = somePalette();
    s.offBits = off;
    s.rows = {{9, 255}};
    BMPImage* image = load(testbmp::build(s), "off.bmp");
    ASSERT_EQ(image->Status, BMP_OK) << off;
    EXPECT_EQ(Bytes(image->Pixels, image->Pixels + 2), (Bytes{9, 255})) << off;
    EXPECT_EQ(image->Palette[255 * 3 + 2], s.palette[255].b) << off;
  }
}

// Writers leave stray values in the compression field over plain 24-bit
// rows; only a JPEG or PNG stream (4, 5) is refused.
TEST_F(CodecTest, StrayCompressionOverTrueColourRowsIsIgnored) {
  testbmp::Spec s;
  s.width = 2;
  s.height = 1;
  s.rows = {{1, 2, 3, 4, 5, 6}};
  for (std::uint32_t compression : {1u, 2u, 3u, 6u, 0x10000u}) {
    s.compression = compression;
    BMPImage* image = load(testbmp::build(s));
    ASSERT_EQ(image->Status, BMP_OK) << compression;
    EXPECT_EQ(Bytes(image->Pixels, image->Pixels + 6), (Bytes{1, 2, 3, 4, 5, 6})) << compression;
  }
}

struct FailureCase {
  const char* what;
  int status;
  std::function<Bytes()> make;
  bool noMemory = false;  // the file is good, its pixel block cannot be had
};

void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.what;
}

class LoadFailureTest : public CodecTest, public ::testing::WithParamInterface<FailureCase> {};

Bytes withField(testbmp::Spec s, std::size_t offset, std::vector<std::uint8_t> value) {
  Bytes b = testbmp::build(s);
  std::copy(value.begin(), value.end(), b.begin() + static_cast<std::ptrdiff_t>(offset));
  return b;
}

testbmp::Spec small24() {
  testbmp::Spec s;
  s.width = 2;
  s.height = 2;
  s.rows = someRows(24, 2, 2);
  return s;
}

testbmp::Spec small8(std::uint32_t compression, std::int32_t height = 2) {
  testbmp::Spec s;
  s.bits = 8;
  s.width = 2;
  s.height = height;
  s.compression = compression;
  s.rows = {{2, 1, 0, 0}, {0, 1}};  // run-length codes or plain rows, either way
  return s;
}

TEST_P(LoadFailureTest, ReportsStatusAndKeepsTheEarlierImage) {
  const FailureCase& c = GetParam();
  testbmp::Spec good;
  good.bits = 8;
  good.width = 3;
  good.height = 2;
  good.palette = somePalette();
  good.rows = someRows(8, 3, 2);
  BMPImage* image = load(testbmp::build(good), "good.bmp");
  ASSERT_EQ(image->Status, BMP_OK);
  const BMPImage before = *image;
  const int reads = spy::calls().globalAlloc;
  if (c.noMemory) spy::faults().failAllocCall = 1;

  BMPImage* failed = load(c.make(), "bad.bmp");
  EXPECT_EQ(failed, image);
  EXPECT_EQ(failed->Status, c.status) << c.what;
  EXPECT_EQ(failed->Pixels, before.Pixels);
  EXPECT_EQ(failed->Memory, before.Memory);
  EXPECT_EQ(failed->Width, before.Width);
  EXPECT_EQ(failed->Height, before.Height);
  EXPECT_EQ(failed->BitsPerPixel, before.BitsPerPixel);
  EXPECT_EQ(0, std::memcmp(failed->Palette, before.Palette, 768));
  EXPECT_EQ(spy::calls().globalAlloc, reads + (c.noMemory ? 1 : 0))
      << "nothing is allocated for a refused file";
  EXPECT_EQ(compat::liveBlockCount(), blocksAtStart_ + 1) << "only the good image's block";
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, LoadFailureTest,
    ::testing::Values(
        FailureCase{"17 bytes", BMP_ERR_FILE,
                    [] {
                      Bytes b = testbmp::build(small24());
                      b.resize(17);
                      return b;
                    }},
        FailureCase{"empty", BMP_ERR_FILE, [] { return Bytes{}; }},
        FailureCase{"no memory", BMP_ERR_MEMORY, [] { return testbmp::build(small24()); }, true},
        FailureCase{"info header cut", BMP_ERR_FILE,
                    [] {
                      Bytes b = testbmp::build(small24());
                      b.resize(53);
                      return b;
                    }},
        FailureCase{"core header cut", BMP_ERR_FILE,
                    [] {
                      auto s = small24();
                      s.headerSize = 12;
                      Bytes b = testbmp::build(s);
                      b.resize(25);
                      return b;
                    }},
        FailureCase{"MB", BMP_ERR_FORMAT,
                    [] {
                      return withField(small24(), 0, {'M', 'B'});
                    }},
        FailureCase{"1 bit", BMP_ERR_FORMAT,
                    [] {
                      return withField(small24(), 28, {1, 0});
                    }},
        FailureCase{"4 bits", BMP_ERR_FORMAT,
                    [] {
                      return withField(small24(), 28, {4, 0});
                    }},
        FailureCase{"16 bits", BMP_ERR_FORMAT,
                    [] {
                      return withField(small24(), 28, {16, 0});
                    }},
        FailureCase{"32 bits", BMP_ERR_FORMAT,
                    [] {
                      return withField(small24(), 28, {32, 0});
                    }},
        FailureCase{"8+256 bits", BMP_ERR_FORMAT,
                    [] {
                      return withField(small24(), 28, {8, 1});
                    }},
        FailureCase{"8 bits RLE4", BMP_ERR_FORMAT, [] { return testbmp::build(small8(2)); }},
        FailureCase{"8 bits bit fields", BMP_ERR_FORMAT, [] { return testbmp::build(small8(3)); }},
        FailureCase{"8 bits JPEG", BMP_ERR_FORMAT, [] { return testbmp::build(small8(4)); }},
        FailureCase{"8 bits 0x101", BMP_ERR_FORMAT, [] { return testbmp::build(small8(0x101)); }},
        FailureCase{"8 bits RLE8 top-down", BMP_ERR_FORMAT,
                    [] { return testbmp::build(small8(1, -2)); }},
        FailureCase{"24 bits JPEG", BMP_ERR_FORMAT, [] { return withField(small24(), 30, {4}); }},
        FailureCase{"24 bits PNG", BMP_ERR_FORMAT, [] { return withField(small24(), 30, {5}); }},
        FailureCase{"header 64", BMP_ERR_FORMAT, [] { return withField(small24(), 14, {64}); }},
        FailureCase{"header 108", BMP_ERR_FORMAT, [] { return withField(small24(), 14, {108}); }},
        FailureCase{"header 124", BMP_ERR_FORMAT, [] { return withField(small24(), 14, {124}); }},
        FailureCase{"header 0", BMP_ERR_FORMAT, [] { return withField(small24(), 14, {0}); }},
        FailureCase{"width 0", BMP_ERR_FORMAT,
                    [] {
                      return withField(small24(), 18, {0, 0, 0, 0});
                    }},
        FailureCase{"width -2", BMP_ERR_FORMAT,
                    [] {
                      return withField(small24(), 18, {0xFE, 0xFF, 0xFF, 0xFF});
                    }},
        FailureCase{"height 0", BMP_ERR_FORMAT,
                    [] {
                      return withField(small24(), 22, {0, 0, 0, 0});
                    }},
        FailureCase{"height INT_MIN", BMP_ERR_FORMAT,
                    [] {
                      return withField(small24(), 22, {0, 0, 0, 0x80});
                    }},
        FailureCase{"core width 0", BMP_ERR_FORMAT,
                    [] {
                      auto s = small24();
                      s.headerSize = 12;
                      return withField(s, 18, {0, 0});
                    }},
        FailureCase{"over 4 GiB", BMP_ERR_FORMAT,
                    [] {
                      return withField(small24(), 18, {0, 0, 1, 0, 0, 0x80, 0, 0});
                    }},
        FailureCase{"wide row", BMP_ERR_FORMAT,
                    [] {
                      return withField(small24(), 18, {0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0});
                    }}),
    [](const ::testing::TestParamInfo<FailureCase>& info) {
      std::string n;
      for (const char* p = info.param.what; *p; ++p)
        n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
      return n;
    });

TEST_F(CodecTest, EveryCutOfTheHeadersIsAClearStatus) {
  for (int header : {40, 12}) {
    testbmp::Spec s = small24();
    s.headerSize = header;
    const Bytes whole = testbmp::build(s);
    for (std::size_t n = 0; n < 14u + header; ++n) {
      BMPImage* image =
          load(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)), "cut.bmp");
      EXPECT_EQ(image->Status, BMP_ERR_FILE) << n;
    }
  }
}

TEST_F(CodecTest, UnopenableFilesGiveFileStatus) {
  EXPECT_EQ(LoadBMP(path("missing.bmp").c_str())->Status, BMP_ERR_FILE);
  EXPECT_EQ(LoadBMP(dir_.string().c_str())->Status, BMP_ERR_FILE);
  EXPECT_EQ(LoadBMP(nullptr)->Status, BMP_ERR_FILE);

  // The codec denies every other opener, so any opener keeps it out, even
  // one that shares reading.
  writeAll(dir_ / "held.bmp", testbmp::build(small24()));
  for (DWORD share : {DWORD{0}, FILE_SHARE_READ}) {
    HANDLE held = CreateFileA(path("held.bmp").c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(LoadBMP(path("held.bmp").c_str())->Status, BMP_ERR_FILE) << share;
    CloseHandle(held);
  }
  spy::reset();
  BMPImage* image = LoadBMP(path("held.bmp").c_str());
  EXPECT_EQ(image->Status, BMP_OK);
  ASSERT_EQ(spy::lastCalls().createFile.size(), 1u);
  const spy::CreateFileArgs& a = spy::lastCalls().createFile[0];
  EXPECT_EQ(a.name, path("held.bmp"));
  EXPECT_EQ(a.access, GENERIC_READ);
  EXPECT_EQ(a.share, 0u);
  EXPECT_EQ(a.creation, static_cast<std::uint32_t>(OPEN_EXISTING));
  EXPECT_EQ(a.flags, 0x08000080u);
  EXPECT_EQ(spy::lastCalls().globalAllocFlags, 0x42u) << "movable, zero-filled";
  UnloadBMP(image);
}

TEST_F(CodecTest, TargetOptionOutsideTheFormatsIsRefused) {
  for (int target : {1, 7, 32, -8}) {
    ConfigBMP(BMP_CFG_TARGET_BPP, target);
    EXPECT_EQ(load(testbmp::build(small24()))->Status, BMP_ERR_FORMAT) << target;
  }
}

TEST_F(CodecTest, ConvertingDecodersReadInBlocksNotPixels) {
  testbmp::Spec s;
  s.width = 64;
  s.height = 64;
  s.rows = someRows(24, 64, 64);
  for (int target : {8, 15, 16}) {
    ConfigBMP(BMP_CFG_TARGET_BPP, target);
    spy::reset();
    ASSERT_EQ(load(testbmp::build(s))->Status, BMP_OK);
    EXPECT_GE(spy::calls().readFile, 1) << target;  // seen at all
    EXPECT_LE(spy::calls().readFile, 6) << target;
  }
}

TEST_F(CodecTest, OptionsOfUnknownTypeChangeNothing) {
  ConfigBMP(0, 15);
  ConfigBMP(4, 15);
  BMPImage* image = load(testbmp::build(small24()));
  ASSERT_EQ(image->Status, BMP_OK);
  EXPECT_EQ(image->BitsPerPixel, 24);
  EXPECT_EQ(image->Pixels[0], someRows(24, 2, 2)[1][0]) << "still blue, green, red";
}

TEST_F(CodecTest, ReferencePaletteIsCopiedAndReplacesCachedAnswers) {
  testbmp::Spec s;
  s.width = 2;
  s.height = 1;
  s.rows = {{0, 0, 255, 0, 255, 0}};  // pure red, pure green
  ConfigBMP(BMP_CFG_TARGET_BPP, 8);
  BMPImage* image = load(testbmp::build(s));
  EXPECT_EQ(Bytes(image->Pixels, image->Pixels + 2), (Bytes{0, 0}))
      << "all-black reference palette";

  unsigned char colours[768] = {};
  colours[5 * 3] = 255;      // entry 5 red
  colours[9 * 3] = 255;      // entry 9 red as well
  colours[7 * 3 + 1] = 255;  // entry 7 green
  SetTrueColorPalette(colours);
  std::memset(colours, 0, sizeof colours);  // the library keeps its own copy
  image = load(testbmp::build(s));
  EXPECT_EQ(Bytes(image->Pixels, image->Pixels + 2), (Bytes{5, 7}));

  colours[3 * 3 + 1] = 255;  // a new palette: green is now entry 3, red is black
  SetTrueColorPalette(colours);
  image = load(testbmp::build(s));
  EXPECT_EQ(Bytes(image->Pixels, image->Pixels + 2), (Bytes{0, 3}));
}

// The search's megabyte is taken from the system when a load first maps true
// colours (not before, not for other loads), and kept; without it the
// answers are the same.
TEST_F(CodecTest, SearchMemoryIsTakenOnFirstNeedAndKept) {
  testbmp::Spec s;
  s.width = 41;
  s.height = 3;
  s.rows = someRows(24, s.width, s.height);
  const auto ref = somePalette();
  setReference(ref);
  const Bytes want = expectBuffer(s, 8, false, ref);
  for (int target : {15, 16, 24}) {
    ConfigBMP(BMP_CFG_TARGET_BPP, target);
    ASSERT_EQ(load(testbmp::build(s))->Status, BMP_OK);
  }
  EXPECT_EQ(spy::calls().virtualAlloc, 0);

  ConfigBMP(BMP_CFG_TARGET_BPP, 8);
  spy::faults().failVirtualAlloc = true;
  EXPECT_EQ(pixelsOf(load(testbmp::build(s))), want) << "without the memory";
  spy::faults().failVirtualAlloc = false;
  EXPECT_EQ(pixelsOf(load(testbmp::build(s))), want);
  const int asked = spy::calls().virtualAlloc;
  EXPECT_LE(asked, 2) << "once failing, once served (fewer if an earlier test took it)";
  for (int k = 0; k < 3; ++k) EXPECT_EQ(pixelsOf(load(testbmp::build(s))), want);
  EXPECT_EQ(spy::calls().virtualAlloc, asked);
}

TEST_F(CodecTest, UnloadReleasesOnceAndLeavesTheRecord) {
  BMPImage* image = load(testbmp::build(small24()));
  BMPImage copy = *image;
  owned_.clear();
  spy::reset();
  BMPImage none{};
  UnloadBMP(&none);
  UnloadBMP(nullptr);
  EXPECT_EQ(spy::calls().globalUnlock + spy::calls().globalFree, 0);
  UnloadBMP(&copy);
  EXPECT_EQ(spy::calls().globalUnlock, 1);
  EXPECT_EQ(spy::calls().globalFree, 1);
  EXPECT_EQ(spy::calls().refusedGlobal, 0) << "unlocked, then freed";
  EXPECT_EQ(copy.Memory, image->Memory);
  EXPECT_EQ(copy.Pixels, image->Pixels);
  EXPECT_EQ(compat::liveBlockCount(), blocksAtStart_);
}
