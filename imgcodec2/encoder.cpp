#include "encoder.h"

#include <algorithm>
#include <cstring>

#include "codec_kernels.h"
#include "imgcodec2.h"

namespace imgcodec2 {

namespace {

std::uint64_t strideOf(const SaveRequest& r) {
  return ((static_cast<std::uint64_t>(r.fileBpp) * static_cast<std::uint32_t>(r.width) + 31) / 32) *
         4;
}

std::uint32_t headerAndTableBytes(const SaveRequest& r) {
  return kHeaderStoreBytes + (r.fileBpp == 8 ? kPaletteBlockBytes : 0);
}

std::size_t sourcePixelBytes(std::int32_t bpp) {
  return bpp == 8 ? 1 : (bpp == 24 ? 3 : 2);
}

// Collects output in the work buffer and writes it out when full.
class BufferedWriter {
 public:
  BufferedWriter(ByteSink& sink, std::uint8_t* buffer, std::size_t capacity)
      : sink_(sink), buf_(buffer), cap_(capacity) {}
  std::size_t capacity() const { return cap_; }
  std::size_t room() const { return cap_ - used_; }
  // Room for n (<= capacity) bytes; null once a write has failed.
  std::uint8_t* space(std::size_t n) {
    if (cap_ - used_ < n && !flush()) return nullptr;
    return ok_ ? buf_ + used_ : nullptr;
  }
  void commit(std::size_t n) { used_ += n; }
  bool append(const void* src, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(src);
    while (n > 0) {
      std::size_t take = std::min(n, cap_);
      std::uint8_t* dst = space(take);
      if (!dst) return false;
      std::memcpy(dst, p, take);
      commit(take);
      p += take;
      n -= take;
    }
    return true;
  }
  bool flush() {
    if (ok_ && used_ > 0) ok_ = sink_.write(buf_, used_);
    used_ = 0;
    return ok_;
  }

 private:
  ByteSink& sink_;
  std::uint8_t* buf_;
  std::size_t cap_;
  std::size_t used_ = 0;
  bool ok_ = true;
};

void copyIndices(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  std::memcpy(dst, src, n);
}
void copyTriplets(const std::uint8_t* src, std::uint8_t* dst, std::size_t n) {
  std::memcpy(dst, src, 3 * n);
}

// What a run of n source pixels becomes in the file.
ConvertFn conversionOf(const SaveRequest& r) {
  const CodecKernels& k = codecKernels();
  switch (r.sourceBpp) {
    case 8:
      return copyIndices;
    case 15:
      return k.words15ToBgr;
    case 16:
      return k.words16ToBgr;
    default:
      return r.swapRedBlue ? k.copySwapRedBlue : copyTriplets;
  }
}

void buildHeaders(const SaveRequest& r, std::uint8_t* h) {
  const auto sizeImage =
      static_cast<std::uint32_t>(strideOf(r) * static_cast<std::uint32_t>(r.height));
  std::memset(h, 0, kHeaderStoreBytes);
  h[0] = 'B';
  h[1] = 'M';
  putLe32(h + 2, sizeImage + headerAndTableBytes(r));
  putLe32(h + 10, headerAndTableBytes(r));
  putLe32(h + 14, kWindowsInfoHeaderBytes);  // biSize
  putLe32(h + 18, static_cast<std::uint32_t>(r.width));
  putLe32(h + 22, static_cast<std::uint32_t>(r.height));
  putLe16(h + 26, 1);
  putLe16(h + 28, static_cast<std::uint32_t>(r.fileBpp));
  putLe32(h + 34, sizeImage);
  putLe32(h + 38, 72);  // pixels per metre, as the format has always been written here
  putLe32(h + 42, 72);
}

}  // namespace

int checkSave(const SaveRequest& r) {
  const bool pairOk =
      (r.sourceBpp == 8 && r.fileBpp == 8) ||
      (r.fileBpp == 24 && (r.sourceBpp == 24 || r.sourceBpp == 15 || r.sourceBpp == 16));
  if (!pairOk || !r.pixels || r.width < 1 || r.height < 1 ||
      static_cast<std::uint32_t>(r.width) > r.sourceWidth) {
    return BMP_ERR_FORMAT;
  }
  const std::uint64_t fileBytes =
      strideOf(r) * static_cast<std::uint32_t>(r.height) + headerAndTableBytes(r);
  return fileBytes > UINT32_MAX ? BMP_ERR_FORMAT : BMP_OK;
}

bool writeBmp(ByteSink& sink, const SaveRequest& r, std::uint8_t store[kHeaderStoreBytes],
              std::uint8_t* work, std::size_t workBytes) {
  BufferedWriter out(sink, work, workBytes);
  buildHeaders(r, store);
  if (!out.append(store, kHeaderStoreBytes)) return false;
  if (r.fileBpp == 8) {
    std::uint8_t* table = out.space(kPaletteBlockBytes);
    if (!table) return false;
    for (unsigned n = 0; n < 256; ++n) {
      table[n * 4 + 0] = r.palette[n * 3 + 2];
      table[n * 4 + 1] = r.palette[n * 3 + 1];
      table[n * 4 + 2] = r.palette[n * 3 + 0];
      table[n * 4 + 3] = 0;
    }
    out.commit(kPaletteBlockBytes);
  }

  const ConvertFn convert = conversionOf(r);
  const std::size_t inPixel = sourcePixelBytes(r.sourceBpp);
  const std::size_t outPixel = r.fileBpp / 8;
  const std::size_t sourceRowBytes = static_cast<std::size_t>(r.sourceWidth) * inPixel;
  const auto width = static_cast<std::size_t>(r.width);
  const auto height = static_cast<std::size_t>(r.height);
  const std::size_t rowBytes = width * outPixel;
  const auto stride = static_cast<std::size_t>(strideOf(r));
  const bool topFirst = r.topRowFirst || r.sourceBpp == 15 || r.sourceBpp == 16;
  // The buffer row of file row i.
  auto sourceRow = [&](std::size_t i) {
    return r.pixels + (topFirst ? height - 1 - i : i) * sourceRowBytes;
  };

  if (stride > out.capacity()) {
    // Rows longer than the buffer: each in runs, then its padding.
    static const std::uint8_t zeros[4] = {0, 0, 0, 0};
    const std::size_t maxRun = out.capacity() / outPixel;
    for (std::size_t i = 0; i < height; ++i) {
      const std::uint8_t* src = sourceRow(i);
      for (std::size_t done = 0; done < width;) {
        const std::size_t run = std::min(width - done, maxRun);
        std::uint8_t* dst = out.space(run * outPixel);
        if (!dst) return false;
        convert(src + done * inPixel, dst, run);
        out.commit(run * outPixel);
        done += run;
      }
      if (!out.append(zeros, stride - rowBytes)) return false;
    }
    return out.flush();
  }

  // As many rows as the buffer holds, each converted straight into its place
  // and in the order the rows lie in memory: a file stored bottom row first
  // from a buffer stored top row first walks memory backwards a row at a
  // time, which the processor's prefetching does not follow, and a save then
  // waits on memory at the start of every row.
  for (std::size_t i = 0; i < height;) {
    const std::size_t rows = std::min(out.room() / stride, height - i);
    if (rows == 0) {
      if (!out.flush()) return false;
      continue;
    }
    std::uint8_t* dst = out.space(rows * stride);
    if (!dst) return false;
    for (std::size_t k = 0; k < rows; ++k) {
      const std::size_t j = topFirst ? rows - 1 - k : k;  // file row i + j
      std::uint8_t* row = dst + j * stride;
      convert(sourceRow(i + j), row, width);
      std::memset(row + rowBytes, 0, stride - rowBytes);
    }
    out.commit(rows * stride);
    i += rows;
  }
  return out.flush();
}

}  // namespace imgcodec2
