#include "decoder.h"

#include <algorithm>
#include <cstring>

#include "pixel_convert.h"

namespace imgcodec2 {

namespace {

// Reads ahead through the caller's buffer for the converting decoders, and
// reads straight into the destination for whole rows.
class BufferedReader {
 public:
  BufferedReader(ByteSource& src, std::uint8_t* buffer, std::size_t capacity)
      : src_(src), buf_(buffer), cap_(capacity) {}

  std::size_t capacity() const { return cap_; }
  const std::uint8_t* data() const { return buf_ + pos_; }
  void consume(std::size_t n) { pos_ += n; }

  // Makes at least n (<= capacity) bytes available unless the data ends first;
  // returns how many are available.
  std::size_t fill(std::size_t n) {
    if (end_ - pos_ >= n) return end_ - pos_;
    std::memmove(buf_, buf_ + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
    while (end_ < n && !ended_) {
      std::size_t got = src_.read(buf_ + end_, cap_ - end_);
      if (got == 0) ended_ = true;
      end_ += got;
    }
    return end_;
  }

  // Copies n bytes to dst, the buffered ones first; returns the count copied.
  std::size_t readInto(std::uint8_t* dst, std::size_t n) {
    std::size_t take = std::min(n, end_ - pos_);
    std::memcpy(dst, buf_ + pos_, take);
    pos_ += take;
    if (take < n && !ended_) {
      std::size_t got = src_.read(dst + take, n - take);
      if (got < n - take) ended_ = true;
      take += got;
    }
    return take;
  }

  // Discards n bytes; false when the data ends first.
  bool skip(std::uint64_t n) {
    std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n, end_ - pos_));
    pos_ += take;
    n -= take;
    while (n > 0) {
      if (ended_) return false;
      pos_ = end_ = 0;
      std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(n, cap_));
      std::size_t got = src_.read(buf_, want);
      if (got < want) ended_ = true;
      n -= got;
    }
    return true;
  }

 private:
  ByteSource& src_;
  std::uint8_t* buf_;
  std::size_t cap_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool ended_ = false;
};

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

void decodeIndexed(BufferedReader& in, const Rows& rows, const DecodeTarget& t) {
  const BmpLayout& layout = rows.layout;
  const unsigned entry = layout.paletteEntrySize;
  std::memset(t.paletteBlock, 0, 1024);
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
      copyRows(in, rows, false);
      break;
    case 15:
    case 16: {
      std::uint16_t words[256];
      (layout.outputBpp == 15 ? paletteTo15 : paletteTo16)(t.paletteBlock, entry, words);
      convertRows(in, rows, [&](const std::uint8_t* s, std::uint8_t* d, std::size_t n) {
        indexedToWords(s, d, n, words);
      });
      break;
    }
    default: {
      std::uint8_t triplets[256 * 3];
      paletteTo24(t.paletteBlock, entry, t.rgbOrder, triplets);
      convertRows(in, rows, [&](const std::uint8_t* s, std::uint8_t* d, std::size_t n) {
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
