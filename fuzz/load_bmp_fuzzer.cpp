// libFuzzer target: LoadBMP (and SaveBMP of what it loaded) on any bytes.
// The first byte picks the options; the rest is the file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "imgcodec2.h"
#include "win32_spy.h"

namespace {

const std::string& scratch(const char* what) {
  static const std::string in = "/dev/shm/load_bmp_fuzzer." + std::to_string(getpid()) + ".in.bmp";
  static const std::string out =
      "/dev/shm/load_bmp_fuzzer." + std::to_string(getpid()) + ".out.bmp";
  return what[0] == 'i' ? in : out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const int targets[] = {0, 8, 15, 16, 24, 0, 8, 24};
  spy::faults().allocLimit = 4u << 20;  // keeps absurd sizes from slowing the fuzzer down
  ConfigBMP(BMP_CFG_TARGET_BPP, targets[data[0] & 7]);
  ConfigBMP(BMP_CFG_RGB_ORDER, (data[0] >> 3) & 1);
  ConfigBMP(BMP_CFG_SAVE_TOP_DOWN, (data[0] >> 4) & 1);
  unsigned char palette[768];
  for (int i = 0; i < 768; ++i) palette[i] = static_cast<unsigned char>(i * 29 + data[0]);
  SetTrueColorPalette(palette);

  FILE* f = std::fopen(scratch("in").c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);

  BMPImage* image = LoadBMP(scratch("in").c_str());
  if (image->Status == BMP_OK) {
    const int bytes = image->BitsPerPixel == 8 ? 1 : (image->BitsPerPixel == 24 ? 3 : 2);
    unsigned sum = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(image->Width) * image->Height * bytes; ++i)
      sum += image->Pixels[i];
    BMPImage description = *image;
    if (description.BitsPerPixel != 8) description.BitsPerPixel = 24;
    if (static_cast<std::size_t>(image->Width) * image->Height <= (1u << 16))
      SaveBMP(scratch("out").c_str(), image, &description);
    UnloadBMP(image);
    if (sum == 0xFFFFFFFFu) std::fputc(0, stderr);
  }
  return 0;
}
