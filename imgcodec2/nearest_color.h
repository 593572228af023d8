// Nearest colour in a 256-entry reference palette, by squared distance; ties
// go to the lowest index. `findLinear` is the plain scan that defines the
// answer; `NearestColor` gives the same answers from cached candidate lists
// per cube of colour space, built on first use: the entries that can be
// nearest to some colour of the cube, ordered by their distance to it.
#pragma once

#include <cstddef>
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
  // n pixels of blue, green, red bytes to their indices.
  void findRow(const std::uint8_t* bgr, std::uint8_t* out, std::size_t n);

 private:
  // Three levels of cubes. Coarse cubes of 16^3 colours list their
  // candidates among all entries; fine cubes of 8^3 pick theirs from the
  // coarse cube around them, and micro cubes of 4^3 from the fine cube
  // around them. A search looks at a micro list: mostly one to four
  // candidates.
  static constexpr unsigned kCoarseShift = 4;
  static constexpr unsigned kFineShift = 3;
  static constexpr unsigned kMicroShift = 2;
  static constexpr unsigned kCoarseCells = 1u << (3 * (8 - kCoarseShift));
  static constexpr unsigned kPoolEntries = 1u << 19;
  static constexpr unsigned kUnrolled = 4;
  // The colour bits that name its micro cube, in 0xRRGGBB.
  static constexpr std::uint32_t kMicroCellMask = 0x010101u * ((0xFFu << kMicroShift) & 0xFFu);

  // The cube of side 1 << Shift that holds the colour, as a cell number.
  template <unsigned Shift>
  static unsigned cellOf(unsigned r, unsigned g, unsigned b) {
    constexpr unsigned axis = 256 >> Shift;
    return ((r >> Shift) * axis + (g >> Shift)) * axis + (b >> Shift);
  }

  // One candidate in 8 bytes, so that the few a search looks at share a
  // cache line.
  struct Candidate {
    std::int32_t nearSq;  // squared distance from the cube
    std::uint8_t red, green, blue, index;
  };

  // Sorted candidate lists of one level: per cell, where its list starts in
  // the pool and its length (at least 1) in one word, 0 for a list not built
  // yet, so that a lookup is one load. A full pool starts over.
  template <unsigned Shift>
  struct Level {
    static constexpr unsigned kCells = 1u << (3 * (8 - Shift));
    static constexpr unsigned kCountBits = 9;  // lengths 1 to 256
    static_assert(kPoolEntries <= (1u << (32 - kCountBits)), "list starts fit beside the length");
    std::uint32_t list[kCells];
    Candidate pool[kPoolEntries];
    std::uint32_t used;
    // The candidates that a list word names.
    const Candidate* listBegin(std::uint32_t word) const { return pool + (word >> kCountBits); }
    const Candidate* listEnd(std::uint32_t word) const {
      return listBegin(word) + (word & ((1u << kCountBits) - 1));
    }
    void clear();
    // The candidates among from[0..n) for the cube that holds (r, g, b);
    // returns the cell's list word.
    std::uint32_t build(unsigned cell, const Candidate* from, unsigned n, unsigned r, unsigned g,
                        unsigned b);
  };

  const Candidate* microList(unsigned r, unsigned g, unsigned b, const Candidate*& end);
  __attribute__((noinline)) std::uint32_t buildMicro(unsigned cell, unsigned r, unsigned g,
                                                     unsigned b);
  const Candidate* fineList(unsigned r, unsigned g, unsigned b, const Candidate*& end);
  static std::uint8_t search(const Candidate* c, const Candidate* end, unsigned r, unsigned g,
                             unsigned b);
  const std::uint8_t* coarseList(unsigned r, unsigned g, unsigned b, unsigned& count);

  TrueColorPalette palette_{};
  std::uint32_t coarseStart_[kCoarseCells] = {};
  std::uint16_t coarseCount_[kCoarseCells] = {};
  std::uint8_t coarsePool_[kCoarseCells * 256] = {};  // never overflows
  std::uint32_t coarseUsed_ = 0;
  Level<kFineShift> fine_{};
  Level<kMicroShift> micro_{};
};

}  // namespace imgcodec2
