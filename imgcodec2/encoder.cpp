#include "encoder.h"

#include <algorithm>
#include <cstring>

#include "imgcodec2.h"
#include "pixel_convert.h"

namespace imgcodec2 {

namespace {

std::uint64_t strideOf(const SaveRequest& r) {
  return ((static_cast<std::uint64_t>(r.fileBpp) * static_cast<std::uint32_t>(r.width) + 31) / 32) *
         4;
}

std::uint32_t headerAndTableBytes(const SaveRequest& r) {
  return r.fileBpp == 8 ? 1078 : 54;
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

void buildHeaders(const SaveRequest& r, std::uint8_t* h) {
  const auto sizeImage =
      static_cast<std::uint32_t>(strideOf(r) * static_cast<std::uint32_t>(r.height));
  std::memset(h, 0, kHeaderStoreBytes);
  h[0] = 'B';
  h[1] = 'M';
  putLe32(h + 2, sizeImage + headerAndTableBytes(r));
  putLe32(h + 10, headerAndTableBytes(r));
  putLe32(h + 14, 40);
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
    std::uint8_t* table = out.space(1024);
    if (!table) return false;
    for (unsigned n = 0; n < 256; ++n) {
      table[n * 4 + 0] = r.palette[n * 3 + 2];
      table[n * 4 + 1] = r.palette[n * 3 + 1];
      table[n * 4 + 2] = r.palette[n * 3 + 0];
      table[n * 4 + 3] = 0;
    }
    out.commit(1024);
  }

  const std::size_t inPixel = sourcePixelBytes(r.sourceBpp);
  const std::size_t outPixel = r.fileBpp / 8;
  const std::size_t sourceRowBytes = static_cast<std::size_t>(r.sourceWidth) * inPixel;
  const auto width = static_cast<std::size_t>(r.width);
  const std::size_t pad = static_cast<std::size_t>(strideOf(r)) - width * outPixel;
  const bool topFirst = r.topRowFirst || r.sourceBpp == 15 || r.sourceBpp == 16;
  const std::size_t maxRun = out.capacity() / outPixel;
  static const std::uint8_t zeros[4] = {0, 0, 0, 0};

  for (std::int32_t i = 0; i < r.height; ++i) {
    const std::size_t bufferRow =
        topFirst ? static_cast<std::size_t>(r.height - 1 - i) : static_cast<std::size_t>(i);
    const std::uint8_t* src = r.pixels + bufferRow * sourceRowBytes;
    if (r.sourceBpp == 8 || (r.sourceBpp == 24 && !r.swapRedBlue)) {
      if (!out.append(src, width * inPixel)) return false;
    } else {
      for (std::size_t done = 0; done < width;) {
        const std::size_t run = std::min(width - done, maxRun);
        std::uint8_t* dst = out.space(run * outPixel);
        if (!dst) return false;
        const std::uint8_t* s = src + done * inPixel;
        if (r.sourceBpp == 24) {
          copySwapRedBlue(s, dst, run);
        } else if (r.sourceBpp == 15) {
          words15ToBgr(s, dst, run);
        } else {
          words16ToBgr(s, dst, run);
        }
        out.commit(run * outPixel);
        done += run;
      }
    }
    if (pad && !out.append(zeros, pad)) return false;
  }
  return out.flush();
}

}  // namespace imgcodec2
