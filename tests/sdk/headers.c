/* Every public header in one unit, with what a host uses of each: compiled
 * as C and as C++ for both targets by check_sdk.sh. */
#include <string.h>

#include "blitkit.h"
#include "imgcodec2.h"
#include "inbridge.h"

typedef BMPImage*(IMGCODEC2_API* LoadFn)(const char*);
typedef int32_t(INBRIDGE_API* InitFn)(const char*);
typedef int32_t(BLITKIT_API* LockFn)(void);

int main(void) {
  BMPImage image;
  LoadFn load = LoadBMP;
  InitFn init = InitXPlug;
  LockFn lock = DDLockSurface;
  memset(&image, 0, sizeof image);
  image.Status = BMP_OK + BMP_ERR_FILE + BMP_ERR_FORMAT + BMP_ERR_MEMORY;
  return (load && init && lock && image.Status == 7 && BMP_CFG_TARGET_BPP == 2) ? 0 : 1;
}
