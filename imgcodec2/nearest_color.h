// Nearest colour in a 256-entry reference palette, by squared distance; ties
// go to the lowest index. `findLinear` is the plain scan that defines the
// answer; `NearestColor` gives the same answers from cached candidate lists
// per cube of colour space, built on first use: the entries that can be
// nearest to some colour of the cube, ordered by their distance to it.
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
  // Coarse cubes of 16^3 colours list their candidates among all entries;
  // fine cubes of 8^3 colours pick theirs from the coarse cube around them.
  static constexpr unsigned kCoarseShift = 4;
  static constexpr unsigned kFineShift = 3;
  static constexpr unsigned kCoarseCells = 1u << (3 * (8 - kCoarseShift));
  static constexpr unsigned kFineCells = 1u << (3 * (8 - kFineShift));
  static constexpr unsigned kFinePoolEntries = 1u << 19;
  static constexpr unsigned kUnrolled = 4;

  // One candidate in 8 bytes, so that the few a search looks at share a
  // cache line.
  struct Candidate {
    std::int32_t nearSq;  // squared distance from the cube
    std::uint8_t red, green, blue, index;
  };

  const std::uint8_t* coarseList(unsigned r, unsigned g, unsigned b, unsigned& count);
  std::uint32_t buildFine(unsigned cell, unsigned r, unsigned g, unsigned b);

  TrueColorPalette palette_{};
  // Per cell, 1 + where its list starts in the pool; 0 = not built yet.
  std::uint32_t coarseStart_[kCoarseCells] = {};
  std::uint16_t coarseCount_[kCoarseCells] = {};
  std::uint8_t coarsePool_[kCoarseCells * 256] = {};  // never overflows
  std::uint32_t coarseUsed_ = 0;
  std::uint32_t fineStart_[kFineCells] = {};
  std::uint16_t fineCount_[kFineCells] = {};
  Candidate finePool_[kFinePoolEntries] = {};
  std::uint32_t fineUsed_ = 0;
  std::uint32_t lastColour_ = 0xFFFFFFFFu;
  std::uint8_t lastIndex_ = 0;
};

}  // namespace imgcodec2
