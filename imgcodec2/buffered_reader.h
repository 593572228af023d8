// Reads ahead through a caller's buffer for the decoders that convert pixels
// or take codes, and reads straight into the destination for whole rows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "byte_stream.h"

namespace imgcodec2 {

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

}  // namespace imgcodec2
