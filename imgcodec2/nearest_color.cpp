#include "nearest_color.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "codec_kernels.h"
#include "nearest_row.h"

namespace imgcodec2 {

namespace {

constexpr unsigned kCoarseShift = 5;
constexpr unsigned kCellShift = 4;
constexpr unsigned kCoarseCubes = 512;
constexpr unsigned kCells = 4096;
constexpr std::uint32_t kAllEntries = 256;  // the list word of the whole palette
// How many of the nearest kept candidates each later one is tested against.
constexpr unsigned kDominanceTests = 4;

inline std::int32_t component(std::uint32_t word, unsigned k) {
  return static_cast<std::int32_t>((word >> (8 * k)) & 0xFFu);
}

// A cube of colours: lowest and highest value of red, green and blue.
struct Box {
  std::int32_t lo[3], hi[3];
};

Box boxOf(std::uint32_t colour, unsigned shift) {
  Box box;
  for (unsigned k = 0; k < 3; ++k) {
    box.lo[k] = component(colour, k) >> shift << shift;
    box.hi[k] = box.lo[k] + (1 << shift) - 1;
  }
  return box;
}

// Squared distances from a candidate to the nearest and the farthest colour
// of the box.
void rangeOf(std::uint32_t c, const Box& box, std::int32_t& nearSq, std::int32_t& farSq) {
  nearSq = farSq = 0;
  for (unsigned k = 0; k < 3; ++k) {
    const std::int32_t v = component(c, k);
    const std::int32_t nearD = std::max(std::max(box.lo[k] - v, v - box.hi[k]), 0);
    const std::int32_t farD = std::max(v - box.lo[k], box.hi[k] - v);
    nearSq += nearD * nearD;
    farSq += farD * farD;
  }
}

// Whether candidate b wins over a at every colour x of the box: nearer, or
// as near with the lower index. d(x, a) - d(x, b) = |a|^2 - |b|^2 - 2 x.(a - b)
// is linear in x, so its least value over the box is at a corner.
bool beatsEverywhere(std::uint32_t b, std::uint32_t a, const Box& box) {
  std::int32_t least = 0;
  for (unsigned k = 0; k < 3; ++k) {
    const std::int32_t ak = component(a, k), bk = component(b, k), d = ak - bk;
    least += ak * ak - bk * bk - 2 * std::max(box.lo[k] * d, box.hi[k] * d);
  }
  return least > 0 || (least == 0 && (b >> 24) < (a >> 24));
}

// The candidates of from[0, n) that can be nearest somewhere in the box, into
// out in order of distance from the box, then index. The nearest entry of a
// colour x is kept: it is no farther from x than the entry whose farthest
// point of the box is nearest (the anchor), so its own distance from the box
// is within that bound; and no entry beats it everywhere. Entries that the
// anchor or one of the first kept candidates beats everywhere go: they cover
// duplicates and most entries hidden behind others.
unsigned prune(const std::uint32_t* from, unsigned n, const Box& box, std::uint32_t* out) {
  std::int32_t nearSq[256];
  std::int32_t bound = INT32_MAX;
  std::uint32_t anchor = from[0];
  for (unsigned k = 0; k < n; ++k) {
    std::int32_t farSq;
    rangeOf(from[k], box, nearSq[k], farSq);
    if (farSq < bound) {
      bound = farSq;
      anchor = from[k];
    }
  }
  std::uint64_t order[256];  // distance from the box << 32 | candidate (index in its top byte)
  unsigned m = 0;
  for (unsigned k = 0; k < n; ++k) {
    if (nearSq[k] <= bound && !beatsEverywhere(anchor, from[k], box))
      order[m++] = static_cast<std::uint64_t>(nearSq[k]) << 32 | from[k];
  }
  std::sort(order, order + m);
  unsigned kept = 0;
  for (unsigned j = 0; j < m; ++j) {
    const auto c = static_cast<std::uint32_t>(order[j]);
    bool beaten = false;
    for (unsigned q = 0; q < kept && q < kDominanceTests && !beaten; ++q)
      beaten = beatsEverywhere(out[q], c, box);
    if (!beaten) out[kept++] = c;
  }
  return kept;
}

// Copies a list into the pool, padded; 0 when the pool has no room left.
std::uint32_t store(NearestLists& lists, const std::uint32_t* list, unsigned n) {
  const unsigned padded = (n + 3) & ~3u;
  if (lists.capacity - lists.used < padded) return 0;
  std::uint32_t* at = lists.pool + lists.used;
  for (unsigned k = 0; k < padded; ++k) at[k] = list[k < n ? k : 0];
  const std::uint32_t word = lists.used << 9 | n;
  lists.used += padded;
  return word;
}

std::uint32_t coarseList(NearestLists& lists, std::uint32_t colour) {
  const unsigned cube =
      ((colour >> 5) & 0x7u) | ((colour >> 10) & 0x38u) | ((colour >> 15) & 0x1C0u);
  std::uint32_t& word = lists.coarse[cube];
  if (!word) {
    std::uint32_t out[256];
    const unsigned n = prune(lists.pool, 256, boxOf(colour, kCoarseShift), out);
    word = store(lists, out, n);
    if (!word) word = kAllEntries;
  }
  return word;
}

// The key squared distance << 8 | index orders by distance, then index.
std::uint8_t nearestScalar(const std::uint32_t* list, unsigned count, std::uint32_t colour) {
  const std::int32_t r = component(colour, 0), g = component(colour, 1), b = component(colour, 2);
  std::int32_t best = INT32_MAX;
  for (unsigned k = 0; k < count; ++k) {
    const std::uint32_t c = list[k];
    const std::int32_t dr = r - component(c, 0), dg = g - component(c, 1), db = b - component(c, 2);
    best = std::min(best, (dr * dr + dg * dg + db * db) << 8 | static_cast<std::int32_t>(c >> 24));
  }
  return static_cast<std::uint8_t>(best & 0xFF);
}

}  // namespace

std::uint32_t buildCellList(NearestLists& lists, std::uint32_t colour) {
  const std::uint32_t parent = coarseList(lists, colour);
  std::uint32_t out[256];
  const unsigned n =
      prune(lists.pool + (parent >> 9), parent & 511u, boxOf(colour, kCellShift), out);
  std::uint32_t word = store(lists, out, n);
  if (!word) word = parent;
  return lists.cells[cellOf(colour)] = word;
}

void findRowScalar(NearestLists& lists, const std::uint32_t* all, const std::uint8_t* bgr,
                   std::uint8_t* out, std::size_t n) {
  searchRow(lists, all, bgr, out, n,
            [](const std::uint32_t* list, unsigned count, std::uint32_t colour) {
              return nearestScalar(list, count, colour);
            });
}

std::uint8_t findLinear(const TrueColorPalette& palette, unsigned r, unsigned g, unsigned b) {
  // More than the squared distance of any two colours, 3 * 255^2.
  constexpr std::int32_t kFartherThanAny = 3 * 255 * 255 + 1;
  std::int32_t best = kFartherThanAny;
  std::uint8_t found = 0;
  for (unsigned i = 0; i < 256; ++i) {
    const PaletteEntry& e = palette.entries[i];
    const std::int32_t dr = static_cast<std::int32_t>(r) - e.red;
    const std::int32_t dg = static_cast<std::int32_t>(g) - e.green;
    const std::int32_t db = static_cast<std::int32_t>(b) - e.blue;
    const std::int32_t d = dr * dr + dg * dg + db * db;
    if (d == 0) return static_cast<std::uint8_t>(i);
    if (d < best) {
      best = d;
      found = static_cast<std::uint8_t>(i);
    }
  }
  return found;
}

void NearestColor::setPalette(const TrueColorPalette& palette) {
  for (std::uint32_t i = 0; i < 256; ++i) {
    const PaletteEntry& e = palette.entries[i];
    all_[i] = (static_cast<std::uint32_t>(e.red) & 0xFFu) |
              (static_cast<std::uint32_t>(e.green) & 0xFFu) << 8 |
              (static_cast<std::uint32_t>(e.blue) & 0xFFu) << 16 | i << 24;
  }
  ready_ = true;
  clearLists();
}

bool NearestColor::hasMemory() const {
  return lists_.cells != nullptr;
}

void NearestColor::attachMemory(void* memory, std::size_t bytes) {
  const std::size_t words = std::min(bytes, kMemoryBytes) / sizeof(std::uint32_t);
  if (!memory || words < kCoarseCubes + kCells + 256) return;
  lists_.coarse = static_cast<std::uint32_t*>(memory);
  lists_.cells = lists_.coarse + kCoarseCubes;
  lists_.pool = lists_.cells + kCells;
  lists_.capacity = static_cast<std::uint32_t>(words - kCoarseCubes - kCells);
  if (ready_) {
    clearLists();
  } else {
    prepare();
  }
}

void NearestColor::prepare() {
  if (!ready_) setPalette(TrueColorPalette{});
}

void NearestColor::clearLists() {
  if (!lists_.cells) return;
  std::memset(lists_.coarse, 0, (kCoarseCubes + kCells) * sizeof(std::uint32_t));
  std::memcpy(lists_.pool, all_, sizeof all_);
  lists_.used = 256;
}

void NearestColor::findRow(const std::uint8_t* bgr, std::uint8_t* out, std::size_t n) {
  prepare();
  codecKernels().findRow(lists_, all_, bgr, out, n);
}

std::uint8_t NearestColor::find(unsigned r, unsigned g, unsigned b) {
  const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g),
                               static_cast<std::uint8_t>(r)};
  std::uint8_t index;
  findRow(bgr, &index, 1);
  return index;
}

}  // namespace imgcodec2
