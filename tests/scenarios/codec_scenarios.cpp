#include "codec_scenarios.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "scenario_files.h"

namespace {

const char* const kInputs[] = {
    "g/pal8.bmp",         "g/pal8os2.bmp",        "g/pal8topdown.bmp",     "g/pal8w125.bmp",
    "g/pal8w126.bmp",     "g/pal8-0.bmp",         "g/pal8nonsquare.bmp",   "g/pal8rle.bmp",
    "g/rgb24.bmp",        "g/pal4.bmp",           "g/rgb32.bmp",           "q/pal8offs.bmp",
    "q/pal8os2sp.bmp",    "q/rgb24largepal.bmp",  "q/pal8oversizepal.bmp", "q/rgb24jpeg.bmp",
    "b/shortfile.bmp",    "b/badbitcount.bmp",    "b/reallybig.bmp",       "b/badheadersize.bmp",
    "b/pal8badindex.bmp", "b/badpalettesize.bmp", "q/pal8rletrns.bmp",     "q/pal8rlecut.bmp",
    "b/badrle.bmp",       "b/badrlebis.bmp",      "b/badrleter.bmp",       "b/rletopdown.bmp"};

void putLe32(std::vector<unsigned char>& out, int32_t v) {
  for (int k = 0; k < 4; ++k)
    out.push_back(static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * k)));
}

std::string flatName(const char* input) {
  std::string name = input;
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return name;
}

}  // namespace

int runCodecScenarios(const CodecApi& api, const std::string& suiteDir, const std::string& outDir,
                      char sep) {
  unsigned char cube[768];
  for (int i = 0; i < 256; ++i) {
    cube[3 * i] = static_cast<unsigned char>((i & 7) * 36);
    cube[3 * i + 1] = static_cast<unsigned char>(((i >> 3) & 7) * 36);
    cube[3 * i + 2] = static_cast<unsigned char>((i >> 6) * 85);
  }
  api.SetTrueColorPalette(cube);
  int written = 0;
  for (const char* input : kInputs) {
    std::string path = suiteDir + sep + input;
    for (char& c : path) {
      if (c == '/' || c == '\\') c = sep;
    }
    for (int target : {0, 8, 15, 16, 24}) {
      for (int order : {0, 1}) {
        api.ConfigBMP(BMP_CFG_TARGET_BPP, target);
        api.ConfigBMP(BMP_CFG_RGB_ORDER, order);
        api.ConfigBMP(BMP_CFG_SAVE_TOP_DOWN, order ? 0 : 3);
        BMPImage* image = api.LoadBMP(path.c_str());
        std::vector<unsigned char> dump;
        putLe32(dump, image->Status);
        const std::string stem = outDir + sep + flatName(input) + ".t" + std::to_string(target) +
                                 ".o" + std::to_string(order);
        if (image->Status == BMP_OK) {
          putLe32(dump, image->Width);
          putLe32(dump, image->Height);
          putLe32(dump, image->BitsPerPixel);
          const int bytes = image->BitsPerPixel == 8 ? 1 : (image->BitsPerPixel == 24 ? 3 : 2);
          dump.insert(dump.end(), image->Pixels,
                      image->Pixels + static_cast<size_t>(image->Width) * image->Height * bytes);
          dump.insert(dump.end(), image->Palette, image->Palette + 768);
          BMPImage description = *image;
          if (description.BitsPerPixel != 8) description.BitsPerPixel = 24;
          int32_t saved = api.SaveBMP((stem + ".saved.bmp").c_str(), image, &description);
          putLe32(dump, saved);
          api.UnloadBMP(image);
          written++;
        }
        written += writeAll(stem + ".raw", dump) ? 1 : 0;
      }
    }
  }
  api.ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  api.ConfigBMP(BMP_CFG_RGB_ORDER, 0);
  api.ConfigBMP(BMP_CFG_SAVE_TOP_DOWN, 3);
  return written;
}
