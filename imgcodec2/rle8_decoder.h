// Run-length encoded 8-bit pixels (RLE8). The codes are pairs of bytes: a
// count of 1 to 255 and an index (a run of one colour), or 0 and a code:
// 0 end of line, 1 end of bitmap, 2 a move right and up by the next two bytes,
// 3 to 255 that many indices as they are, padded to a whole 16-bit word.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "bmp_header.h"
#include "buffered_reader.h"

namespace imgcodec2 {

// Decodes the codes from in into pixels, the zero-filled top-down buffer of a
// bottom-up picture; convert(indices, dst, n) writes n pixels of the output
// format. Pixels that the position passes without a code setting them (moves,
// ends of line, the end of the bitmap) hold index 0, as they would in the
// same picture stored uncompressed. Runs and moves are clipped to the
// picture. Codes that end early, before the end of the bitmap, leave the
// pixels from the position reached on 0, as a cut plain file leaves them.
template <class Convert>
void decodeRle8(BufferedReader& in, const BmpLayout& layout, std::uint8_t* pixels,
                Convert convert) {
  const std::uint32_t width = layout.width;
  const std::uint32_t height = layout.height;
  const std::size_t pixelBytes = layout.outputBytesPerPixel;
  auto at = [&](std::uint32_t x, std::uint32_t y) {
    const std::size_t row = height - 1 - y;  // run-length files are bottom-up
    return pixels + (row * width + x) * pixelBytes;
  };
  const std::uint8_t zeros[255] = {};
  std::uint8_t run[255];
  auto put = [&](const std::uint8_t* indices, std::uint32_t x, std::uint32_t y, std::uint32_t n) {
    if (n > 0) convert(indices, at(x, y), n);
  };
  auto passOver = [&](std::uint32_t x, std::uint32_t y, std::uint32_t n) {
    for (std::uint32_t step; n > 0; x += step, n -= step) {
      step = std::min<std::uint32_t>(n, sizeof zeros);
      put(zeros, x, y, step);
    }
  };

  // The position moves on in file order only (rightwards, then upwards), so
  // what lies behind it and was not set was passed over: index 0.
  std::uint32_t x = 0, y = 0;
  auto moveTo = [&](std::uint32_t toX, std::uint32_t toY) {
    for (; y < toY; ++y, x = 0) passOver(x, y, width - x);
    if (y < height) passOver(x, y, toX - x);
    x = toX;
  };

  while (y < height) {
    if (in.fill(2) < 2) return;
    const std::uint8_t count = in.data()[0];
    const std::uint8_t code = in.data()[1];
    in.consume(2);
    if (count > 0) {
      const std::uint32_t n = std::min<std::uint32_t>(count, width - x);
      std::memset(run, code, n);
      put(run, x, y, n);
      x += n;
    } else if (code == 0) {
      moveTo(0, y + 1);
    } else if (code == 1) {
      moveTo(0, height);
    } else if (code == 2) {
      if (in.fill(2) < 2) return;
      const std::uint32_t toY = std::min<std::uint32_t>(y + in.data()[1], height);
      const std::uint32_t toX =
          toY == height ? 0 : std::min<std::uint32_t>(x + in.data()[0], width);
      in.consume(2);
      moveTo(toX, toY);
    } else {
      const std::size_t stored = code + (code & 1);
      const std::size_t got = std::min(in.fill(stored), stored);
      const std::uint32_t n = std::min<std::uint32_t>(std::min<std::size_t>(got, code), width - x);
      put(in.data(), x, y, n);
      x += n;
      in.consume(got);
    }
  }
}

}  // namespace imgcodec2
