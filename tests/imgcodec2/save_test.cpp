// SaveBMP: header values, the four pairs of depths, row and byte order,
// partial areas, refusals before the file is touched, and write failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "bmp_builder.h"
#include "codec_fixture.h"

using testbmp::Bytes;

namespace {

std::uint32_t le32(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

BMPImage imageOf(Bytes& pixels, int width, int height, int bpp) {
  BMPImage image{};
  image.Pixels = pixels.data();
  image.Width = width;
  image.Height = height;
  image.BitsPerPixel = bpp;
  for (int i = 0; i < 768; ++i) image.Palette[i] = static_cast<unsigned char>(i * 7);
  return image;
}

Bytes pattern(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 13 + 1);
  return b;
}

}  // namespace

class SaveTest : public CodecTest {
 protected:
  Bytes save(const BMPImage& source, const BMPImage& description, int expected) {
    EXPECT_EQ(SaveBMP(path("out.bmp").c_str(), &source, &description), expected);
    return readAll(dir_ / "out.bmp");
  }
};

TEST_F(SaveTest, HeaderValuesAndSizes) {
  struct Case {
    int bpp, width, height;
    std::uint32_t sizeImage, fileSize, offBits;
  };
  for (Case c :
       {Case{24, 3, 2, 24, 78, 54}, Case{8, 3, 5, 20, 1098, 1078}, Case{24, 1, 1, 4, 58, 54}}) {
    Bytes pixels = pattern(static_cast<std::size_t>(c.width) * c.height * c.bpp / 8);
    BMPImage image = imageOf(pixels, c.width, c.height, c.bpp);
    Bytes file = save(image, image, c.width);
    ASSERT_EQ(file.size(), c.fileSize);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(le32(file, 2), c.fileSize);
    EXPECT_EQ(le32(file, 6), 0u);
    EXPECT_EQ(le32(file, 10), c.offBits);
    EXPECT_EQ(le32(file, 14), 40u);
    EXPECT_EQ(le32(file, 18), static_cast<std::uint32_t>(c.width));
    EXPECT_EQ(le32(file, 22), static_cast<std::uint32_t>(c.height));
    EXPECT_EQ(file[26] | (file[27] << 8), 1);
    EXPECT_EQ(file[28] | (file[29] << 8), c.bpp);
    EXPECT_EQ(le32(file, 30), 0u);
    EXPECT_EQ(le32(file, 34), c.sizeImage);
    EXPECT_EQ(le32(file, 38), 72u);
    EXPECT_EQ(le32(file, 42), 72u);
    EXPECT_EQ(le32(file, 46), 0u);
    EXPECT_EQ(le32(file, 50), 0u);
    if (c.bpp == 8) {
      for (int n = 0; n < 256; ++n) {
        EXPECT_EQ(
            Bytes(file.begin() + 54 + 4 * n, file.begin() + 58 + 4 * n),
            (Bytes{image.Palette[3 * n + 2], image.Palette[3 * n + 1], image.Palette[3 * n], 0}));
      }
    }
  }
}

TEST_F(SaveTest, WordPixelsExpandToShiftedTriplets) {
  struct Case {
    int bpp;
    std::uint16_t word;
    Bytes bgr;
  };
  for (const Case& c : {Case{15, 0x7FFF, {0xF8, 0xF8, 0xF8}}, Case{15, 0x7C00, {0, 0, 0xF8}},
                        Case{15, 0xFFFF, {0xF8, 0xF8, 0xF8}}, Case{15, 0x03E0, {0, 0xF8, 0}},
                        Case{16, 0xFFFF, {0xF8, 0xF8, 0xF8}}, Case{16, 0x0020, {0, 0, 0}},
                        Case{16, 0xF800, {0, 0, 0xF8}}, Case{16, 0x07C0, {0, 0xF8, 0}},
                        Case{16, 0x001F, {0xF8, 0, 0}}}) {
    Bytes pixels = {static_cast<std::uint8_t>(c.word), static_cast<std::uint8_t>(c.word >> 8)};
    BMPImage source = imageOf(pixels, 1, 1, c.bpp);
    BMPImage description = source;
    description.BitsPerPixel = 24;
    Bytes file = save(source, description, 1);
    ASSERT_EQ(file.size(), 58u);
    EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 57), c.bgr) << c.bpp << " " << c.word;
    EXPECT_EQ(file[57], 0) << "padding";
  }
}

TEST_F(SaveTest, RowOrderFollowsTheOptionForEightAndTwentyFourBitsOnly) {
  for (int bpp : {8, 24, 15, 16}) {
    const int bytes = bpp == 8 ? 1 : (bpp == 24 ? 3 : 2);
    Bytes pixels = pattern(4 * 3 * bytes);  // 4 wide, 3 rows
    BMPImage source = imageOf(pixels, 4, 3, bpp);
    BMPImage description = source;
    description.BitsPerPixel = bpp == 8 ? 8 : 24;
    const std::size_t stride = testbmp::strideOf(description.BitsPerPixel, 4);
    const std::size_t at = bpp == 8 ? 1078 : 54;
    for (int topDown : {3, 1, 0}) {
      ConfigBMP(BMP_CFG_SAVE_TOP_DOWN, topDown);
      Bytes file = save(source, description, 4);
      const bool flips = topDown != 0 || bpp == 15 || bpp == 16;
      // The first file row is the bottom row of the picture.
      const std::size_t bufferRow = flips ? 2 : 0;
      if (bpp == 8 || bpp == 24) {
        EXPECT_EQ(Bytes(file.begin() + at, file.begin() + at + 4 * bytes),
                  Bytes(pixels.begin() + bufferRow * 4 * bytes,
                        pixels.begin() + (bufferRow + 1) * 4 * bytes))
            << bpp << " " << topDown;
      } else {
        Bytes first(file.begin() + at, file.begin() + at + 3);
        Bytes saveAlone(pixels.begin() + bufferRow * 8, pixels.begin() + bufferRow * 8 + 2);
        BMPImage one = imageOf(saveAlone, 1, 1, bpp);
        BMPImage oneDesc = one;
        oneDesc.BitsPerPixel = 24;
        EXPECT_EQ(SaveBMP(path("one.bmp").c_str(), &one, &oneDesc), 1);
        Bytes expected = readAll(dir_ / "one.bmp");
        EXPECT_EQ(first, Bytes(expected.begin() + 54, expected.begin() + 57))
            << bpp << " " << topDown;
      }
      EXPECT_EQ(file.size(), at + 3 * stride);
    }
  }
}

TEST_F(SaveTest, RedBlueExchangeOnlyForOptionOneAndSourceStaysIntact) {
  Bytes pixels = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
  const Bytes original = pixels;
  BMPImage image = imageOf(pixels, 2, 1, 24);
  for (int order : {0, 1, 2}) {
    ConfigBMP(BMP_CFG_RGB_ORDER, order);
    Bytes file = save(image, image, 2);
    Bytes expect = order == 1 ? Bytes{0x30, 0x20, 0x10, 0x60, 0x50, 0x40} : original;
    EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 60), expect) << order;
    EXPECT_EQ(pixels, original);
  }
}

TEST_F(SaveTest, DescriptionSelectsTheTopLeftArea) {
  Bytes pixels = pattern(20 * 4);
  BMPImage source = imageOf(pixels, 20, 4, 8);
  BMPImage description = source;
  description.Width = 10;
  description.Height = 2;
  Bytes file = save(source, description, 20);
  ASSERT_EQ(file.size(), 1078u + 12 * 2);
  // Bottom row of the area (buffer row 1) first, then buffer row 0.
  EXPECT_EQ(Bytes(file.begin() + 1078, file.begin() + 1088),
            Bytes(pixels.begin() + 20, pixels.begin() + 30));
  EXPECT_EQ(Bytes(file.begin() + 1090, file.begin() + 1100),
            Bytes(pixels.begin(), pixels.begin() + 10));
  EXPECT_EQ(Bytes(file.begin() + 1088, file.begin() + 1090), (Bytes{0, 0}));
}

TEST_F(SaveTest, RefusedRequestsLeaveAnExistingFileAlone) {
  Bytes pixels = pattern(64);
  struct Case {
    int sourceBpp, fileBpp, width, height;
  };
  for (Case c : {Case{8, 24, 2, 2}, Case{24, 8, 2, 2}, Case{16, 16, 2, 2}, Case{15, 15, 2, 2},
                 Case{8, 15, 2, 2}, Case{32, 24, 2, 2}, Case{24, 32, 2, 2}, Case{8, 8, 0, 2},
                 Case{8, 8, 2, 0}, Case{8, 8, -1, 2}, Case{8, 8, 2, -1}, Case{8, 8, 5, 2}}) {
    writeAll(dir_ / "out.bmp", {'k', 'e', 'e', 'p'});
    BMPImage source = imageOf(pixels, 4, 4, c.sourceBpp);
    BMPImage description = imageOf(pixels, c.width, c.height, c.fileBpp);
    EXPECT_EQ(SaveBMP(path("out.bmp").c_str(), &source, &description), BMP_ERR_FORMAT)
        << c.sourceBpp << ">" << c.fileBpp << " " << c.width << "x" << c.height;
    EXPECT_EQ(readAll(dir_ / "out.bmp"), (Bytes{'k', 'e', 'e', 'p'}));
  }
  BMPImage none = imageOf(pixels, 4, 4, 8);
  none.Pixels = nullptr;
  EXPECT_EQ(SaveBMP(path("out.bmp").c_str(), &none, &none), BMP_ERR_FORMAT);
  EXPECT_EQ(SaveBMP(path("out.bmp").c_str(), nullptr, &none), BMP_ERR_FORMAT);
}

namespace {

// The files in the test's folder, by name.
std::vector<std::string> filesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST_F(SaveTest, FileErrors) {
  Bytes pixels = pattern(12);
  BMPImage image = imageOf(pixels, 2, 2, 24);
  EXPECT_EQ(SaveBMP(path("no/such/dir.bmp").c_str(), &image, &image), BMP_ERR_FILE);
  EXPECT_EQ(SaveBMP(dir_.string().c_str(), &image, &image), BMP_ERR_FILE);
  EXPECT_EQ(SaveBMP(nullptr, &image, &image), BMP_ERR_FILE);
  EXPECT_EQ(SaveBMP(std::string(2000, 'p').c_str(), &image, &image), BMP_ERR_FILE);
  EXPECT_TRUE(std::filesystem::is_directory(dir_));
  EXPECT_TRUE(filesIn(dir_).empty());
}

// A save that cannot finish leaves the old file exactly as it was and no
// partial file beside it: a target that another opener holds (sharing or
// not) or that is read-only cannot be replaced, and a write that fails or
// comes up short at any point of the file (a full disk) never reaches the
// target.
TEST_F(SaveTest, FailedSavesLeaveTheOldFileAndNoFragment) {
  Bytes pixels = pattern(64 * 3 * 2);
  BMPImage image = imageOf(pixels, 64, 2, 24);  // 54 + 2 x 192 = 438 bytes
  const Bytes old = pattern(300);
  struct Case {
    const char* what;
    std::uint32_t holdShare;  // ~0: not held
    bool readOnly;
    std::int64_t writeBudget;
  };
  for (Case c :
       {Case{"held, no sharing", 0, false, -1},
        Case{"held, read shared", FILE_SHARE_READ, false, -1}, Case{"read-only", ~0u, true, -1},
        Case{"nothing written", ~0u, false, 0}, Case{"header cut", ~0u, false, 10},
        Case{"header only", ~0u, false, 54}, Case{"a row short", ~0u, false, 54 + 192},
        Case{"one byte short", ~0u, false, 437}}) {
    writeAll(dir_ / "old.bmp", old);
    if (c.readOnly)
      std::filesystem::permissions(dir_ / "old.bmp", std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::remove);
    HANDLE held = c.holdShare == ~0u ? INVALID_HANDLE_VALUE
                                     : CreateFileA(path("old.bmp").c_str(), GENERIC_READ,
                                                   c.holdShare, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_EQ(held != INVALID_HANDLE_VALUE, c.holdShare != ~0u) << c.what;
    spy::faults().writeBudget = c.writeBudget;
    EXPECT_EQ(SaveBMP(path("old.bmp").c_str(), &image, &image), BMP_ERR_FILE) << c.what;
    spy::faults().writeBudget = -1;
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    EXPECT_EQ(readAll(dir_ / "old.bmp"), old) << c.what;
    EXPECT_EQ(filesIn(dir_), std::vector<std::string>{"old.bmp"}) << c.what;
    std::filesystem::permissions(dir_ / "old.bmp", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
  }

  // Exactly the file's bytes: replaced, with nothing left beside it.
  spy::faults().writeBudget = 438;
  EXPECT_EQ(SaveBMP(path("old.bmp").c_str(), &image, &image), 64);
  EXPECT_EQ(readAll(dir_ / "old.bmp").size(), 438u);
  EXPECT_EQ(filesIn(dir_), std::vector<std::string>{"old.bmp"});
}

// The partial file is made beside the target, exclusively and never over a
// file of its name (one left by a save that was cut off is kept).
TEST_F(SaveTest, PartialFileBesideTheTarget) {
  Bytes pixels = pattern(12);
  BMPImage image = imageOf(pixels, 2, 2, 24);
  writeAll(dir_ / "out.bmp.~0", {'l', 'e', 'f', 't'});
  spy::reset();
  EXPECT_EQ(SaveBMP(path("out.bmp").c_str(), &image, &image), 2);
  EXPECT_EQ(readAll(dir_ / "out.bmp.~0"), (Bytes{'l', 'e', 'f', 't'}));
  EXPECT_EQ(filesIn(dir_), (std::vector<std::string>{"out.bmp", "out.bmp.~0"}));
  ASSERT_EQ(spy::lastCalls().createFile.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const spy::CreateFileArgs& a = spy::lastCalls().createFile[i];
    EXPECT_EQ(a.name, path("out.bmp.~") + std::to_string(i));
    EXPECT_EQ(a.access, GENERIC_WRITE);
    EXPECT_EQ(a.share, 0u) << "no other opener while it is written";
    EXPECT_EQ(a.creation, static_cast<std::uint32_t>(CREATE_NEW));
    EXPECT_EQ(a.flags, 0x08000080u);
  }
  EXPECT_EQ(spy::calls().moveFile, 1);

  // An existing target is held meanwhile, opened as a save always opened it:
  // for writing, with no sharing.
  spy::reset();
  EXPECT_EQ(SaveBMP(path("out.bmp").c_str(), &image, &image), 2);
  ASSERT_EQ(spy::lastCalls().createFile.size(), 3u);
  const spy::CreateFileArgs& held = spy::lastCalls().createFile[0];
  EXPECT_EQ(held.name, path("out.bmp"));
  EXPECT_EQ(held.access, GENERIC_WRITE);
  EXPECT_EQ(held.share, 0u);
  EXPECT_EQ(held.creation, static_cast<std::uint32_t>(OPEN_EXISTING));
}

TEST_F(SaveTest, ResultIsTheSourceWidth) {
  Bytes pixels = pattern(640 * 3);
  BMPImage image = imageOf(pixels, 640, 1, 24);
  EXPECT_EQ(SaveBMP(path("wide.bmp").c_str(), &image, &image), 640);
}

TEST_F(SaveTest, LoadSaveLoadRoundTrips) {
  // 8 and 24 bits keep every byte; 15 bits keeps every word; 16 bits every
  // word whose lowest green bit is clear. Sizes: the vector kernels' steps
  // and their remainders; many rows to each of the saver's 64 KiB writes, the
  // last write part full; rows longer than one write (all but 8 bits), padded.
  struct Size {
    int w, h;
  };
  for (Size size : {Size{37, 5}, Size{1001, 150}, Size{22001, 3}}) {
    for (int bpp : {8, 24, 15, 16}) {
      for (int topDown : {3, 0}) {
        const int w = size.w, h = size.h;
        const std::size_t rowBytes =
            static_cast<std::size_t>(w) * (bpp == 8 ? 1 : (bpp == 24 ? 3 : 2));
        Bytes pixels = pattern(rowBytes * h);
        if (bpp == 15)
          for (std::size_t i = 1; i < pixels.size(); i += 2) pixels[i] &= 0x7F;
        if (bpp == 16)
          for (std::size_t i = 0; i < pixels.size(); i += 2) pixels[i] &= 0xDF;
        BMPImage source = imageOf(pixels, w, h, bpp);
        BMPImage description = source;
        description.BitsPerPixel = bpp == 8 ? 8 : 24;
        ConfigBMP(BMP_CFG_SAVE_TOP_DOWN, topDown);
        ASSERT_EQ(SaveBMP(path("rt.bmp").c_str(), &source, &description), w);
        ConfigBMP(BMP_CFG_TARGET_BPP, bpp);
        BMPImage* back = LoadBMP(path("rt.bmp").c_str());
        ASSERT_EQ(back->Status, BMP_OK);
        ASSERT_TRUE(back->Width == w && back->Height == h) << back->Width << " x " << back->Height;
        // A buffer saved as bottom row first loads upside down.
        Bytes want = pixels;
        if (topDown == 0 && (bpp == 8 || bpp == 24)) {
          for (int row = 0; row < h; ++row)
            std::copy_n(pixels.begin() + (h - 1 - row) * rowBytes, rowBytes,
                        want.begin() + row * rowBytes);
        }
        EXPECT_TRUE(Bytes(back->Pixels, back->Pixels + pixels.size()) == want)
            << bpp << " bits, " << w << " x " << h << ", top down " << topDown;
        if (bpp == 8) EXPECT_EQ(0, std::memcmp(back->Palette, source.Palette, 768));
        UnloadBMP(back);
      }
    }
  }
}

TEST_F(SaveTest, ConvertingSaveWritesInBlocks) {
  Bytes pixels = pattern(64 * 64 * 2);
  BMPImage source = imageOf(pixels, 64, 64, 16);
  BMPImage description = source;
  description.BitsPerPixel = 24;
  EXPECT_EQ(SaveBMP(path("blocks.bmp").c_str(), &source, &description), 64);
  EXPECT_GE(spy::calls().writeFile, 1);  // seen at all
  EXPECT_LE(spy::calls().writeFile, 2);
}
