// ByteSource and ByteSink over a Win32 file handle.
#pragma once

#include "byte_stream.h"
#include "compat/win32.h"

namespace imgcodec2 {

class FileSource : public ByteSource {
 public:
  explicit FileSource(HANDLE file) : file_(file) {}
  std::size_t read(void* dst, std::size_t n) override;

 private:
  HANDLE file_;
};

class FileSink : public ByteSink {
 public:
  explicit FileSink(HANDLE file) : file_(file) {}
  bool write(const void* src, std::size_t n) override;

 private:
  HANDLE file_;
};

}  // namespace imgcodec2
