// The demo's own drawing on a locked surface: pixel values for the surface's
// format and filled rectangles. Plain memory only, clipped to the surface.
#pragma once

#include <cstdint>

namespace demo {

struct SurfaceFormat {
  int bytesPerPixel;                           // 1 to 4
  std::uint32_t redMask, greenMask, blueMask;  // 0 for a palette display
  const unsigned char* palette;                // 256 red, green, blue triples there
};

struct Surface {
  unsigned char* base;
  int pitch;
  int width, height;
  SurfaceFormat format;
};

// The 6 x 6 x 6 colour cube (indices 0 to 215) followed by 40 greys, as 256
// red, green, blue triples: the palette pictures are matched to on 8-bit
// displays.
void cubePalette(unsigned char out[768]);

// The pixel value for red, green, blue: packed through the masks, or the
// index of the nearest palette entry on a palette display.
std::uint32_t pixelValue(const SurfaceFormat& format, int red, int green, int blue);

void fillRect(const Surface& surface, int x, int y, int width, int height, std::uint32_t value);

// A bar of width x height at (x, y): a frame, filled for done / total of it.
void drawProgress(const Surface& surface, int x, int y, int width, int height, long long done,
                  long long total);

}  // namespace demo
