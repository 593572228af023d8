#include "bmp_header.h"

#include <algorithm>

#include "imgcodec2.h"

namespace imgcodec2 {

namespace {

bool outputFormat(std::int32_t targetBpp, std::uint32_t bitCount, BmpLayout& layout) {
  std::uint32_t bpp = targetBpp == 0 ? bitCount : static_cast<std::uint32_t>(targetBpp);
  switch (bpp) {
    case 8:
      layout.outputBytesPerPixel = 1;
      break;
    case 15:
    case 16:
      layout.outputBytesPerPixel = 2;
      break;
    case 24:
      layout.outputBytesPerPixel = 3;
      break;
    default:
      return false;
  }
  layout.outputBpp = bpp;
  return true;
}

// Where the colour table and the pixels are. bfOffBits is honoured when it is
// consistent with the headers and the file; otherwise the file is read in the
// sequential layout: headers, a whole 256-entry table (8-bit), pixels.
void placeData(std::uint32_t offBits, std::uint64_t fileSize, BmpLayout& layout) {
  const std::uint32_t headersEnd = kFileHeaderBytes + layout.headerSize;
  const std::uint32_t entry = layout.paletteEntrySize;
  const bool indexed = layout.bitCount == 8;
  if (offBits >= headersEnd && offBits <= fileSize) {
    const std::uint32_t room = offBits - headersEnd;
    layout.paletteEntriesInFile = indexed ? std::min<std::uint32_t>(room / entry, 256) : 0;
    layout.paletteCount = layout.paletteEntriesInFile;
    layout.gapBytes = room - layout.paletteEntriesInFile * entry;
    return;
  }
  // The count that bfOffBits declares, as 32-bit unsigned arithmetic gives it
  // (a small bfOffBits wraps), kept within the record's 256 entries.
  const std::uint32_t declared =
      layout.headerSize == 40 ? (offBits - headersEnd) >> 2 : (offBits - headersEnd) / 3;
  layout.paletteEntriesInFile = indexed ? 256 : 0;
  layout.paletteCount = indexed ? std::min<std::uint32_t>(declared, 256) : 0;
  layout.gapBytes = 0;
}

// The compression field of a Windows header. 8-bit files are plain (0) or
// run-length encoded (1); a 24-bit file whose pixels are a JPEG (4) or PNG (5)
// stream is refused, while any other value there is read as plain rows, as
// some writers leave a stray value over uncompressed pixels. A run-length
// bitmap is always stored bottom-up: a top-down one is not a valid file.
bool acceptCompression(std::uint32_t compression, BmpLayout& layout) {
  constexpr std::uint32_t kRle8 = 1, kJpeg = 4, kPng = 5;
  if (layout.bitCount == 24) return compression != kJpeg && compression != kPng;
  layout.rle8 = compression == kRle8;
  return compression == 0 || (layout.rle8 && !layout.topDown);
}

}  // namespace

int readBmpHeaders(ByteSource& src, std::uint64_t fileSize, std::int32_t targetBpp,
                   std::uint8_t store[kHeaderStoreBytes], BmpLayout& layout) {
  layout = BmpLayout{};
  if (src.read(store, 18) < 18) return BMP_ERR_FILE;
  if (store[0] != 'B' || store[1] != 'M') return BMP_ERR_FORMAT;
  const std::uint32_t offBits = getLe32(store + 10);
  layout.headerSize = getLe32(store + 14);

  std::int64_t width = 0;
  std::int64_t height = 0;
  if (layout.headerSize == 40) {
    if (src.read(store + 18, 36) < 36) return BMP_ERR_FILE;
    width = static_cast<std::int32_t>(getLe32(store + 18));
    height = static_cast<std::int32_t>(getLe32(store + 22));
    layout.bitCount = getLe16(store + 28);
    layout.paletteEntrySize = 4;
  } else if (layout.headerSize == 12) {
    std::uint8_t core[8];
    if (src.read(core, 8) < 8) return BMP_ERR_FILE;
    width = getLe16(core);
    height = getLe16(core + 2);
    // The core header's fields land where the Windows header keeps them.
    putLe32(store + 18, static_cast<std::uint32_t>(width));
    putLe32(store + 22, static_cast<std::uint32_t>(height));
    putLe16(store + 26, getLe16(core + 4));
    putLe16(store + 28, getLe16(core + 6));
    layout.bitCount = getLe16(core + 6);
    layout.paletteEntrySize = 3;
  } else {
    return BMP_ERR_FORMAT;
  }
  if (layout.bitCount != 8 && layout.bitCount != 24) return BMP_ERR_FORMAT;

  layout.topDown = height < 0;
  if (height < 0) height = -height;
  if (layout.headerSize == 40 && !acceptCompression(getLe32(store + 30), layout))
    return BMP_ERR_FORMAT;
  if (width <= 0 || height == 0 || height > INT32_MAX) return BMP_ERR_FORMAT;
  if (!outputFormat(targetBpp, layout.bitCount, layout)) return BMP_ERR_FORMAT;
  const std::uint64_t bytes = static_cast<std::uint64_t>(width) *
                              static_cast<std::uint64_t>(height) * layout.outputBytesPerPixel;
  const std::uint64_t stride = ((layout.bitCount * width + 31) >> 5) * 4;
  if (bytes > UINT32_MAX || stride > UINT32_MAX) return BMP_ERR_FORMAT;

  layout.width = static_cast<std::uint32_t>(width);
  layout.height = static_cast<std::uint32_t>(height);
  layout.bufferBytes = static_cast<std::uint32_t>(bytes);
  layout.stride = static_cast<std::uint32_t>(stride);
  placeData(offBits, fileSize, layout);
  return BMP_OK;
}

}  // namespace imgcodec2
