// The pixel decoders: the colour table, the gap before the pixels, and the
// rows of a file whose headers have been read, into a zero-filled buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bmp_header.h"
#include "byte_stream.h"
#include "nearest_color.h"

namespace imgcodec2 {

struct DecodeTarget {
  std::uint8_t* pixels;         // layout.bufferBytes, zero-filled
  std::uint8_t* recordPalette;  // 768 bytes, written by 8-bit to 8-bit loads only
  std::uint8_t* paletteBlock;   // kPaletteBlockBytes of module state for the file's table
  bool rgbOrder;                // 24-bit output as red, green, blue
  NearestColor* nearest;        // for 24-bit to 8-bit
  std::uint8_t* work;           // read buffer of the converting decoders
  std::size_t workBytes;        // at least 256 bytes (a run-length literal with its pad)
};

// Reads from src, positioned just after the info header. Pixels that the data
// does not reach stay 0; the decode stops where the data ends.
void decodeBmp(ByteSource& src, const BmpLayout& layout, const DecodeTarget& target);

}  // namespace imgcodec2
