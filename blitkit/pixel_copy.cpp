#include "pixel_copy.h"

#include <algorithm>
#include <cstring>

namespace blitkit {

namespace {

#if defined(__i386__) || defined(__x86_64__)
// One round: a cache line of 64 bytes through the eight MMX registers.
#define BLITKIT_MMX_ROUND    \
  "movq   (%[s]), %%mm0\n\t" \
  "movq  8(%[s]), %%mm1\n\t" \
  "movq 16(%[s]), %%mm2\n\t" \
  "movq 24(%[s]), %%mm3\n\t" \
  "movq 32(%[s]), %%mm4\n\t" \
  "movq 40(%[s]), %%mm5\n\t" \
  "movq 48(%[s]), %%mm6\n\t" \
  "movq 56(%[s]), %%mm7\n\t" \
  "movq %%mm0,   (%[d])\n\t" \
  "movq %%mm1,  8(%[d])\n\t" \
  "movq %%mm2, 16(%[d])\n\t" \
  "movq %%mm3, 24(%[d])\n\t" \
  "movq %%mm4, 32(%[d])\n\t" \
  "movq %%mm5, 40(%[d])\n\t" \
  "movq %%mm6, 48(%[d])\n\t" \
  "movq %%mm7, 56(%[d])\n\t" \
  "add $64, %[s]\n\t"        \
  "add $64, %[d]\n\t"        \
  "dec %[n]\n\t"             \
  "jnz 1b"

// n 8-byte blocks, eight to a round; no alignment is needed. With
// `Prefetch`, each round asks for the source line 512 bytes ahead: 8-byte
// loads alone leave the processor waiting on its second-level cache (a
// hint, SSE's prefetcht0: chosen only where the processor has it).
// The caller empties the MMX state afterwards.
template <bool Prefetch>
inline void moveBlocksMmx(std::uint8_t*& dst, const std::uint8_t*& src, std::size_t n) {
  std::size_t rounds = n / 8;
  if (rounds && Prefetch) {
    __asm__ volatile(
        "1:\n\t"
        "prefetcht0 512(%[s])\n\t" BLITKIT_MMX_ROUND
        : [s] "+r"(src), [d] "+r"(dst), [n] "+r"(rounds)
        :
        : "mm0", "mm1", "mm2", "mm3", "mm4", "mm5", "mm6", "mm7", "memory", "cc");
  } else if (rounds) {
    __asm__ volatile("1:\n\t" BLITKIT_MMX_ROUND
                     : [s] "+r"(src), [d] "+r"(dst), [n] "+r"(rounds)
                     :
                     : "mm0", "mm1", "mm2", "mm3", "mm4", "mm5", "mm6", "mm7", "memory", "cc");
  }
  for (std::size_t k = 0; k < n % 8; ++k) {
    __asm__ volatile("movq (%[s]), %%mm0\n\tmovq %%mm0, (%[d])"
                     :
                     : [s] "r"(src), [d] "r"(dst)
                     : "mm0", "memory");
    src += 8;
    dst += 8;
  }
}
#undef BLITKIT_MMX_ROUND
inline void emptyMmx() {
  __asm__ volatile("emms");
}
#else
template <bool Prefetch>
inline void moveBlocksMmx(std::uint8_t*& dst, const std::uint8_t*& src, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k, src += 8, dst += 8) std::memcpy(dst, src, 8);
}
inline void emptyMmx() {}
#endif

// The words of one row. The source never overlaps the surface; saying so
// lets the compiler move several words at once where the processor can
// (16-byte SSE moves on x86-64; the 32-bit DLL moves 4-byte words).
inline void moveWords(std::uint8_t* __restrict dst, const std::uint8_t* __restrict src,
                      std::size_t words) {
  for (std::size_t k = 0; k < words; ++k) {
    std::uint32_t w;
    std::memcpy(&w, src + 4 * k, 4);
    std::memcpy(dst + 4 * k, &w, 4);
  }
}

inline void moveTail(std::uint8_t* dst, const std::uint8_t* src, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) dst[k] = src[k];
}

template <bool Prefetch>
void copyRowsMmx(std::uint8_t* dst, std::ptrdiff_t pitch, const std::uint8_t* src,
                 std::size_t srcStride, std::size_t rowBytes, std::size_t rows) {
  const std::size_t blocks = rowBytes >> 3, tail = rowBytes & 7;
  for (std::size_t r = 0; r < rows; ++r, dst += pitch, src += srcStride) {
    std::uint8_t* d = dst;
    const std::uint8_t* s = src;
    moveBlocksMmx<Prefetch>(d, s, blocks);
    moveTail(d, s, tail);
  }
  emptyMmx();
}

// Constant tables: no constructor runs when the library loads.
constexpr CopyKernels kWordsOnly = {copyRows4, copyRows4};
constexpr CopyKernels kMmx = {copyRows4, copyRows8};
constexpr CopyKernels kMmxPrefetch = {copyRows4, copyRows8Prefetch};

}  // namespace

void copyRows4(std::uint8_t* dst, std::ptrdiff_t pitch, const std::uint8_t* src,
               std::size_t srcStride, std::size_t rowBytes, std::size_t rows) {
  const std::size_t words = rowBytes >> 2, tail = rowBytes & 3;
  for (std::size_t r = 0; r < rows; ++r, dst += pitch, src += srcStride) {
    moveWords(dst, src, words);
    moveTail(dst + 4 * words, src + 4 * words, tail);
  }
}

void copyRows8(std::uint8_t* dst, std::ptrdiff_t pitch, const std::uint8_t* src,
               std::size_t srcStride, std::size_t rowBytes, std::size_t rows) {
  copyRowsMmx<false>(dst, pitch, src, srcStride, rowBytes, rows);
}

void copyRows8Prefetch(std::uint8_t* dst, std::ptrdiff_t pitch, const std::uint8_t* src,
                       std::size_t srcStride, std::size_t rowBytes, std::size_t rows) {
  copyRowsMmx<true>(dst, pitch, src, srcStride, rowBytes, rows);
}

// The 8-byte moves of a processor without MMX are made as 4-byte words: the
// same bytes, without the illegal instruction.
const CopyKernels& copyKernelsFor(const processor::Features& f) {
  if (f.mmx && f.sse) return kMmxPrefetch;
  if (f.mmx) return kMmx;
  return kWordsOnly;
}

void copyRowsReference(std::uint8_t* dst, std::ptrdiff_t pitch, const std::uint8_t* src,
                       std::size_t srcStride, std::size_t rowBytes, std::size_t rows) {
  for (std::size_t r = 0; r < rows; ++r, dst += pitch, src += srcStride) {
    for (std::size_t k = 0; k < rowBytes; ++k) dst[k] = src[k];
  }
}

ClippedRect clipRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     std::uint32_t bytesPerPixel, const SurfaceExtent& surface) {
  ClippedRect r;
  if (width <= 0 || height <= 0 || bytesPerPixel == 0 || surface.pitch == 0) return r;
  const std::uint64_t pitchBytes =
      static_cast<std::uint64_t>(surface.pitch < 0 ? -surface.pitch : surface.pitch);
  // Whole pixels of a row: never past the row's own bytes, nor into the next row.
  const auto columns =
      static_cast<std::int64_t>(std::min(surface.rowBytes, pitchBytes) / bytesPerPixel);
  const std::int64_t left = std::max<std::int64_t>(x, 0);
  const std::int64_t top = std::max<std::int64_t>(y, 0);
  const std::int64_t right = std::min<std::int64_t>(static_cast<std::int64_t>(x) + width, columns);
  const std::int64_t bottom =
      std::min<std::int64_t>(static_cast<std::int64_t>(y) + height, surface.rows);
  if (right <= left || bottom <= top) return r;
  r.srcStride = static_cast<std::size_t>(width) * bytesPerPixel;
  r.rowBytes = static_cast<std::size_t>(right - left) * bytesPerPixel;
  r.rows = static_cast<std::size_t>(bottom - top);
  r.dstOffset = static_cast<std::ptrdiff_t>(top * surface.pitch + left * bytesPerPixel);
  r.srcOffset = static_cast<std::size_t>((top - y) * static_cast<std::int64_t>(r.srcStride) +
                                         (left - x) * bytesPerPixel);
  return r;
}

void copyRect(bool eightByteMoves, std::uint8_t* surface, std::ptrdiff_t pitch,
              const std::uint8_t* source, const ClippedRect& r) {
  if (r.rows == 0 || r.rowBytes == 0) return;
  const CopyKernels& k = copyKernels();
  (eightByteMoves ? k.blocks8 : k.words4)(surface + r.dstOffset, pitch, source + r.srcOffset,
                                          r.srcStride, r.rowBytes, r.rows);
}

}  // namespace blitkit
