// The colour search's row loop with SSE2: four candidates per step.
#include <emmintrin.h>

#include "nearest_row.h"

namespace imgcodec2 {

namespace {

inline __m128i minEpi32(__m128i a, __m128i b) {
  const __m128i less = _mm_cmplt_epi32(a, b);
  return _mm_or_si128(_mm_and_si128(less, a), _mm_andnot_si128(less, b));
}

// The key of a candidate, squared distance << 8 | index, orders by distance
// and then index, so one minimum gives the answer. With the components in
// 16-bit halves, madd squares and sums them in pairs: (dr, db) with itself,
// and (dg, index) with (dg, 0).
inline std::uint8_t nearestSse2(const std::uint32_t* list, unsigned count, std::uint32_t colour) {
  const __m128i lowBytes = _mm_set1_epi32(0x00FF00FF);
  const __m128i lowHalf = _mm_set1_epi32(0xFFFF);
  const __m128i redBlue = _mm_set1_epi32(static_cast<int>(colour & 0x00FF00FFu));
  const __m128i green = _mm_set1_epi32(static_cast<int>((colour >> 8) & 0xFFu));
  __m128i best = _mm_set1_epi32(0x7FFFFFFF);
  for (unsigned k = 0; k < count; k += 4) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(list + k));
    const __m128i rb = _mm_sub_epi16(_mm_and_si128(c, lowBytes), redBlue);
    const __m128i gi = _mm_sub_epi16(_mm_and_si128(_mm_srli_epi32(c, 8), lowBytes), green);
    const __m128i distance =
        _mm_add_epi32(_mm_madd_epi16(rb, rb), _mm_madd_epi16(gi, _mm_and_si128(gi, lowHalf)));
    best = minEpi32(best, _mm_or_si128(_mm_slli_epi32(distance, 8), _mm_srli_epi32(c, 24)));
  }
  best = minEpi32(best, _mm_shuffle_epi32(best, 0x4E));
  best = minEpi32(best, _mm_shuffle_epi32(best, 0xB1));
  return static_cast<std::uint8_t>(_mm_cvtsi128_si32(best));
}

}  // namespace

void findRowSse2(NearestLists& lists, const std::uint32_t* all, const std::uint8_t* bgr,
                 std::uint8_t* out, std::size_t n) {
  searchRow(lists, all, bgr, out, n,
            [](const std::uint32_t* list, unsigned count, std::uint32_t colour) {
              return nearestSse2(list, count, colour);
            });
}

}  // namespace imgcodec2
