// Loading 24-bit pixels as 15 or 16 bits with AVX2: sixteen pixels per step,
// built for AVX2 and called only when the processor and system have it.
#include <immintrin.h>

#include "pixel_kernels.h"

namespace imgcodec2 {

namespace {

inline __m256i loadHalves(const std::uint8_t* low, const std::uint8_t* high) {
  const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(low));
  const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(high));
  return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
}

// As the SSSE3 kernel, with pixels 0 to 7 in the low half and 8 to 15 in
// the high half of each register (byte shuffles stay within halves).
template <bool Sixteen>
void bgrToWords(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  const __m256i first =
      _mm256_setr_epi8(0, 1, 3, 4, 6, 7, 9, 10, -128, 2, -128, 5, -128, 8, -128, 11, 0, 1, 3, 4, 6,
                       7, 9, 10, -128, 2, -128, 5, -128, 8, -128, 11);
  const __m256i second =
      _mm256_setr_epi8(4, 5, 7, 8, 10, 11, 13, 14, -128, 6, -128, 9, -128, 12, -128, 15, 4, 5, 7, 8,
                       10, 11, 13, 14, -128, 6, -128, 9, -128, 12, -128, 15);
  const __m256i top5 = _mm256_set1_epi16(static_cast<short>(0xF800));
  for (; n >= 16; n -= 16, src += 48, dst += 32) {
    const __m256i a = _mm256_shuffle_epi8(loadHalves(src, src + 24), first);
    const __m256i b = _mm256_shuffle_epi8(loadHalves(src + 8, src + 32), second);
    const __m256i blueGreen = _mm256_unpacklo_epi64(a, b);
    const __m256i red = _mm256_unpackhi_epi64(a, b);
    const __m256i blue =
        _mm256_and_si256(_mm256_srli_epi16(blueGreen, 3), _mm256_set1_epi16(0x001F));
    __m256i w;
    if (Sixteen) {
      const __m256i green = _mm256_srli_epi16(
          _mm256_and_si256(blueGreen, _mm256_set1_epi16(static_cast<short>(0xFC00))), 5);
      w = _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(red, top5), green), blue);
    } else {
      const __m256i green = _mm256_srli_epi16(_mm256_and_si256(blueGreen, top5), 6);
      w = _mm256_or_si256(_mm256_or_si256(_mm256_srli_epi16(_mm256_and_si256(red, top5), 1), green),
                          blue);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), w);
  }
  (Sixteen ? bgrTo16Ssse3 : bgrTo15Ssse3)(src, dst, n);
}

}  // namespace

void bgrTo15Avx2(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  bgrToWords<false>(src, dst, n);
}
void bgrTo16Avx2(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  bgrToWords<true>(src, dst, n);
}

}  // namespace imgcodec2
