// Row conversions between the file's pixels and the buffer formats. Plain
// memory in, plain memory out; n counts pixels. Components are reduced by
// dropping low bits and widened by shifting, never rounded or replicated.
// The 15/16-bit conversions and the red/blue exchange of a copy run the
// vector kernels the processor has (pixel_kernels.h), with the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace imgcodec2 {

inline std::uint16_t pack15(unsigned r, unsigned g, unsigned b) {
  return static_cast<std::uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
}
inline std::uint16_t pack16(unsigned r, unsigned g, unsigned b) {
  return static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// Output words of all 256 entries of a colour table whose entries are
// blue, green, red[, reserved], entrySize bytes apart.
void paletteTo15(const std::uint8_t* table, unsigned entrySize, std::uint16_t out[256]);
void paletteTo16(const std::uint8_t* table, unsigned entrySize, std::uint16_t out[256]);
// Output triplets: blue, green, red, or red, green, blue when rgbOrder is set.
void paletteTo24(const std::uint8_t* table, unsigned entrySize, bool rgbOrder,
                 std::uint8_t out[256 * 3]);

// Indices to 2-byte (little-endian) words or 3-byte triplets through a table.
void indexedToWords(const std::uint8_t* src, std::uint8_t* dst, std::size_t n,
                    const std::uint16_t words[256]);
void indexedToTriplets(const std::uint8_t* src, std::uint8_t* dst, std::size_t n,
                       const std::uint8_t triplets[256 * 3]);

// File pixels (blue, green, red) to 15-bit or 16-bit words.
void bgrTo15(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);
void bgrTo16(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);

// Exchanges bytes 0 and 2 of n triplets in place.
void swapRedBlue(std::uint8_t* pixels, std::size_t n);
// Copies n triplets with bytes 0 and 2 exchanged.
void copySwapRedBlue(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);

// Buffer words to file triplets (blue, green, red) when saving; the low three
// bits of every byte are zero, and the lowest green bit of 16-bit words drops.
void words15ToBgr(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);
void words16ToBgr(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);

}  // namespace imgcodec2
