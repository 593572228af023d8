#include "nearest_color.h"

#include <cstring>

namespace imgcodec2 {

namespace {

inline std::int32_t distance(const PaletteEntry& e, std::int32_t r, std::int32_t g, std::int32_t b) {
  const std::int32_t dr = r - e.red, dg = g - e.green, db = b - e.blue;
  return dr * dr + dg * dg + db * db;
}

inline void axisRange(std::int32_t c, std::int32_t lo, std::int32_t size, std::int32_t& nearSq,
                      std::int32_t& farSq) {
  const std::int32_t hi = lo + size - 1;
  const std::int32_t nearD = c < lo ? lo - c : (c > hi ? c - hi : 0);
  const std::int32_t farD = c - lo > hi - c ? c - lo : hi - c;
  nearSq += nearD * nearD;
  farSq += farD * farD;
}

// Squared distances from an entry to the nearest and to the farthest colour
// of the cube of side `size` whose lowest corner is (r0, g0, b0).
inline void cubeRange(const PaletteEntry& e, std::int32_t r0, std::int32_t g0, std::int32_t b0,
                      std::int32_t size, std::int32_t& nearSq, std::int32_t& farSq) {
  nearSq = farSq = 0;
  axisRange(e.red, r0, size, nearSq, farSq);
  axisRange(e.green, g0, size, nearSq, farSq);
  axisRange(e.blue, b0, size, nearSq, farSq);
}

struct Corner {
  std::int32_t r, g, b;
};

// The lowest corner of the cube of side 1 << shift that holds the colour.
inline Corner cubeCorner(unsigned r, unsigned g, unsigned b, unsigned shift) {
  const unsigned mask = ~((1u << shift) - 1u);
  return {static_cast<std::int32_t>(r & mask), static_cast<std::int32_t>(g & mask),
          static_cast<std::int32_t>(b & mask)};
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
  std::memset(coarseStart_, 0, sizeof coarseStart_);
  std::memset(fineStart_, 0, sizeof fineStart_);
  coarseUsed_ = fineUsed_ = 0;
  lastColour_ = 0xFFFFFFFFu;
}

// The candidates of a cube are the entries whose nearest colour of the cube
// is no farther than the smallest farthest-colour distance of any entry: the
// winner of every colour of the cube is among them. A fine cube's candidates
// are all candidates of the coarse cube that holds it (its distances are no
// smaller and its bound no larger), so it need look at those only.
const std::uint8_t* NearestColor::coarseList(unsigned r, unsigned g, unsigned b, unsigned& count) {
  constexpr unsigned axis = 256 >> kCoarseShift;
  const unsigned cell = ((r >> kCoarseShift) * axis + (g >> kCoarseShift)) * axis + (b >> kCoarseShift);
  if (!coarseStart_[cell]) {
    const std::int32_t size = 1 << kCoarseShift;
    const Corner c = cubeCorner(r, g, b, kCoarseShift);
    std::int32_t nearSq[256];
    std::int32_t bound = INT32_MAX;
    for (unsigned i = 0; i < 256; ++i) {
      std::int32_t farSq;
      cubeRange(palette_.entries[i], c.r, c.g, c.b, size, nearSq[i], farSq);
      if (farSq < bound) bound = farSq;
    }
    coarseStart_[cell] = coarseUsed_ + 1;
    for (unsigned i = 0; i < 256; ++i) {
      if (nearSq[i] <= bound) coarsePool_[coarseUsed_++] = static_cast<std::uint8_t>(i);
    }
    coarseCount_[cell] = static_cast<std::uint16_t>(coarseUsed_ - (coarseStart_[cell] - 1));
  }
  count = coarseCount_[cell];
  return coarsePool_ + coarseStart_[cell] - 1;
}

// Fine lists are sorted by the distance from the cube (then by index), so a
// search can stop at the first candidate that cannot beat the best so far.
std::uint32_t NearestColor::buildFine(unsigned cell, unsigned r, unsigned g, unsigned b) {
  unsigned count = 0;
  const std::uint8_t* coarse = coarseList(r, g, b, count);
  const std::int32_t size = 1 << kFineShift;
  const Corner corner = cubeCorner(r, g, b, kFineShift);
  std::int32_t nearSq[256];
  std::int32_t bound = INT32_MAX;
  for (unsigned k = 0; k < count; ++k) {
    std::int32_t farSq;
    cubeRange(palette_.entries[coarse[k]], corner.r, corner.g, corner.b, size, nearSq[k], farSq);
    if (farSq < bound) bound = farSq;
  }
  if (fineUsed_ + count + kUnrolled > kFinePoolEntries) {  // full: start the fine lists over
    std::memset(fineStart_, 0, sizeof fineStart_);
    fineUsed_ = 0;
  }
  const std::uint32_t start = fineUsed_;
  for (unsigned k = 0; k < count; ++k) {
    if (nearSq[k] > bound) continue;
    std::uint32_t at = fineUsed_++;
    while (at > start && finePool_[at - 1].nearSq > nearSq[k]) {
      finePool_[at] = finePool_[at - 1];
      --at;
    }
    const PaletteEntry& e = palette_.entries[coarse[k]];
    finePool_[at] = {nearSq[k], static_cast<std::uint8_t>(e.red), static_cast<std::uint8_t>(e.green),
                     static_cast<std::uint8_t>(e.blue), coarse[k]};
  }
  fineStart_[cell] = start + 1;
  fineCount_[cell] = static_cast<std::uint16_t>(fineUsed_ - start);
  // Short lists are padded for the unrolled start of the search; a pad can
  // never be taken, since the first candidate is always a real one.
  while (fineUsed_ - start < kUnrolled) finePool_[fineUsed_++] = {INT32_MAX, 0, 0, 0, 0};
  return start;
}

// Lowest index among the entries at the smallest distance: the linear scan's
// answer, whatever order the candidates are visited in.
std::uint8_t NearestColor::find(unsigned r, unsigned g, unsigned b) {
  const std::uint32_t colour = (r << 16) | (g << 8) | b;
  if (colour == lastColour_) return lastIndex_;
  constexpr unsigned axis = 256 >> kFineShift;
  const unsigned cell = ((r >> kFineShift) * axis + (g >> kFineShift)) * axis + (b >> kFineShift);
  const std::uint32_t start = fineStart_[cell] ? fineStart_[cell] - 1 : buildFine(cell, r, g, b);
  const Candidate* c = finePool_ + start;
  const Candidate* end = c + fineCount_[cell];
  std::int32_t best = INT32_MAX;
  unsigned found = 0;
  auto consider = [&](const Candidate& k) {
    const std::int32_t dr = static_cast<std::int32_t>(r) - k.red;
    const std::int32_t dg = static_cast<std::int32_t>(g) - k.green;
    const std::int32_t db = static_cast<std::int32_t>(b) - k.blue;
    const std::int32_t d = dr * dr + dg * dg + db * db;
    // Bitwise, not short-circuit: no branch to mispredict.
    const bool better = (k.nearSq <= best) & ((d < best) | ((d == best) & (k.index < found)));
    best = better ? d : best;
    found = better ? k.index : found;
  };
  // The first few candidates settle almost every colour; looking at them
  // without a branch each keeps the search free of mispredictions.
  for (unsigned k = 0; k < kUnrolled; ++k) consider(c[k]);
  for (c += kUnrolled; c < end && c->nearSq <= best; ++c) consider(*c);
  lastColour_ = colour;
  lastIndex_ = static_cast<std::uint8_t>(found);
  return lastIndex_;
}

}  // namespace imgcodec2
