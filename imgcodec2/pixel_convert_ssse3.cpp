// The conversions with SSSE3 byte shuffles, built for SSSE3 and called only
// when the processor has it. Each ends with the plain loop for the pixels
// that do not fill a step, and reads and writes no byte outside its pixels.
#include <tmmintrin.h>

#include "pixel_kernels.h"

namespace imgcodec2 {

namespace {

inline __m128i load(const std::uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store(std::uint8_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Eight file pixels (24 bytes) as words blue | green << 8 and red << 8.
inline void splitPixels(const std::uint8_t* src, __m128i& blueGreen, __m128i& red) {
  const __m128i first = _mm_setr_epi8(0, 1, 3, 4, 6, 7, 9, 10, -128, 2, -128, 5, -128, 8, -128, 11);
  const __m128i second =
      _mm_setr_epi8(4, 5, 7, 8, 10, 11, 13, 14, -128, 6, -128, 9, -128, 12, -128, 15);
  const __m128i a = _mm_shuffle_epi8(load(src), first);       // pixels 0 to 3
  const __m128i b = _mm_shuffle_epi8(load(src + 8), second);  // pixels 4 to 7
  blueGreen = _mm_unpacklo_epi64(a, b);
  red = _mm_unpackhi_epi64(a, b);
}

// Words blue | green << 8 and red << 8 to 15-bit or 16-bit pixels.
template <bool Sixteen>
inline __m128i packWords(__m128i blueGreen, __m128i red) {
  const __m128i blue = _mm_and_si128(_mm_srli_epi16(blueGreen, 3), _mm_set1_epi16(0x001F));
  const __m128i top5 = _mm_set1_epi16(static_cast<short>(0xF800));
  if (Sixteen) {
    const __m128i green =
        _mm_srli_epi16(_mm_and_si128(blueGreen, _mm_set1_epi16(static_cast<short>(0xFC00))), 5);
    return _mm_or_si128(_mm_or_si128(_mm_and_si128(red, top5), green), blue);
  }
  const __m128i green = _mm_srli_epi16(_mm_and_si128(blueGreen, top5), 6);
  return _mm_or_si128(_mm_or_si128(_mm_srli_epi16(_mm_and_si128(red, top5), 1), green), blue);
}

template <bool Sixteen>
void bgrToWords(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  for (; n >= 8; n -= 8, src += 24, dst += 16) {
    __m128i blueGreen, red;
    splitPixels(src, blueGreen, red);
    store(dst, packWords<Sixteen>(blueGreen, red));
  }
  (Sixteen ? bgrTo16Scalar : bgrTo15Scalar)(src, dst, n);
}

// Eight pixel words to blue | green << 8 words and red bytes (in words): the
// components shifted left by 3, the lowest green bit of 16-bit words dropped.
template <bool Sixteen>
inline void expandWords(__m128i w, __m128i& blueGreen, __m128i& red) {
  const __m128i blue = _mm_and_si128(_mm_slli_epi16(w, 3), _mm_set1_epi16(0x00F8));
  const __m128i green =
      _mm_and_si128(_mm_slli_epi16(w, Sixteen ? 5 : 6), _mm_set1_epi16(static_cast<short>(0xF800)));
  blueGreen = _mm_or_si128(blue, green);
  red = _mm_and_si128(_mm_srli_epi16(w, Sixteen ? 8 : 7), _mm_set1_epi16(0x00F8));
}

// Sixteen pixel words (32 bytes) to 48 bytes of blue, green, red.
template <bool Sixteen>
void wordsToBgr(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  const __m128i out0a =
      _mm_setr_epi8(0, 1, -128, 2, 3, -128, 4, 5, -128, 6, 7, -128, 8, 9, -128, 10);
  const __m128i out0r = _mm_setr_epi8(-128, -128, 0, -128, -128, 1, -128, -128, 2, -128, -128, 3,
                                      -128, -128, 4, -128);
  const __m128i out1a = _mm_setr_epi8(11, -128, 12, 13, -128, 14, 15, -128, -128, -128, -128, -128,
                                      -128, -128, -128, -128);
  const __m128i out1b =
      _mm_setr_epi8(-128, -128, -128, -128, -128, -128, -128, -128, 0, 1, -128, 2, 3, -128, 4, 5);
  const __m128i out1r = _mm_setr_epi8(-128, 5, -128, -128, 6, -128, -128, 7, -128, -128, 8, -128,
                                      -128, 9, -128, -128);
  const __m128i out2b =
      _mm_setr_epi8(-128, 6, 7, -128, 8, 9, -128, 10, 11, -128, 12, 13, -128, 14, 15, -128);
  const __m128i out2r = _mm_setr_epi8(10, -128, -128, 11, -128, -128, 12, -128, -128, 13, -128,
                                      -128, 14, -128, -128, 15);
  for (; n >= 16; n -= 16, src += 32, dst += 48) {
    __m128i a, b, redA, redB;
    expandWords<Sixteen>(load(src), a, redA);
    expandWords<Sixteen>(load(src + 16), b, redB);
    const __m128i red = _mm_packus_epi16(redA, redB);
    store(dst, _mm_or_si128(_mm_shuffle_epi8(a, out0a), _mm_shuffle_epi8(red, out0r)));
    store(dst + 16,
          _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, out1a), _mm_shuffle_epi8(b, out1b)),
                       _mm_shuffle_epi8(red, out1r)));
    store(dst + 32, _mm_or_si128(_mm_shuffle_epi8(b, out2b), _mm_shuffle_epi8(red, out2r)));
  }
  (Sixteen ? words16ToBgrScalar : words15ToBgrScalar)(src, dst, n);
}

}  // namespace

void bgrTo15Ssse3(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  bgrToWords<false>(src, dst, n);
}
void bgrTo16Ssse3(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  bgrToWords<true>(src, dst, n);
}
void words15ToBgrSsse3(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  wordsToBgr<false>(src, dst, n);
}
void words16ToBgrSsse3(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  wordsToBgr<true>(src, dst, n);
}

// Five pixels per 16-byte step; the sixteenth byte is stored unchanged and
// rewritten by the next step, so at least six pixels must be left.
void copySwapRedBlueSsse3(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  const __m128i swap = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  for (; n >= 6; n -= 5, src += 15, dst += 15) store(dst, _mm_shuffle_epi8(load(src), swap));
  copySwapRedBlueScalar(src, dst, n);
}

}  // namespace imgcodec2
