// Nearest colour in a 256-entry reference palette, by squared distance; ties
// go to the lowest index. `findLinear` is the plain scan that defines the
// answer. `NearestColor` gives the same answers from candidate lists: per
// cube of 16^3 colours, built when a pixel first falls into it and kept until
// the palette changes, the entries that can be nearest somewhere in the cube.
// A pixel looks at its cube's list alone, never more than the whole palette,
// and no list is built twice for one palette, so no palette and no picture
// can make the search slow. The lists live in memory handed over by the
// caller; without it every pixel looks at all 256 entries.
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

// A candidate or a pixel in one word: red | green << 8 | blue << 16, and for
// a candidate its palette index << 24.
//
// The lists in the caller's memory. A list word is its start in the pool << 9
// | its length (1 to 256); 0 means not built yet. Every list is padded to a
// multiple of 4 words with copies of its first candidate. The pool begins
// with all 256 entries, the list of last resort.
struct NearestLists {
  std::uint32_t* coarse;  // 512 cubes of 32^3
  std::uint32_t* cells;   // 4096 cubes of 16^3, each built from its coarse cube's list
  std::uint32_t* pool;
  std::uint32_t used;
  std::uint32_t capacity;
};

class NearestColor {
 public:
  // What the lists need at most. A full pool builds no more lists: a cube
  // whose list does not fit uses the list of the larger cube around it.
  static constexpr std::size_t kMemoryBytes = 1u << 20;

  // Until the first call the palette is all black, as the library's is.
  void setPalette(const TrueColorPalette& palette);
  bool hasMemory() const;
  // Memory for the lists (aligned to 4 bytes, any content), used from then
  // on; null, or too small for the tables (18 KB) and the whole palette, is
  // ignored. Bytes beyond kMemoryBytes are not used.
  void attachMemory(void* memory, std::size_t bytes);
  // n pixels of blue, green, red bytes to their indices.
  void findRow(const std::uint8_t* bgr, std::uint8_t* out, std::size_t n);
  std::uint8_t find(unsigned r, unsigned g, unsigned b);

 private:
  void prepare();
  void clearLists();

  bool ready_ = false;
  std::uint32_t all_[256] = {};  // every entry as a candidate
  NearestLists lists_ = {};
};

}  // namespace imgcodec2
