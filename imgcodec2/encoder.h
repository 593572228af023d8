// Writing an image buffer as an uncompressed 8-bit or 24-bit BMP file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bmp_header.h"
#include "byte_stream.h"

namespace imgcodec2 {

struct SaveRequest {
  const std::uint8_t* pixels;
  std::uint32_t sourceWidth;  // row length of the buffer in pixels
  std::int32_t sourceBpp;     // 8, 15, 16 or 24
  std::int32_t width;         // of the file
  std::int32_t height;
  std::int32_t fileBpp;         // 8 or 24
  const std::uint8_t* palette;  // 256 x red, green, blue, for 8-bit files
  bool swapRedBlue;             // 24-bit buffer holds red, green, blue
  bool topRowFirst;             // 8 and 24-bit buffers; 15 and 16-bit ones always are
};

// BMP_OK when the request can be written, else BMP_ERR_FORMAT: an unsupported
// pair of depths, no pixels, or sizes outside 1..source width, or a file
// larger than 4 GiB.
int checkSave(const SaveRequest& request);

// Writes the whole file through the work buffer (at least 1024 bytes); false
// when the sink refused a write. store receives the 54 header bytes.
bool writeBmp(ByteSink& sink, const SaveRequest& request, std::uint8_t store[kHeaderStoreBytes],
              std::uint8_t* work, std::size_t workBytes);

}  // namespace imgcodec2
