// Nearest colour in a 256-entry reference palette, by squared distance; ties
// go to the lowest index. `findLinear` is the plain scan that defines the
// answer; `NearestColor` gives the same answers from a cache of candidate
// lists per cube of colour space, built on first use: the entries that can
// be nearest to some colour of the cube, ordered by their distance to it.
#pragma once

#include <cstdint>

namespace imgcodec2 {

struct PaletteEntry {
  std::int32_t red, green, blue;
};

struct TrueColorPalette {
  PaletteEntry entries[256];
};

std::uint8_t findLinear(const TrueColorPalette& palette, unsigned r, unsigned g, unsigned b);

class NearestColor {
 public:
  // Drops every cached answer; call whenever the palette changes.
  void reset(const TrueColorPalette& palette);
  std::uint8_t find(unsigned r, unsigned g, unsigned b);

 private:
  static constexpr unsigned kCellShift = 3;  // cubes of 8 x 8 x 8 colours
  static constexpr unsigned kCellsPerAxis = 256 >> kCellShift;
  static constexpr unsigned kCells = kCellsPerAxis * kCellsPerAxis * kCellsPerAxis;
  static constexpr unsigned kPoolEntries = 1u << 20;

  std::uint32_t buildCell(unsigned cell, unsigned r, unsigned g, unsigned b);

  TrueColorPalette palette_{};
  // Per cell: candidates start at pool_[cellStart_[cell] - 1]; 0 = not built.
  std::uint32_t cellStart_[kCells] = {};
  std::uint16_t cellCount_[kCells] = {};
  std::uint8_t poolIndex_[kPoolEntries] = {};
  std::int32_t poolNear_[kPoolEntries] = {};  // squared distance from the cube
  std::uint32_t poolUsed_ = 0;
  std::uint32_t lastColour_ = 0xFFFFFFFFu;
  std::uint8_t lastIndex_ = 0;
};

}  // namespace imgcodec2
