// A run-length (RLE8) writer of the tests' own, a second writer beside the
// tools that make such files: it encodes a picture of palette indices with
// repeat runs, literal runs padded to whole words, moves over index-0
// stretches, ends of line and an early end of bitmap. It shares no code with
// the codec, which only ever decodes these files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "bmp_builder.h"

namespace testbmp {

struct Rle8 {
  Bytes codes;
  // reached[n]: where a reader stands after the first n bytes of codes, as
  // the offset y * stride + x that the same spot has in the plain file's
  // pixel rows (stride: the plain file's row size).
  std::vector<std::uint64_t> reached;
  int repeats = 0, literals = 0, oddLiterals = 0, moves = 0, movesUp = 0, endsOfLine = 0,
      earlyEnd = 0;
};

// rows: file order (bottom row first), width indices each. Index 0 is the
// background that moves and ends pass over.
inline Rle8 encodeRle8(const std::vector<Bytes>& rows, std::int32_t width) {
  const int height = static_cast<int>(rows.size());
  const std::uint64_t stride = strideOf(8, width);
  Rle8 out;
  int x = 0, y = 0;
  auto spot = [&] {
    return static_cast<std::uint64_t>(y) * stride + static_cast<std::uint64_t>(x);
  };
  out.reached.push_back(0);
  // Appends bytes after which the reader stands where it stood, then the
  // bytes of a code whose last byte takes it to the new spot.
  auto emit = [&](std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) out.codes.push_back(b);
    out.reached.resize(out.codes.size() + 1, out.reached.back());
  };
  auto arrive = [&] { out.reached.back() = spot(); };
  auto at = [&](int xx, int yy) { return rows[yy][xx]; };
  // The first non-zero pixel at or after (fromX, fromY) in file order, or
  // (0, height) when there is none.
  auto nextSet = [&](int fromX, int fromY, int& nx, int& ny) {
    for (ny = fromY, nx = fromX; ny < height; ++ny, nx = 0) {
      for (; nx < width; ++nx) {
        if (at(nx, ny) != 0) return;
      }
    }
    nx = 0;
  };

  while (y < height) {
    int nx = 0, ny = 0;
    nextSet(x, y, nx, ny);
    if (ny == height) {  // nothing but background left
      emit({0, 1});
      ++out.earlyEnd;
      x = 0, y = height;
      arrive();
      break;
    }
    if (ny > y) {  // the rest of this row is background
      if (nx >= x && nx - x <= 255 && ny - y <= 255) {
        emit({0, 2, static_cast<std::uint8_t>(nx - x), static_cast<std::uint8_t>(ny - y)});
        ++out.moves, ++out.movesUp;
        x = nx, y = ny;
      } else {
        emit({0, 0});
        ++out.endsOfLine;
        x = 0, ++y;
      }
      arrive();
      continue;
    }
    if (nx - x >= 3) {  // a stretch of background within the row
      const int skip = std::min(nx - x, 255);
      emit({0, 2, static_cast<std::uint8_t>(skip), 0});
      ++out.moves;
      x += skip;
      arrive();
      continue;
    }
    auto runAt = [&](int from) {
      int n = 1;
      while (from + n < width && n < 255 && at(from + n, y) == at(from, y)) ++n;
      return n;
    };
    const int run = runAt(x);
    if (run >= 3 || x + run == width) {
      emit({static_cast<std::uint8_t>(run), at(x, y)});
      ++out.repeats;
      x += run;
      arrive();
      continue;
    }
    // Literal pixels up to the next run of three or stretch of background.
    int n = 0;
    while (x + n < width && n < 255 && runAt(x + n) < 3 &&
           !(at(x + n, y) == 0 && x + n + 1 < width && at(x + n + 1, y) == 0)) {
      ++n;
    }
    if (n < 3) {  // too short for a literal: runs of one
      for (int k = 0; k < std::max(n, 1); ++k) {
        emit({1, at(x, y)});
        ++out.repeats;
        ++x;
        arrive();
      }
      continue;
    }
    emit({0, static_cast<std::uint8_t>(n)});
    for (int k = 0; k < n; ++k) {
      emit({at(x, y)});
      ++x;
      arrive();
    }
    if (n % 2) {
      emit({0});
      ++out.oddLiterals;
    }
    ++out.literals;
  }
  return out;
}

}  // namespace testbmp
