// The 256-colour palette and the pixel transfers.
#include "blitkit.h"
#include "display_state.h"
#include "pixel_copy.h"

using blitkit::DisplayState;
using blitkit::state;

namespace {

void copyToSurface(bool eightByteMoves, int32_t x, int32_t y, const void* source, int32_t width,
                   int32_t height) {
  DisplayState& s = state();
  if (!s.locked || !source || !s.surfaceDesc.lpSurface) return;
  // Clipped to the locked surface: nothing is ever written outside it.
  const blitkit::ClippedRect r =
      blitkit::clipRect(x, y, width, height, s.bytesPerPixel, s.surfaceDesc.lPitch,
                        s.surfaceDesc.dwWidth, s.surfaceDesc.dwHeight);
  blitkit::copyRect(eightByteMoves, static_cast<std::uint8_t*>(s.surfaceDesc.lpSurface),
                    s.surfaceDesc.lPitch, static_cast<const std::uint8_t*>(source), r);
}

}  // namespace

extern "C" void BLITKIT_API DDSetPalette(void* entries) {
  DisplayState& s = state();
  if (!s.directDraw || !s.primarySurface || !entries) return;
  IDirectDrawPalette* created = nullptr;
  if (s.directDraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256,
                                  static_cast<PALETTEENTRY*>(entries), &created,
                                  nullptr) != DD_OK) {
    return;
  }
  s.primarySurface->SetPalette(created);
  // The surface keeps its own reference; the palette it replaced is let go.
  if (s.palette) s.palette->Release();
  s.palette = created;
}

extern "C" void BLITKIT_API DDSetColor(int32_t index, void* entry) {
  DisplayState& s = state();
  if (s.palette && entry)
    s.palette->SetEntries(0, static_cast<DWORD>(index), 1, static_cast<PALETTEENTRY*>(entry));
}

extern "C" void BLITKIT_API DDGetColor(int32_t index, void* entry) {
  DisplayState& s = state();
  if (s.palette && entry)
    s.palette->GetEntries(0, static_cast<DWORD>(index), 1, static_cast<PALETTEENTRY*>(entry));
}

extern "C" void BLITKIT_API DDCopyToSurface(int32_t x, int32_t y, const void* source, int32_t width,
                                            int32_t height) {
  copyToSurface(false, x, y, source, width, height);
}

extern "C" void BLITKIT_API DDCopyToSurfaceMMX(int32_t x, int32_t y, const void* source,
                                               int32_t width, int32_t height) {
  copyToSurface(true, x, y, source, width, height);
}

extern "C" void BLITKIT_API PutPixel8(void* buffer, int32_t width, int32_t, int32_t x, int32_t y,
                                      int32_t colour) {
  blitkit::putPixel8(static_cast<std::uint8_t*>(buffer), width, x, y, colour);
}

extern "C" void BLITKIT_API PutPixel8_safe(void* buffer, int32_t width, int32_t height, int32_t x,
                                           int32_t y, int32_t colour) {
  blitkit::putPixel8Checked(static_cast<std::uint8_t*>(buffer), width, height, x, y, colour);
}
