// libFuzzer target: in_wav's WAV parser and the size of its decode chunks on
// any bytes. The first two bytes pick the chunk setting and the output's
// room; the rest is the file. Whatever the header says, a file that parses
// must describe samples inside the file, in frames that fit the decode
// buffer, at a rate whose timing arithmetic cannot overflow.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "wav_format.h"

namespace {

struct Memory {
  const std::uint8_t* data;
  std::size_t size;
};

bool readAt(void* context, std::uint64_t at, void* dst, std::size_t n) {
  const auto* m = static_cast<const Memory*>(context);
  if (at > m->size || n > m->size - at) return false;
  std::memcpy(dst, m->data + at, n);
  return true;
}

void require(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int setting = 1 << (data[0] & 15);  // 1 to 32768 samples
  const int room = (data[1] & 1) ? 1 << ((data[1] >> 3) % 31) : data[1] * 97;
  Memory file{data + 2, size - 2};
  wavfile::WavFormat f;
  if (!wavfile::parseWav(readAt, &file, file.size, f)) return 0;
  require(f.blockAlign >= 1 && f.blockAlign <= static_cast<int>(wavfile::kDecodeBufferBytes / 2));
  require(f.blockAlign == f.channels * f.bits / 8 && f.rate > 0);
  require(f.bytesPerSecond == static_cast<std::int64_t>(f.rate) * f.blockAlign &&
          f.bytesPerSecond <= wavfile::kMaxBytesPerSecond);
  require(f.dataOffset <= file.size && f.dataBytes <= file.size - f.dataOffset);
  require(f.dataBytes % static_cast<std::uint64_t>(f.blockAlign) == 0);
  const std::size_t chunk = wavfile::chunkBytes(f, setting, room);
  require(chunk >= static_cast<std::size_t>(f.blockAlign) && chunk % f.blockAlign == 0);
  require(2 * chunk <= wavfile::kDecodeBufferBytes);
  require(chunk == static_cast<std::size_t>(f.blockAlign) ||
          2 * chunk <= static_cast<std::size_t>(room));
  return 0;
}
