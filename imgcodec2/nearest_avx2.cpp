// The colour search's row loop with AVX2: eight candidates per step, so that
// most lists take one.
#include <immintrin.h>

#include "nearest_row.h"

namespace imgcodec2 {

namespace {

// As nearestSse2: keys squared distance << 8 | index, squared and summed in
// 16-bit pairs by madd; lists are padded to 4, so a step of 8 needs 5 left.
inline std::uint8_t nearestAvx2(const std::uint32_t* list, unsigned count, std::uint32_t colour) {
  const __m256i lowBytes = _mm256_set1_epi32(0x00FF00FF);
  const __m256i lowHalf = _mm256_set1_epi32(0xFFFF);
  const __m256i redBlue = _mm256_set1_epi32(static_cast<int>(colour & 0x00FF00FFu));
  const __m256i green = _mm256_set1_epi32(static_cast<int>((colour >> 8) & 0xFFu));
  auto keys = [&](__m256i c) {
    const __m256i rb = _mm256_sub_epi16(_mm256_and_si256(c, lowBytes), redBlue);
    const __m256i gi = _mm256_sub_epi16(_mm256_and_si256(_mm256_srli_epi32(c, 8), lowBytes), green);
    const __m256i distance = _mm256_add_epi32(_mm256_madd_epi16(rb, rb),
                                              _mm256_madd_epi16(gi, _mm256_and_si256(gi, lowHalf)));
    return _mm256_or_si256(_mm256_slli_epi32(distance, 8), _mm256_srli_epi32(c, 24));
  };
  __m256i best = _mm256_set1_epi32(0x7FFFFFFF);
  unsigned k = 0;
  for (; k + 4 < count; k += 8)
    best = _mm256_min_epi32(best,
                            keys(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(list + k))));
  __m128i best4 = _mm_min_epi32(_mm256_castsi256_si128(best), _mm256_extracti128_si256(best, 1));
  if (k < count) {
    const __m128i last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(list + k));
    best4 = _mm_min_epi32(best4, _mm256_castsi256_si128(keys(_mm256_castsi128_si256(last))));
  }
  best4 = _mm_min_epi32(best4, _mm_shuffle_epi32(best4, 0x4E));
  best4 = _mm_min_epi32(best4, _mm_shuffle_epi32(best4, 0xB1));
  return static_cast<std::uint8_t>(_mm_cvtsi128_si32(best4));
}

}  // namespace

void findRowAvx2(NearestLists& lists, const std::uint32_t* all, const std::uint8_t* bgr,
                 std::uint8_t* out, std::size_t n) {
  searchRow(lists, all, bgr, out, n,
            [](const std::uint32_t* list, unsigned count, std::uint32_t colour) {
              return nearestAvx2(list, count, colour);
            });
}

}  // namespace imgcodec2
