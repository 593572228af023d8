// The 256-colour palette and the pixel transfers.
#include "blitkit.h"
#include "display_state.h"
#include "pixel_copy.h"

using blitkit::DisplayState;
using blitkit::state;

namespace {

// The pixel size of a lock's own format; 0 when the lock did not say.
std::uint32_t lockedPixelBytes(const DDSURFACEDESC& d) {
  if (!(d.dwFlags & DDSD_PIXELFORMAT)) return 0;
  return blitkit::pixelBytes(d.ddpfPixelFormat.dwRGBBitCount);
}

void copyToSurface(bool eightByteMoves, int32_t x, int32_t y, const void* source, int32_t width,
                   int32_t height) {
  DisplayState& s = state();
  const DDSURFACEDESC& d = s.surfaceDesc;
  if (!s.locked || !source || !d.lpSurface) return;
  // The guard holds against the surface as locked, whatever the host did with
  // modes since: rows of pixels of another size (a mode changed after the
  // lock, or none set since DDInit) would not line up with the surface's, so
  // nothing is written then.
  const std::uint32_t lockedBytes = lockedPixelBytes(d);
  if (lockedBytes != 0 && lockedBytes != s.bytesPerPixel) return;
  if (!(d.dwFlags & DDSD_HEIGHT)) return;
  blitkit::SurfaceExtent surface;
  surface.pitch = d.lPitch;
  surface.rows = d.dwHeight;
  // Without a width the row is its pitch, which clipRect keeps to anyway.
  surface.rowBytes = (d.dwFlags & DDSD_WIDTH)
                         ? static_cast<std::uint64_t>(d.dwWidth) * s.bytesPerPixel
                         : UINT64_MAX;
  const blitkit::ClippedRect r = blitkit::clipRect(x, y, width, height, s.bytesPerPixel, surface);
  blitkit::copyRect(eightByteMoves, static_cast<std::uint8_t*>(d.lpSurface), d.lPitch,
                    static_cast<const std::uint8_t*>(source), r);
}

// Indexes outside the palette do nothing: DirectDraw itself does not always
// refuse them (Wine stores entry 256 over the palette).
bool paletteIndex(int32_t index) {
  return index >= 0 && index <= 255;
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
  if (s.palette && entry && paletteIndex(index))
    s.palette->SetEntries(0, static_cast<DWORD>(index), 1, static_cast<PALETTEENTRY*>(entry));
}

extern "C" void BLITKIT_API DDGetColor(int32_t index, void* entry) {
  DisplayState& s = state();
  if (s.palette && entry && paletteIndex(index))
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
