// Where the codec's bytes come from and go to: a file of the platform layer,
// or plain memory in tests and the fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace imgcodec2 {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to n bytes; fewer only at the end of the data.
  virtual std::size_t read(void* dst, std::size_t n) = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all n bytes, or returns false.
  virtual bool write(const void* src, std::size_t n) = 0;
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, std::size_t size)
      : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}
  std::size_t read(void* dst, std::size_t n) override {
    std::size_t take = n < size_ - pos_ ? n : size_ - pos_;
    if (take) std::memcpy(dst, data_ + pos_, take);
    pos_ += take;
    return take;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace imgcodec2
