/* A plain C host linked against the SDK's import libraries, run under Wine
 * next to the DLLs: each library's exports reached through the import
 * tables, with results that need no display, sound or message box.
 *   sdk_c_host SAMPLE_BMP OUT_BMP */
#include <stdio.h>
#include <string.h>

#include "blitkit.h"
#include "imgcodec2.h"
#include "inbridge.h"

static int failed, passed;

static void check(int ok, const char* what) {
  if (ok) {
    passed++;
  } else {
    failed++;
    printf("c host: FAILED %s\n", what);
  }
}

int main(int argc, char** argv) {
  BMPImage* image;
  BMPImage copy;
  unsigned char pixels[4 * 3];
  int window = 0;
  if (argc < 3) return 2;

  ConfigBMP(BMP_CFG_TARGET_BPP, 16);
  image = LoadBMP(argv[1]);
  ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  check(image->Status == BMP_OK && image->Width == 160 && image->Height == 120,
        "LoadBMP of the sample");
  check(image->BitsPerPixel == 16 && image->Memory != NULL, "the 16-bit buffer");
  copy = *image;
  copy.BitsPerPixel = 24;
  check(SaveBMP(argv[2], image, &copy) == 160, "SaveBMP returns the width");
  UnloadBMP(image);
  check(LoadBMP(argv[2])->Status == BMP_OK && image->BitsPerPixel == 24,
        "the saved file loads as 24 bits");
  UnloadBMP(image);
  check(LoadBMP("no such file.bmp")->Status == BMP_ERR_FILE, "a missing file");

  check(DDLockSurface() == 1 && DDGetSurfacePointer() == NULL, "blitkit before DDInit");
  memset(pixels, 0, sizeof pixels);
  PutPixel8_safe(pixels, 4, 3, 3, 2, 0x1AB);
  PutPixel8_safe(pixels, 4, 3, 4, 0, 0x77);
  PutPixel8_safe(pixels, 4, 3, -1, 1, 0x77);
  check(pixels[11] == 0xAB && pixels[4] == 0 && pixels[3] == 0, "PutPixel8_safe");
  DDClose();

  check(LoadX() == 1, "LoadX");
  check(SetXPlugParent(&window) == &window, "SetXPlugParent");
  check(PlayX("nothing loaded.wav") == 1 && GetXLength() == 0 && PauseX() == 0,
        "inbridge with nothing loaded");
  DeinitXPlug(1);

  printf("c host: %d passed, %d failed\n", passed, failed);
  return failed ? 1 : 0;
}
