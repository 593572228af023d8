#include "pixel_convert.h"

#include <cstring>

#include "codec_kernels.h"

namespace imgcodec2 {

namespace {

inline void storeWord(std::uint8_t* dst, std::uint16_t w) {
  dst[0] = static_cast<std::uint8_t>(w);
  dst[1] = static_cast<std::uint8_t>(w >> 8);
}

}  // namespace

void paletteTo15(const std::uint8_t* table, unsigned entrySize, std::uint16_t out[256]) {
  for (unsigned i = 0; i < 256; ++i) {
    const std::uint8_t* e = table + i * entrySize;
    out[i] = pack15(e[2], e[1], e[0]);
  }
}

void paletteTo16(const std::uint8_t* table, unsigned entrySize, std::uint16_t out[256]) {
  for (unsigned i = 0; i < 256; ++i) {
    const std::uint8_t* e = table + i * entrySize;
    out[i] = pack16(e[2], e[1], e[0]);
  }
}

void paletteTo24(const std::uint8_t* table, unsigned entrySize, bool rgbOrder,
                 std::uint8_t out[256 * 3]) {
  for (unsigned i = 0; i < 256; ++i) {
    const std::uint8_t* e = table + i * entrySize;
    out[i * 3 + 0] = rgbOrder ? e[2] : e[0];
    out[i * 3 + 1] = e[1];
    out[i * 3 + 2] = rgbOrder ? e[0] : e[2];
  }
}

void indexedToWords(const std::uint8_t* src, std::uint8_t* dst, std::size_t n,
                    const std::uint16_t words[256]) {
  for (std::size_t i = 0; i < n; ++i) storeWord(dst + 2 * i, words[src[i]]);
}

void indexedToTriplets(const std::uint8_t* src, std::uint8_t* dst, std::size_t n,
                       const std::uint8_t triplets[256 * 3]) {
  for (std::size_t i = 0; i < n; ++i) std::memcpy(dst + 3 * i, triplets + 3 * src[i], 3);
}

void bgrTo15Scalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i, src += 3)
    storeWord(dst + 2 * i, pack15(src[2], src[1], src[0]));
}

void bgrTo16Scalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i, src += 3)
    storeWord(dst + 2 * i, pack16(src[2], src[1], src[0]));
}

void swapRedBlue(std::uint8_t* pixels, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i, pixels += 3) {
    std::uint8_t t = pixels[0];
    pixels[0] = pixels[2];
    pixels[2] = t;
  }
}

void copySwapRedBlueScalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i, src += 3, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

void words15ToBgrScalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i, src += 2, dst += 3) {
    unsigned w = src[0] | (src[1] << 8);
    dst[0] = static_cast<std::uint8_t>((w & 0x1F) << 3);
    dst[1] = static_cast<std::uint8_t>(((w >> 5) & 0x1F) << 3);
    dst[2] = static_cast<std::uint8_t>(((w >> 10) & 0x1F) << 3);
  }
}

void words16ToBgrScalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i, src += 2, dst += 3) {
    unsigned w = src[0] | (src[1] << 8);
    dst[0] = static_cast<std::uint8_t>((w & 0x1F) << 3);
    dst[1] = static_cast<std::uint8_t>(((w >> 6) & 0x1F) << 3);
    dst[2] = static_cast<std::uint8_t>(((w >> 11) & 0x1F) << 3);
  }
}

void bgrTo15(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  codecKernels().bgrTo15(src, dst, n);
}
void bgrTo16(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  codecKernels().bgrTo16(src, dst, n);
}
void words15ToBgr(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  codecKernels().words15ToBgr(src, dst, n);
}
void words16ToBgr(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  codecKernels().words16ToBgr(src, dst, n);
}
void copySwapRedBlue(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  codecKernels().copySwapRedBlue(src, dst, n);
}

}  // namespace imgcodec2
