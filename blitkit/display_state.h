// The module state of blitkit: one full-screen display per process.
#pragma once

#include <cstdint>

#include "compat/ddraw.h"

namespace blitkit {

struct DisplayState {
  std::int32_t modeSet;         // a DDSetGraphicsMode has succeeded; never cleared
  std::uint32_t bytesPerPixel;  // of the mode last set: pixelBytes of its bits
  IDirectDraw* directDraw;
  IDirectDrawSurface* primarySurface;
  IDirectDrawPalette* palette;
  DDSURFACEDESC surfaceDesc;  // describes the surface to create, then each lock
  DDPIXELFORMAT pixelFormat;
  std::int32_t locked;  // a lock succeeded and no unlock followed
};

DisplayState& state();

// Bytes of a pixel of bits bits per pixel: 15-bit pixels count two.
inline std::uint32_t pixelBytes(std::uint32_t bits) {
  return (bits + 1) >> 3;
}

// Shows one of the display's failure messages: caption "Error", no owner, OK.
void showError(const char* text);

#ifdef _WIN32
static_assert(sizeof(DDSURFACEDESC) == 108, "DDSURFACEDESC of the first interface version");
static_assert(sizeof(DDPIXELFORMAT) == 32, "DDPIXELFORMAT");
static_assert(sizeof(PALETTEENTRY) == 4, "PALETTEENTRY");
#endif

}  // namespace blitkit
