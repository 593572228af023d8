// Builds BMP files byte by byte for the tests, independently of the codec.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testbmp {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
  std::uint8_t r, g, b;
};

struct Spec {
  int headerSize = 40;  // 40 or 12
  int bits = 24;        // 8 or 24 (others for rejection cases)
  std::int32_t width = 1;
  std::int32_t height = 1;    // negative: top-down (40-byte header)
  std::vector<Rgb> palette;   // 8-bit: entries written (padded to 256 unless shortTable)
  bool shortTable = false;    // write only palette.size() entries
  std::uint32_t gap = 0;      // bytes between table and pixels
  std::int64_t offBits = -1;  // override of bfOffBits; -1: the true offset
  std::uint32_t compression = 0;
  // File rows in file order (first = bottom row unless top-down), pixels only:
  // 8-bit indices or 24-bit blue, green, red bytes. Padding is added.
  std::vector<Bytes> rows;
  bool padRows = true;  // false: rows written as they are (run-length codes)
};

inline void put16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void put32(Bytes& b, std::uint32_t v) {
  put16(b, v);
  put16(b, v >> 16);
}
inline std::uint32_t strideOf(int bits, std::int32_t width) {
  return ((static_cast<std::uint32_t>(bits) * static_cast<std::uint32_t>(width) + 31) / 32) * 4;
}

inline Bytes build(const Spec& s) {
  const std::uint32_t entry = s.headerSize == 40 ? 4 : 3;
  std::uint32_t entries = 0;
  if (s.bits == 8) entries = s.shortTable ? static_cast<std::uint32_t>(s.palette.size()) : 256;
  const std::uint32_t pixelsAt = 14 + s.headerSize + entries * entry + s.gap;
  Bytes b;
  b.push_back('B');
  b.push_back('M');
  put32(b, 0);  // bfSize, patched below
  put32(b, 0);
  put32(b, s.offBits >= 0 ? static_cast<std::uint32_t>(s.offBits) : pixelsAt);
  put32(b, static_cast<std::uint32_t>(s.headerSize));
  if (s.headerSize == 12) {
    put16(b, static_cast<std::uint32_t>(s.width));
    put16(b, static_cast<std::uint32_t>(s.height));
    put16(b, 1);
    put16(b, static_cast<std::uint32_t>(s.bits));
  } else {
    put32(b, static_cast<std::uint32_t>(s.width));
    put32(b, static_cast<std::uint32_t>(s.height));
    put16(b, 1);
    put16(b, static_cast<std::uint32_t>(s.bits));
    put32(b, s.compression);
    put32(b, 0);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, s.bits == 8 ? entries : 0);
    put32(b, 0);
    while (b.size() < 14u + s.headerSize) b.push_back(0);
  }
  for (std::uint32_t i = 0; i < entries; ++i) {
    Rgb c = i < s.palette.size() ? s.palette[i] : Rgb{0, 0, 0};
    b.push_back(c.b);
    b.push_back(c.g);
    b.push_back(c.r);
    if (entry == 4) b.push_back(0);
  }
  b.insert(b.end(), s.gap, 0xEE);
  const std::uint32_t stride = strideOf(s.bits, s.width);
  for (const Bytes& row : s.rows) {
    b.insert(b.end(), row.begin(), row.end());
    for (std::size_t k = row.size(); s.padRows && k < stride; ++k) b.push_back(0xAB);  // garbage
  }
  const auto size = static_cast<std::uint32_t>(b.size());
  for (int k = 0; k < 4; ++k) b[2 + k] = static_cast<std::uint8_t>(size >> (8 * k));
  return b;
}

}  // namespace testbmp
