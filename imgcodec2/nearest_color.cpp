#include "nearest_color.h"

#include <cstring>

namespace imgcodec2 {

namespace {

inline std::int32_t distance(const PaletteEntry& e, std::int32_t r, std::int32_t g, std::int32_t b) {
  const std::int32_t dr = r - e.red, dg = g - e.green, db = b - e.blue;
  return dr * dr + dg * dg + db * db;
}

// Squared distance from c to the nearest and to the farthest point of [lo, hi].
inline void axisRange(std::int32_t c, std::int32_t lo, std::int32_t hi, std::int32_t& nearSq,
                      std::int32_t& farSq) {
  const std::int32_t nearD = c < lo ? lo - c : (c > hi ? c - hi : 0);
  const std::int32_t farD = c - lo > hi - c ? c - lo : hi - c;
  nearSq = nearD * nearD;
  farSq = farD * farD;
}

}  // namespace

std::uint8_t findLinear(const TrueColorPalette& palette, unsigned r, unsigned g, unsigned b) {
  std::int32_t best = 1234567;
  std::uint8_t found = 0;
  for (unsigned i = 0; i < 256; ++i) {
    const std::int32_t d = distance(palette.entries[i], static_cast<std::int32_t>(r),
                                    static_cast<std::int32_t>(g), static_cast<std::int32_t>(b));
    if (d == 0) return static_cast<std::uint8_t>(i);
    if (d < best) {
      best = d;
      found = static_cast<std::uint8_t>(i);
    }
  }
  return found;
}

void NearestColor::reset(const TrueColorPalette& palette) {
  palette_ = palette;
  std::memset(cellStart_, 0, sizeof cellStart_);
  poolUsed_ = 0;
  lastColour_ = 0xFFFFFFFFu;
}

// The candidates of a cube are the entries that can be nearest to some colour
// in it: those whose nearest point of the cube is no farther than the
// smallest farthest-point distance of any entry. They are kept sorted by that
// nearest distance (then by index), so a search can stop at the first
// candidate that cannot come closer than the best one found.
std::uint32_t NearestColor::buildCell(unsigned cell, unsigned r, unsigned g, unsigned b) {
  const std::int32_t size = 1 << kCellShift;
  const std::int32_t r0 = static_cast<std::int32_t>(r >> kCellShift) * size;
  const std::int32_t g0 = static_cast<std::int32_t>(g >> kCellShift) * size;
  const std::int32_t b0 = static_cast<std::int32_t>(b >> kCellShift) * size;
  std::int32_t nearest[256];
  std::int32_t bound = INT32_MAX;
  for (unsigned i = 0; i < 256; ++i) {
    const PaletteEntry& e = palette_.entries[i];
    std::int32_t nr, fr, ng, fg, nb, fb;
    axisRange(e.red, r0, r0 + size - 1, nr, fr);
    axisRange(e.green, g0, g0 + size - 1, ng, fg);
    axisRange(e.blue, b0, b0 + size - 1, nb, fb);
    nearest[i] = nr + ng + nb;
    if (fr + fg + fb < bound) bound = fr + fg + fb;
  }
  if (poolUsed_ + 256 > kPoolEntries) reset(palette_);  // full: start over
  const std::uint32_t start = poolUsed_;
  for (unsigned i = 0; i < 256; ++i) {
    if (nearest[i] > bound) continue;
    // Insertion into the sorted run; equal distances keep index order.
    std::uint32_t at = poolUsed_++;
    while (at > start && poolNear_[at - 1] > nearest[i]) {
      poolNear_[at] = poolNear_[at - 1];
      poolIndex_[at] = poolIndex_[at - 1];
      --at;
    }
    poolNear_[at] = nearest[i];
    poolIndex_[at] = static_cast<std::uint8_t>(i);
  }
  cellStart_[cell] = start + 1;
  cellCount_[cell] = static_cast<std::uint16_t>(poolUsed_ - start);
  return start;
}

// Lowest index among the entries at the smallest distance: the linear scan's
// answer, whatever order the candidates are visited in. The winner is always
// a candidate of its cube.
std::uint8_t NearestColor::find(unsigned r, unsigned g, unsigned b) {
  const std::uint32_t colour = (r << 16) | (g << 8) | b;
  if (colour == lastColour_) return lastIndex_;
  const unsigned cell = ((r >> kCellShift) * kCellsPerAxis + (g >> kCellShift)) * kCellsPerAxis +
                        (b >> kCellShift);
  const std::uint32_t start = cellStart_[cell] ? cellStart_[cell] - 1 : buildCell(cell, r, g, b);
  const std::uint32_t end = start + cellCount_[cell];
  std::int32_t best = INT32_MAX;
  unsigned found = 0;
  for (std::uint32_t k = start; k < end && poolNear_[k] <= best; ++k) {
    const unsigned index = poolIndex_[k];
    const std::int32_t d = distance(palette_.entries[index], static_cast<std::int32_t>(r),
                                    static_cast<std::int32_t>(g), static_cast<std::int32_t>(b));
    if (d < best || (d == best && index < found)) {
      best = d;
      found = index;
    }
  }
  lastColour_ = colour;
  lastIndex_ = static_cast<std::uint8_t>(found);
  return lastIndex_;
}

}  // namespace imgcodec2
