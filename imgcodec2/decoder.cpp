#include "decoder.h"

#include <algorithm>
#include <cstring>

#include "buffered_reader.h"
#include "pixel_convert.h"
#include "rle8_decoder.h"

namespace imgcodec2 {

namespace {

struct Rows {
  const BmpLayout& layout;
  std::uint8_t* pixels;
  std::size_t filePixelBytes() const { return layout.bitCount / 8; }
  std::size_t rowBytes() const {
    return static_cast<std::size_t>(layout.width) * layout.outputBytesPerPixel;
  }
  std::size_t padBytes() const { return layout.stride - layout.width * filePixelBytes(); }
  // File rows run bottom-up unless the height was negative.
  std::uint8_t* row(std::uint32_t fileRow) const {
    std::uint32_t r = layout.topDown ? fileRow : layout.height - 1 - fileRow;
    return pixels + r * rowBytes();
  }
};

// 8-bit to 8-bit and 24-bit to 24-bit: each row read straight into place.
void copyRows(BufferedReader& in, const Rows& rows, bool swap) {
  const std::size_t bytes = rows.rowBytes();
  for (std::uint32_t k = 0; k < rows.layout.height; ++k) {
    std::uint8_t* dst = rows.row(k);
    std::size_t got = in.readInto(dst, bytes);
    if (swap) swapRedBlue(dst, rows.layout.width);
    if (got < bytes || !in.skip(rows.padBytes())) return;
  }
}

// The converting decoders: rows taken through the read buffer in runs of
// whole pixels, each run handed to convert(src, dst, pixels).
template <class Convert>
void convertRows(BufferedReader& in, const Rows& rows, Convert convert) {
  const std::size_t inPixel = rows.filePixelBytes();
  const std::size_t outPixel = rows.layout.outputBytesPerPixel;
  const std::size_t maxRun = in.capacity() / inPixel;
  for (std::uint32_t k = 0; k < rows.layout.height; ++k) {
    std::uint8_t* dst = rows.row(k);
    std::size_t left = rows.layout.width;
    while (left > 0) {
      const std::size_t want = std::min(left, maxRun);
      const std::size_t run = std::min(want, in.fill(want * inPixel) / inPixel);
      convert(in.data(), dst, run);
      in.consume(run * inPixel);
      dst += run * outPixel;
      left -= run;
      if (run < want) return;
    }
    if (!in.skip(rows.padBytes())) return;
  }
}

// The pixels of an 8-bit file, plain rows or run-length codes: indices handed
// to convert(src, dst, pixels).
template <class Convert>
void indexedPixels(BufferedReader& in, const Rows& rows, Convert convert) {
  if (rows.layout.rle8) {
    decodeRle8(in, rows.layout, rows.pixels, convert);
  } else {
    convertRows(in, rows, convert);
  }
}

void decodeIndexed(BufferedReader& in, const Rows& rows, const DecodeTarget& t) {
  const BmpLayout& layout = rows.layout;
  const unsigned entry = layout.paletteEntrySize;
  std::memset(t.paletteBlock, 0, kPaletteBlockBytes);
  in.readInto(t.paletteBlock, layout.paletteEntriesInFile * entry);
  if (!in.skip(layout.gapBytes)) return;
  switch (layout.outputBpp) {
    case 8:
      for (unsigned i = 0; i < layout.paletteCount; ++i) {
        const std::uint8_t* e = t.paletteBlock + i * entry;
        t.recordPalette[i * 3 + 0] = e[2];
        t.recordPalette[i * 3 + 1] = e[1];
        t.recordPalette[i * 3 + 2] = e[0];
      }
      if (layout.rle8) {
        decodeRle8(
            in, layout, rows.pixels,
            [](const std::uint8_t* s, std::uint8_t* d, std::size_t n) { std::memcpy(d, s, n); });
      } else {
        copyRows(in, rows, false);
      }
      break;
    case 15:
    case 16: {
      std::uint16_t words[256];
      (layout.outputBpp == 15 ? paletteTo15 : paletteTo16)(t.paletteBlock, entry, words);
      indexedPixels(in, rows, [&](const std::uint8_t* s, std::uint8_t* d, std::size_t n) {
        indexedToWords(s, d, n, words);
      });
      break;
    }
    default: {
      std::uint8_t triplets[256 * 3];
      paletteTo24(t.paletteBlock, entry, t.rgbOrder, triplets);
      indexedPixels(in, rows, [&](const std::uint8_t* s, std::uint8_t* d, std::size_t n) {
        indexedToTriplets(s, d, n, triplets);
      });
      break;
    }
  }
}

void decodeTrueColour(BufferedReader& in, const Rows& rows, const DecodeTarget& t) {
  if (!in.skip(rows.layout.gapBytes)) return;
  switch (rows.layout.outputBpp) {
    case 24:
      copyRows(in, rows, t.rgbOrder);
      break;
    case 15:
      convertRows(in, rows, bgrTo15);
      break;
    case 16:
      convertRows(in, rows, bgrTo16);
      break;
    default: {
      NearestColor& nearest = *t.nearest;
      convertRows(in, rows, [&](const std::uint8_t* s, std::uint8_t* d, std::size_t n) {
        nearest.findRow(s, d, n);
      });
      break;
    }
  }
}

}  // namespace

void decodeBmp(ByteSource& src, const BmpLayout& layout, const DecodeTarget& target) {
  BufferedReader in(src, target.work, target.workBytes);
  Rows rows{layout, target.pixels};
  if (layout.bitCount == 8) {
    decodeIndexed(in, rows, target);
  } else {
    decodeTrueColour(in, rows, target);
  }
}

}  // namespace imgcodec2
