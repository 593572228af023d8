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
// smallest farthest-point distance of any entry. The winner of every colour of
// the cube is among them, and they are kept in index order, so a scan over
// them with the linear scan's rules gives the linear scan's answer.
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
  if (poolUsed_ + 256 > kPoolBytes) reset(palette_);  // full: start over
  const std::uint32_t start = poolUsed_;
  for (unsigned i = 0; i < 256; ++i) {
    if (nearest[i] <= bound) pool_[poolUsed_++] = static_cast<std::uint8_t>(i);
  }
  cellStart_[cell] = start + 1;
  cellCount_[cell] = static_cast<std::uint16_t>(poolUsed_ - start);
  return start;
}

std::uint8_t NearestColor::find(unsigned r, unsigned g, unsigned b) {
  const std::uint32_t colour = (r << 16) | (g << 8) | b;
  if (colour == lastColour_) return lastIndex_;
  const unsigned cell = ((r >> kCellShift) * kCellsPerAxis + (g >> kCellShift)) * kCellsPerAxis +
                        (b >> kCellShift);
  const std::uint32_t start = cellStart_[cell] ? cellStart_[cell] - 1 : buildCell(cell, r, g, b);
  const std::uint8_t* candidates = pool_ + start;
  const unsigned count = cellCount_[cell];
  std::int32_t best = 1234567;
  std::uint8_t found = 0;
  for (unsigned k = 0; k < count; ++k) {
    const std::int32_t d = distance(palette_.entries[candidates[k]], static_cast<std::int32_t>(r),
                                    static_cast<std::int32_t>(g), static_cast<std::int32_t>(b));
    if (d == 0) {
      found = candidates[k];
      break;
    }
    if (d < best) {
      best = d;
      found = candidates[k];
    }
  }
  lastColour_ = colour;
  lastIndex_ = found;
  return found;
}

}  // namespace imgcodec2
