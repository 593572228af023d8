// The options and the reference palette as the library starts with them. A
// process of its own, with no fixture setting them first: the other suites
// put them back to these values before every test, so could not tell.
#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "imgcodec2.h"
#include "temp_files.h"

using testbmp::Bytes;

TEST(FreshLibrary, SavesTopRowFirstAndMatchesAnAllBlackPalette) {
  const auto dir = testfs::scratchDir();
  // BMP_CFG_SAVE_TOP_DOWN starts non-zero: the buffer's first row is the top,
  // so it is the file's last row.
  unsigned char rows[2] = {1, 2};
  BMPImage image{};
  image.Pixels = rows;
  image.Width = 1;
  image.Height = 2;
  image.BitsPerPixel = 8;
  ASSERT_EQ(SaveBMP((dir / "two.bmp").string().c_str(), &image, &image), 1);
  const Bytes file = testfs::readFile(dir / "two.bmp");
  ASSERT_EQ(file.size(), 1078u + 8);
  EXPECT_EQ(file[1078], 2) << "bottom row first";
  EXPECT_EQ(file[1082], 1);

  // Every reference entry starts black: 24-bit pixels of any colour become
  // index 0 when loaded to 8 bits.
  testbmp::Spec s;
  s.width = 4;
  s.height = 1;
  s.rows = {{0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255}};
  testfs::writeFile(dir / "colours.bmp", testbmp::build(s));
  ConfigBMP(BMP_CFG_TARGET_BPP, 8);
  BMPImage* loaded = LoadBMP((dir / "colours.bmp").string().c_str());
  ASSERT_EQ(loaded->Status, BMP_OK);
  EXPECT_EQ(Bytes(loaded->Pixels, loaded->Pixels + 4), (Bytes{0, 0, 0, 0}));
  UnloadBMP(loaded);
}
