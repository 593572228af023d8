// Every file of the public BMP suite and of our own bad corpus, loaded into
// every format. stb_image decodes the same files as an independent oracle.
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <filesystem>
#include <string>
#include <vector>

#include "codec_fixture.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> bmpFiles(const fs::path& root) {
  std::vector<fs::path> files;
  if (!fs::is_directory(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() && entry.path().extension() == ".bmp")
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// What the header says, read here without the codec.
struct Facts {
  std::uint32_t headerSize = 0, compression = 0;
  int bits = 0;
};
Facts factsOf(const std::vector<std::uint8_t>& b) {
  Facts f;
  if (b.size() < 30) return f;
  f.headerSize = b[14] | (b[15] << 8) | (b[16] << 16) | (b[17] << 24);
  f.bits = f.headerSize == 12 ? (b[24] | (b[25] << 8)) : (b[28] | (b[29] << 8));
  if (f.headerSize == 40 && b.size() >= 34) f.compression = b[30] | (b[31] << 8);
  return f;
}

// Files where stb_image is known to be wrong: it paints the last entry of the
// 252-colour OS/2 table of pal8os2sp.bmp black, while the file says white.
bool oracleDisagrees(const std::string& name) {
  return name == "pal8os2sp.bmp";
}

}  // namespace

class CorpusTest : public CodecTest {
 protected:
  void loadEverywhere(const fs::path& file) {
    for (int target : {0, 8, 15, 16, 24}) {
      ConfigBMP(BMP_CFG_TARGET_BPP, target);
      BMPImage* image = LoadBMP(file.string().c_str());
      const int s = image->Status;
      EXPECT_TRUE(s == BMP_OK || s == BMP_ERR_FILE || s == BMP_ERR_FORMAT || s == BMP_ERR_MEMORY)
          << file;
      if (s == BMP_OK) {
        // Touch every byte, so that a short buffer shows under the sanitizers.
        const int bytes = image->BitsPerPixel == 8 ? 1 : (image->BitsPerPixel == 24 ? 3 : 2);
        volatile unsigned sum = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(image->Width) * image->Height * bytes;
             ++i)
          sum += image->Pixels[i];
        UnloadBMP(image);
      }
      EXPECT_EQ(compat::openFileCount(), 0) << file;
    }
  }
};

TEST_F(CorpusTest, SuiteFilesLoadSafelyAndMatchTheOracle) {
  const fs::path suite = BMPSUITE_DIR;
  const auto files = bmpFiles(suite);
  ASSERT_GE(files.size(), 80u) << "the BMP suite is expected at " << suite;
  spy::faults().allocLimit = 256u << 20;
  int compared = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    loadEverywhere(file);
    const auto bytes = readAll(file);
    const Facts f = factsOf(bytes);
    // 8-bit files plain or RLE8, 24-bit ones plain (JPEG and PNG refused).
    // Only plain files have an oracle: stb_image reads no run-length files,
    // which rle8_test.cpp holds against their plain twins instead.
    const bool ours = (f.headerSize == 40 || f.headerSize == 12) &&
                      (f.bits == 8 ? f.compression <= 1
                                   : f.bits == 24 && f.compression != 4 && f.compression != 5);
    const bool plain = ours && f.compression == 0;
    const std::string set = file.parent_path().filename().string();
    const bool oracleSet = (set == "g" || set == "q") && !oracleDisagrees(file.filename().string());
    ConfigBMP(BMP_CFG_TARGET_BPP, 24);
    ConfigBMP(BMP_CFG_RGB_ORDER, 1);
    BMPImage* image = LoadBMP(file.string().c_str());
    ConfigBMP(BMP_CFG_RGB_ORDER, 0);
    const bool good = set == "g";
    if (good) {
      EXPECT_EQ(image->Status == BMP_OK, ours) << "good file of a kind we read must load";
    }
    int w = 0, h = 0, n = 0;
    unsigned char* expected = stbi_load(file.string().c_str(), &w, &h, &n, 3);
    if (plain && oracleSet && image->Status == BMP_OK && expected) {
      EXPECT_EQ(image->Width, w);
      EXPECT_EQ(image->Height, h);
      if (image->Width == w && image->Height == h) {
        const std::size_t size = static_cast<std::size_t>(w) * h * 3;
        std::size_t differ = 0;
        for (std::size_t i = 0; i < size; ++i) differ += image->Pixels[i] != expected[i];
        EXPECT_EQ(differ, 0u) << "bytes that differ from stb_image";
        ++compared;
      }
    }
    if (image->Status == BMP_OK) UnloadBMP(image);
    stbi_image_free(expected);
  }
  EXPECT_GE(compared, 10);
}

TEST_F(CorpusTest, BadCorpusReplays) {
  const auto files = bmpFiles(BAD_CORPUS_DIR);
  ASSERT_FALSE(files.empty());
  spy::faults().allocLimit = 256u << 20;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    loadEverywhere(file);
  }
}
