// The BMP headers as the loader reads them, and the layout they imply.
#pragma once

#include <cstdint>

#include "byte_stream.h"

namespace imgcodec2 {

constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kWindowsInfoHeaderBytes = 40;
constexpr std::uint32_t kHeaderStoreBytes = kFileHeaderBytes + kWindowsInfoHeaderBytes;
// The colour table of an 8-bit file: 256 entries of blue, green, red, 0.
constexpr std::uint32_t kPaletteBlockBytes = 256 * 4;

// Everything the decoders need to know about one file.
struct BmpLayout {
  std::uint32_t headerSize = 0;  // 40 (Windows) or 12 (OS/2)
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool topDown = false;         // a negative height in a 40-byte header
  std::uint32_t bitCount = 0;   // 8 or 24
  bool rle8 = false;            // 8-bit pixels run-length encoded (biCompression 1)
  std::uint32_t stride = 0;     // bytes per file row, padding included
  std::uint32_t outputBpp = 0;  // 8, 15, 16 or 24
  std::uint32_t outputBytesPerPixel = 0;
  std::uint32_t bufferBytes = 0;
  std::uint32_t paletteEntrySize = 0;      // 4 (RGBQUAD) or 3 (RGBTRIPLE)
  std::uint32_t paletteEntriesInFile = 0;  // colour entries read before the gap
  std::uint32_t paletteCount = 0;          // entries copied into the record's palette, 0 to 256
  std::uint64_t gapBytes = 0;              // bytes between the colour table and the pixels
};

// Reads the file header and the info header from src (18 bytes, then 36 or 8)
// into store and works out the layout. Returns a status code of imgcodec2.h.
// fileSize tells whether bfOffBits can be trusted; targetBpp is the option.
int readBmpHeaders(ByteSource& src, std::uint64_t fileSize, std::int32_t targetBpp,
                   std::uint8_t store[kHeaderStoreBytes], BmpLayout& layout);

inline std::uint16_t getLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t getLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void putLe16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void putLe32(std::uint8_t* p, std::uint32_t v) {
  putLe16(p, v);
  putLe16(p + 2, v >> 16);
}

}  // namespace imgcodec2
