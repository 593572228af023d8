#include "file_stream.h"

#include <algorithm>

namespace imgcodec2 {

namespace {
constexpr std::size_t kMaxCall = 1u << 30;  // keeps each count well inside a DWORD
}

std::size_t FileSource::read(void* dst, std::size_t n) {
  std::size_t total = 0;
  while (total < n) {
    DWORD want = static_cast<DWORD>(std::min(n - total, kMaxCall));
    DWORD got = 0;
    if (!ReadFile(file_, static_cast<char*>(dst) + total, want, &got, nullptr) || got == 0) break;
    total += got;
  }
  return total;
}

bool FileSink::write(const void* src, std::size_t n) {
  std::size_t total = 0;
  while (total < n) {
    DWORD want = static_cast<DWORD>(std::min(n - total, kMaxCall));
    DWORD put = 0;
    if (!WriteFile(file_, static_cast<const char*>(src) + total, want, &put, nullptr) ||
        put != want) {
      return false;
    }
    total += put;
  }
  return true;
}

}  // namespace imgcodec2
