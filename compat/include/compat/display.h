// The in-memory display behind the stand-in's DirectDraw: its mode, how its
// surfaces store their rows, the memory of the newest primary surface, and
// the objects alive.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "compat/ddraw.h"

namespace compat {

// The memory of a surface between canary bytes, which show any write that
// strays past either end (the MMX copy's writes are invisible to ASan).
struct SurfaceMemory {
  static constexpr std::size_t kGuard = 4096;
  static constexpr std::uint8_t kCanary = 0xA5;
  std::vector<std::uint8_t> block;  // guard, the rows, guard
  std::size_t bytes = 0;            // of the rows

  explicit SurfaceMemory(std::size_t rowsBytes)
      : block(rowsBytes + 2 * kGuard, kCanary), bytes(rowsBytes) {
    std::fill(begin(), end(), std::uint8_t{0});
  }
  // The rows from their lowest address on.
  std::uint8_t* data() { return block.data() + kGuard; }
  const std::uint8_t* data() const { return block.data() + kGuard; }
  std::uint8_t* begin() { return data(); }
  std::uint8_t* end() { return data() + bytes; }
  const std::uint8_t* begin() const { return data(); }
  const std::uint8_t* end() const { return data() + bytes; }
  std::uint8_t& operator[](std::size_t i) { return data()[i]; }
  std::uint8_t operator[](std::size_t i) const { return data()[i]; }
  bool guardsIntact() const {
    for (std::size_t i = 0; i < kGuard; ++i)
      if (block[i] != kCanary || block[kGuard + bytes + i] != kCanary) return false;
    return true;
  }
};

struct Display {
  // The display mode; the primary surface is made in the mode current when
  // it is created, with a pitch 32 bytes wider than a row. A mode change
  // loses every surface made before it, for good: Restore then answers
  // DDERR_WRONGMODE, as on Windows.
  DWORD width = 1024, height = 768, bpp = 32;
  int modeChanges = 0;
  // Surfaces made from now on store their rows going up: a negative pitch,
  // and the surface address at the last row in memory.
  bool bottomUp = false;
  // DirectDraw objects, surfaces and palettes not released yet.
  int liveObjects = 0;
  // The memory of the newest primary surface, and the pitch its locks report.
  SurfaceMemory* surfaceMemory = nullptr;
  LONG surfacePitch = 0;
};

Display& display();
// The desktop's mode and rows going down again; the objects alive stay counted.
void resetDisplay();

}  // namespace compat
