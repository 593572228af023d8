#include "nearest_color.h"

#include <algorithm>
#include <cstring>

namespace imgcodec2 {

namespace {

inline std::int32_t distance(const PaletteEntry& e, std::int32_t r, std::int32_t g,
                             std::int32_t b) {
  const std::int32_t dr = r - e.red, dg = g - e.green, db = b - e.blue;
  return dr * dr + dg * dg + db * db;
}

// Branch-free, so that the loops over all entries vectorise.
inline void axisRange(std::int32_t c, std::int32_t lo, std::int32_t size, std::int32_t& nearSq,
                      std::int32_t& farSq) {
  const std::int32_t hi = lo + size - 1;
  const std::int32_t below = lo - c, above = c - hi;
  const std::int32_t nearD = std::max(std::max(below, above), 0);
  const std::int32_t farD = std::max(c - lo, hi - c);
  nearSq += nearD * nearD;
  farSq += farD * farD;
}

// Squared distances from an entry to the nearest and to the farthest colour
// of the cube of side `size` whose lowest corner is (r0, g0, b0).
inline void cubeRange(std::int32_t red, std::int32_t green, std::int32_t blue, std::int32_t r0,
                      std::int32_t g0, std::int32_t b0, std::int32_t size, std::int32_t& nearSq,
                      std::int32_t& farSq) {
  nearSq = farSq = 0;
  axisRange(red, r0, size, nearSq, farSq);
  axisRange(green, g0, size, nearSq, farSq);
  axisRange(blue, b0, size, nearSq, farSq);
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
  coarseUsed_ = 0;
  fine_.clear();
  micro_.clear();
}

template <unsigned Shift>
void NearestColor::Level<Shift>::clear() {
  std::memset(list, 0, sizeof list);
  used = 0;
}

// The candidates of a cube are the entries whose nearest colour of the cube
// is no farther than the smallest farthest-colour distance of any entry: the
// winner of every colour of the cube is among them. A smaller cube's
// candidates are all among those of the larger cube that holds it (its
// distances are no smaller and its bound no larger), so it need look at
// those only.
const std::uint8_t* NearestColor::coarseList(unsigned r, unsigned g, unsigned b, unsigned& count) {
  const unsigned cell = cellOf<kCoarseShift>(r, g, b);
  if (!coarseStart_[cell]) {
    const std::int32_t size = 1 << kCoarseShift;
    const Corner c = cubeCorner(r, g, b, kCoarseShift);
    std::int32_t nearSq[256], farSq[256];
    for (unsigned i = 0; i < 256; ++i) {
      const PaletteEntry& e = palette_.entries[i];
      cubeRange(e.red, e.green, e.blue, c.r, c.g, c.b, size, nearSq[i], farSq[i]);
    }
    const std::int32_t bound = *std::min_element(farSq, farSq + 256);
    coarseStart_[cell] = coarseUsed_ + 1;
    for (unsigned i = 0; i < 256; ++i) {
      if (nearSq[i] <= bound) coarsePool_[coarseUsed_++] = static_cast<std::uint8_t>(i);
    }
    coarseCount_[cell] = static_cast<std::uint16_t>(coarseUsed_ - (coarseStart_[cell] - 1));
  }
  count = coarseCount_[cell];
  return coarsePool_ + coarseStart_[cell] - 1;
}

// Lists are sorted by the distance from the cube (then by index), so a
// search can stop at the first candidate that cannot beat the best so far.
template <unsigned Shift>
std::uint32_t NearestColor::Level<Shift>::build(unsigned cell, const Candidate* from, unsigned n,
                                                unsigned r, unsigned g, unsigned b) {
  const std::int32_t size = 1 << Shift;
  const Corner corner = cubeCorner(r, g, b, Shift);
  std::int32_t nearSq[256];
  std::int32_t bound = INT32_MAX;
  for (unsigned k = 0; k < n; ++k) {
    std::int32_t farSq;
    cubeRange(from[k].red, from[k].green, from[k].blue, corner.r, corner.g, corner.b, size,
              nearSq[k], farSq);
    bound = std::min(bound, farSq);
  }
  if (used + n + kUnrolled > kPoolEntries) clear();  // full: start the lists over
  const std::uint32_t first = used;
  for (unsigned k = 0; k < n; ++k) {
    if (nearSq[k] > bound) continue;
    std::uint32_t at = used++;
    while (at > first && pool[at - 1].nearSq > nearSq[k]) {
      pool[at] = pool[at - 1];
      --at;
    }
    pool[at] = from[k];
    pool[at].nearSq = nearSq[k];
  }
  list[cell] = (first << kCountBits) | (used - first);
  // Short lists are padded for the unrolled start of the search with copies
  // of their first candidate, which change no answer.
  while (used - first < kUnrolled) pool[used++] = pool[first];
  return list[cell];
}

const NearestColor::Candidate* NearestColor::fineList(unsigned r, unsigned g, unsigned b,
                                                      const Candidate*& end) {
  const unsigned cell = cellOf<kFineShift>(r, g, b);
  std::uint32_t word = fine_.list[cell];
  if (!word) {
    unsigned n = 0;
    const std::uint8_t* coarse = coarseList(r, g, b, n);
    Candidate from[256];
    for (unsigned k = 0; k < n; ++k) {
      const PaletteEntry& e = palette_.entries[coarse[k]];
      from[k] = {0, static_cast<std::uint8_t>(e.red), static_cast<std::uint8_t>(e.green),
                 static_cast<std::uint8_t>(e.blue), coarse[k]};
    }
    word = fine_.build(cell, from, n, r, g, b);
  }
  end = fine_.listEnd(word);
  return fine_.listBegin(word);
}

std::uint32_t NearestColor::buildMicro(unsigned cell, unsigned r, unsigned g, unsigned b) {
  const Candidate* fineEnd;
  const Candidate* fine = fineList(r, g, b, fineEnd);
  return micro_.build(cell, fine, static_cast<unsigned>(fineEnd - fine), r, g, b);
}

// Inlined into the row loop: a built list is one load away.
inline __attribute__((always_inline)) const NearestColor::Candidate* NearestColor::microList(
    unsigned r, unsigned g, unsigned b, const Candidate*& end) {
  const unsigned cell = cellOf<kMicroShift>(r, g, b);
  std::uint32_t word = micro_.list[cell];
  if (__builtin_expect(!word, 0)) word = buildMicro(cell, r, g, b);
  end = micro_.listEnd(word);
  return micro_.listBegin(word);
}

// Lowest index among the entries at the smallest distance: the linear scan's
// answer, whatever order the candidates are visited in. A key of distance
// and index orders candidates by both at once (3 * 255^2 * 256 fits in 31
// bits).
inline __attribute__((always_inline)) std::uint8_t NearestColor::search(const Candidate* c,
                                                                        const Candidate* end,
                                                                        unsigned r, unsigned g,
                                                                        unsigned b) {
  auto key = [&](const Candidate& k) {
    const std::int32_t dr = static_cast<std::int32_t>(r) - k.red;
    const std::int32_t dg = static_cast<std::int32_t>(g) - k.green;
    const std::int32_t db = static_cast<std::int32_t>(b) - k.blue;
    return ((dr * dr + dg * dg + db * db) << 8) | k.index;
  };
  // The first four settle almost every colour: computed side by side and
  // reduced without a branch.
  static_assert(kUnrolled == 4, "the reduction below takes four candidates");
  const std::int32_t k0 = key(c[0]), k1 = key(c[1]), k2 = key(c[2]), k3 = key(c[3]);
  const std::int32_t k01 = k0 < k1 ? k0 : k1, k23 = k2 < k3 ? k2 : k3;
  std::int32_t best = k01 < k23 ? k01 : k23;
  for (c += kUnrolled; c < end && c->nearSq <= (best >> 8); ++c) {
    const std::int32_t k = key(*c);
    best = k < best ? k : best;
  }
  return static_cast<std::uint8_t>(best & 0xFF);
}

std::uint8_t NearestColor::find(unsigned r, unsigned g, unsigned b) {
  const Candidate* end;
  const Candidate* list = microList(r, g, b, end);
  return search(list, end, r, g, b);
}

// Neighbouring pixels often share a colour, and more often a micro cube:
// both are remembered along the row. The lists of a photograph outgrow the
// cache; the one for the pixel two ahead is fetched early.
void NearestColor::findRow(const std::uint8_t* bgr, std::uint8_t* out, std::size_t n) {
  constexpr std::size_t kAhead = 2;
  std::uint32_t lastColour = 0xFFFFFFFFu, lastCell = 0xFFFFFFFFu;
  std::uint8_t lastIndex = 0;
  const Candidate* list = nullptr;
  const Candidate* end = nullptr;
  for (std::size_t i = 0; i < n; ++i, bgr += 3) {
    if (i + kAhead < n) {
      const std::uint8_t* p = bgr + 3 * kAhead;
      __builtin_prefetch(micro_.listBegin(micro_.list[cellOf<kMicroShift>(p[2], p[1], p[0])]));
    }
    const unsigned r = bgr[2], g = bgr[1], b = bgr[0];
    const std::uint32_t colour = (r << 16) | (g << 8) | b;
    if (colour != lastColour) {
      const std::uint32_t cell = colour & kMicroCellMask;
      if (cell != lastCell) {
        list = microList(r, g, b, end);
        lastCell = cell;
      }
      lastIndex = search(list, end, r, g, b);
      lastColour = colour;
    }
    out[i] = lastIndex;
  }
}

}  // namespace imgcodec2
