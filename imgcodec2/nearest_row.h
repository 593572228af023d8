// The row loop of the colour search, shared by the scalar file and the files
// built for vector instruction sets. Everything here is internal to each file
// that includes it (unnamed namespace), so that no function built for one
// instruction set is ever shared with code that runs without it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "nearest_color.h"

namespace imgcodec2 {

// Builds the list of the 16^3 cube that holds the colour (a word as in
// NearestLists) and returns its list word. Portable code, built once.
std::uint32_t buildCellList(NearestLists& lists, std::uint32_t colour);

// NearestColor::findRow: n pixels of blue, green, red bytes to indices, with
// the lists, or with all 256 candidates where the lists have no memory.
// Plain, and with SSE2 and with AVX2 in files of their own built for them.
using FindRowFn = void (*)(NearestLists& lists, const std::uint32_t* all, const std::uint8_t* bgr,
                           std::uint8_t* out, std::size_t n);
void findRowScalar(NearestLists& lists, const std::uint32_t* all, const std::uint8_t* bgr,
                   std::uint8_t* out, std::size_t n);
void findRowSse2(NearestLists& lists, const std::uint32_t* all, const std::uint8_t* bgr,
                 std::uint8_t* out, std::size_t n);
void findRowAvx2(NearestLists& lists, const std::uint32_t* all, const std::uint8_t* bgr,
                 std::uint8_t* out, std::size_t n);

namespace {

inline std::uint32_t colourOf(const std::uint8_t* bgr) {
  return bgr[2] | static_cast<std::uint32_t>(bgr[1]) << 8 |
         static_cast<std::uint32_t>(bgr[0]) << 16;
}

// The 16^3 cube of a colour word: four bits of each component.
inline unsigned cellOf(std::uint32_t colour) {
  return ((colour >> 4) & 0xFu) | ((colour >> 8) & 0xF0u) | ((colour >> 12) & 0xF00u);
}

// Evaluate(list, count, colour) returns the index of the nearest of count
// candidates; it may read the padding up to the next multiple of 4.
template <class Evaluate>
inline void searchRow(NearestLists& lists, const std::uint32_t* all, const std::uint8_t* bgr,
                      std::uint8_t* out, std::size_t n, Evaluate evaluate) {
  std::uint32_t last = 0xFFFFFFFFu;  // no colour word: its top byte is 0
  std::uint8_t index = 0;
  for (std::size_t i = 0; i < n; ++i, bgr += 3) {
    const std::uint32_t colour = colourOf(bgr);
    if (colour != last) {
      last = colour;
      const std::uint32_t* list = all;
      unsigned count = 256;
      if (lists.cells) {
        std::uint32_t word = lists.cells[cellOf(colour)];
        if (__builtin_expect(word == 0, 0)) word = buildCellList(lists, colour);
        list = lists.pool + (word >> 9);
        count = word & 511u;
      }
      index = evaluate(list, count, colour);
    }
    out[i] = index;
  }
}

}  // namespace
}  // namespace imgcodec2
