#include "drawing.h"

#include <cstring>

namespace demo {

namespace {

std::uint32_t nearestEntry(const unsigned char* palette, int red, int green, int blue) {
  std::uint32_t best = 0;
  int bestDistance = 1 << 30;
  for (int i = 0; palette && i < 256; ++i) {
    const int dr = palette[3 * i] - red, dg = palette[3 * i + 1] - green,
              db = palette[3 * i + 2] - blue;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = static_cast<std::uint32_t>(i);
    }
  }
  return best;
}

std::uint32_t scaleToMask(int component, std::uint32_t mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  const std::uint32_t top = mask >> shift;
  return ((static_cast<std::uint32_t>(component) * top + 127) / 255) << shift;
}

}  // namespace

void cubePalette(unsigned char out[768]) {
  for (int i = 0; i < 216; ++i) {
    out[3 * i] = static_cast<unsigned char>(i / 36 * 51);
    out[3 * i + 1] = static_cast<unsigned char>(i / 6 % 6 * 51);
    out[3 * i + 2] = static_cast<unsigned char>(i % 6 * 51);
  }
  for (int i = 216; i < 256; ++i) {
    const auto grey = static_cast<unsigned char>((i - 216) * 255 / 39);
    out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = grey;
  }
}

std::uint32_t pixelValue(const SurfaceFormat& format, int red, int green, int blue) {
  if (format.bytesPerPixel == 1) {
    return nearestEntry(format.palette, red, green, blue);
  }
  return scaleToMask(red, format.redMask) | scaleToMask(green, format.greenMask) |
         scaleToMask(blue, format.blueMask);
}

void fillRect(const Surface& surface, int x, int y, int width, int height, std::uint32_t value) {
  const int left = x < 0 ? 0 : x, top = y < 0 ? 0 : y;
  const int right = x + width > surface.width ? surface.width : x + width;
  const int bottom = y + height > surface.height ? surface.height : y + height;
  const int bytes = surface.format.bytesPerPixel;
  unsigned char pixel[4];
  for (int k = 0; k < 4; ++k) pixel[k] = static_cast<unsigned char>(value >> (8 * k));
  for (int row = top; row < bottom; ++row) {
    unsigned char* p = surface.base + static_cast<long long>(row) * surface.pitch + left * bytes;
    for (int col = left; col < right; ++col, p += bytes) std::memcpy(p, pixel, bytes);
  }
}

void drawProgress(const Surface& surface, int x, int y, int width, int height, long long done,
                  long long total) {
  const std::uint32_t frame = pixelValue(surface.format, 255, 255, 255);
  const std::uint32_t bar = pixelValue(surface.format, 0, 204, 102);
  const std::uint32_t empty = pixelValue(surface.format, 0, 0, 0);
  fillRect(surface, x, y, width, height, frame);
  fillRect(surface, x + 2, y + 2, width - 4, height - 4, empty);
  if (total <= 0) return;
  if (done > total) done = total;
  if (done < 0) done = 0;
  fillRect(surface, x + 3, y + 3, static_cast<int>((width - 6) * done / total), height - 6, bar);
}

}  // namespace demo
