// bmp_convert IN OUT BITS: loads IN into a BITS-bit buffer (8, 15, 16, 24)
// and saves it to OUT (8-bit buffers as 8-bit files, others as 24-bit).
#include <cstdio>
#include <cstdlib>

#include "imgcodec2.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s IN OUT BITS\n", argv[0]);
    return 2;
  }
  ConfigBMP(BMP_CFG_TARGET_BPP, std::atoi(argv[3]));
  BMPImage* image = LoadBMP(argv[1]);
  if (image->Status != BMP_OK) {
    std::fprintf(stderr, "%s: load failed with status %d\n", argv[1], image->Status);
    return 1;
  }
  BMPImage description = *image;
  if (description.BitsPerPixel != 8) description.BitsPerPixel = 24;
  const int32_t saved = SaveBMP(argv[2], image, &description);
  std::printf("%s: %dx%d loaded as %d bits; saved %s (result %d)\n", argv[1], image->Width,
              image->Height, image->BitsPerPixel, argv[2], saved);
  UnloadBMP(image);
  return saved == image->Width ? 0 : 1;
}
