/* Every public header in one unit, with what a host uses of each: compiled
 * as C and as C++ for both targets by check_sdk.sh. Each export is assigned
 * to its function pointer type, so a type that does not match its export
 * does not compile. */
#include <string.h>

#include "blitkit.h"
#include "imgcodec2.h"
#include "inbridge.h"

int main(void) {
  BMPImage image;
  PFN_ConfigBMP config = ConfigBMP;
  PFN_SetTrueColorPalette palette = SetTrueColorPalette;
  PFN_LoadBMP load = LoadBMP;
  PFN_SaveBMP save = SaveBMP;
  PFN_UnloadBMP unload = UnloadBMP;
  PFN_InitXPlug init = InitXPlug;
  PFN_DeinitXPlug deinit = DeinitXPlug;
  PFN_LoadX loadX = LoadX;
  PFN_SetXPlugParent parent = SetXPlugParent;
  PFN_PlayX play = PlayX;
  PFN_PauseX pause = PauseX;
  PFN_StopX stop = StopX;
  PFN_GetXLength length = GetXLength;
  PFN_GetXOutputTime outputTime = GetXOutputTime;
  PFN_SetXOutputTime seek = SetXOutputTime;
  PFN_SetXVolume volume = SetXVolume;
  PFN_SetXPan pan = SetXPan;
  PFN_GetXPlugCfg getCfg = GetXPlugCfg;
  PFN_SetXPlugCfg setCfg = SetXPlugCfg;
  PFN_DDInit ddInit = DDInit;
  PFN_DDSetGraphicsMode mode = DDSetGraphicsMode;
  PFN_DDCreatePrimarySurface surface = DDCreatePrimarySurface;
  PFN_DDPixelFormatInfo format = DDPixelFormatInfo;
  PFN_DDLockSurface lock = DDLockSurface;
  PFN_DDUnlockSurface unlock = DDUnlockSurface;
  PFN_DDGetSurfacePointer pointer = DDGetSurfacePointer;
  PFN_DDGetSurfacePitch pitch = DDGetSurfacePitch;
  PFN_DDWaitRetrace retrace = DDWaitRetrace;
  PFN_DDGotFocus focus = DDGotFocus;
  PFN_DDClose close = DDClose;
  PFN_DDSetPalette setPalette = DDSetPalette;
  PFN_DDSetColor setColor = DDSetColor;
  PFN_DDGetColor getColor = DDGetColor;
  PFN_DDCopyToSurface copy = DDCopyToSurface;
  PFN_DDCopyToSurfaceMMX copyMmx = DDCopyToSurfaceMMX;
  PFN_PutPixel8 put = PutPixel8;
  PFN_PutPixel8_safe putSafe = PutPixel8_safe;
  const int bound = config && palette && load && save && unload && init && deinit && loadX &&
                    parent && play && pause && stop && length && outputTime && seek && volume &&
                    pan && getCfg && setCfg && ddInit && mode && surface && format && lock &&
                    unlock && pointer && pitch && retrace && focus && close && setPalette &&
                    setColor && getColor && copy && copyMmx && put && putSafe;
  memset(&image, 0, sizeof image);
  image.Status = BMP_OK + BMP_ERR_FILE + BMP_ERR_FORMAT + BMP_ERR_MEMORY;
  return (bound && image.Status == 7 && BMP_CFG_TARGET_BPP == 2 && DROPIN_VERSION >= 0x010000) ? 0
                                                                                               : 1;
}
