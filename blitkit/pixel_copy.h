// Rectangle copies into a surface: rowBytes of each source row (rows
// srcStride bytes apart) to destination rows `pitch` bytes apart. Plain memory,
// no platform: the display code hands in the locked surface.
#pragma once

#include <cstddef>
#include <cstdint>

#include "processor_features.h"

namespace blitkit {

using CopyRowsFn = void (*)(std::uint8_t* dst, std::ptrdiff_t pitch, const std::uint8_t* src,
                            std::size_t srcStride, std::size_t rowBytes, std::size_t rows);

// Each row as 4-byte words, then the 0 to 3 bytes left over.
void copyRows4(std::uint8_t* dst, std::ptrdiff_t pitch, const std::uint8_t* src,
               std::size_t srcStride, std::size_t rowBytes, std::size_t rows);
// Each row as 8-byte blocks through the MMX registers (emptied once at the
// end), then the 0 to 7 bytes left over.
void copyRows8(std::uint8_t* dst, std::ptrdiff_t pitch, const std::uint8_t* src,
               std::size_t srcStride, std::size_t rowBytes, std::size_t rows);
// The same, asking for the source ahead of the moves (SSE's prefetch hint).
void copyRows8Prefetch(std::uint8_t* dst, std::ptrdiff_t pitch, const std::uint8_t* src,
                       std::size_t srcStride, std::size_t rowBytes, std::size_t rows);

// The copies of DDCopyToSurface and DDCopyToSurfaceMMX for a set of
// processor features: the 8-byte moves with prefetch hints where the
// processor takes them, and as 4-byte words where it has no MMX.
struct CopyKernels {
  CopyRowsFn words4, blocks8;
};
const CopyKernels& copyKernelsFor(const processor::Features& features);
inline const CopyKernels& copyKernels() {
  return copyKernelsFor(processor::processorFeatures());
}

// Byte by byte: what both must leave.
void copyRowsReference(std::uint8_t* dst, std::ptrdiff_t pitch, const std::uint8_t* src,
                       std::size_t srcStride, std::size_t rowBytes, std::size_t rows);

// A locked surface as its lock describes it.
struct SurfaceExtent {
  std::int64_t pitch = 0;      // bytes from a row to the next; negative: rows go up in memory
  std::uint64_t rowBytes = 0;  // bytes of each row that belong to the surface, <= |pitch|
  std::uint32_t rows = 0;
};

// The part of a width x height rectangle at (x, y), of bytesPerPixel-byte
// pixels, that lies inside the surface: every byte it covers lies within the
// first rowBytes of its row, and within the rows of the surface.
struct ClippedRect {
  std::ptrdiff_t dstOffset = 0;  // bytes from the surface address (row 0)
  std::size_t srcOffset = 0;     // bytes from the source start
  std::size_t rowBytes = 0;      // bytes copied per row
  std::size_t srcStride = 0;     // bytes per source row (the full width)
  std::size_t rows = 0;
};
// Nothing to copy (rows or rowBytes 0) when the rectangle misses the surface,
// width or height is 0 or less, bytesPerPixel is 0 or the pitch is 0.
ClippedRect clipRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     std::uint32_t bytesPerPixel, const SurfaceExtent& surface);

// A row at a time, with the source stride of a clipped rectangle.
void copyRect(bool eightByteMoves, std::uint8_t* surface, std::ptrdiff_t pitch,
              const std::uint8_t* source, const ClippedRect& r);

// PutPixel8: the low byte of colour at buffer + y * width + x. The checked
// variant drops pixels outside 0 <= x < width, 0 <= y < height.
inline void putPixel8(std::uint8_t* buffer, std::int32_t width, std::int32_t x, std::int32_t y,
                      std::int32_t colour) {
  buffer[static_cast<std::ptrdiff_t>(y) * width + x] = static_cast<std::uint8_t>(colour);
}
inline void putPixel8Checked(std::uint8_t* buffer, std::int32_t width, std::int32_t height,
                             std::int32_t x, std::int32_t y, std::int32_t colour) {
  if (x < 0 || x >= width || y < 0 || y >= height) return;
  putPixel8(buffer, width, x, y, colour);
}

}  // namespace blitkit
