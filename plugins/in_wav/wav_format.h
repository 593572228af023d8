// The WAV parser of in_wav and the size of its decode chunks, on any reader:
// plain arithmetic, so that the fuzzer runs it on memory. Every size is
// checked in 64-bit arithmetic; a header that could not be played safely is
// refused, never followed.
#pragma once

#include <cstdint>
#include <cstring>

namespace wavfile {

// The decode buffer, with room for the DSP callback to double the samples.
constexpr std::size_t kDecodeBufferBytes = 64 * 1024;
// Above this the timing arithmetic of a play (milliseconds times bytes per
// second) could overflow: 2^28 bytes a second is far beyond any PCM stream.
constexpr std::int64_t kMaxBytesPerSecond = std::int64_t{1} << 28;

struct WavFormat {
  int rate = 0, channels = 0, bits = 0;
  int blockAlign = 0;               // bytes of one sample frame, 1 to half the decode buffer
  std::int64_t bytesPerSecond = 0;  // 1 to kMaxBytesPerSecond
  std::uint64_t dataOffset = 0;     // the samples, whole frames that lie in the file
  std::uint64_t dataBytes = 0;
};

// Reads n bytes at offset at; false when they are not all there.
using ReadAt = bool (*)(void* context, std::uint64_t at, void* dst, std::size_t n);

inline std::uint32_t le(const unsigned char* p, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// The format chunk's 16 bytes; false for anything but PCM we can play.
inline bool readFormat(const unsigned char* fmt, WavFormat& f) {
  if (le(fmt, 2) != 1) return false;  // PCM only
  const std::uint32_t channels = le(fmt + 2, 2), rate = le(fmt + 4, 4), bits = le(fmt + 14, 2);
  if (channels == 0 || rate == 0 || (bits != 8 && bits != 16)) return false;
  const std::uint64_t block = std::uint64_t{channels} * bits / 8;
  const std::uint64_t perSecond = block * rate;
  if (block > kDecodeBufferBytes / 2 || perSecond > kMaxBytesPerSecond) return false;
  f.channels = static_cast<int>(channels);
  f.rate = static_cast<int>(rate);
  f.bits = static_cast<int>(bits);
  f.blockAlign = static_cast<int>(block);
  f.bytesPerSecond = static_cast<std::int64_t>(perSecond);
  return true;
}

// true for a PCM WAV file we play, of fileSize bytes, with f filled in.
// Chunks are walked forwards only: each step moves past at least a chunk
// header, so any chunk size ends the walk within the file.
inline bool parseWav(ReadAt read, void* context, std::uint64_t fileSize, WavFormat& f) {
  f = WavFormat{};
  unsigned char riff[12];
  if (!read(context, 0, riff, 12) || std::memcmp(riff, "RIFF", 4) ||
      std::memcmp(riff + 8, "WAVE", 4)) {
    return false;
  }
  bool haveFormat = false;
  for (std::uint64_t at = 12; at + 8 <= fileSize;) {
    unsigned char chunk[8];
    if (!read(context, at, chunk, 8)) return false;
    const std::uint64_t size = le(chunk + 4, 4), body = at + 8;
    if (!std::memcmp(chunk, "fmt ", 4) && size >= 16) {
      unsigned char fmt[16];
      if (!read(context, body, fmt, 16) || !readFormat(fmt, f)) return false;
      haveFormat = true;
    } else if (!std::memcmp(chunk, "data", 4)) {
      if (!haveFormat) return false;
      const std::uint64_t available = fileSize - body;
      const std::uint64_t bytes = size < available ? size : available;
      f.dataOffset = body;
      f.dataBytes = bytes / static_cast<std::uint64_t>(f.blockAlign) * f.blockAlign;
      return true;
    }
    at = body + size + (size & 1);
  }
  return false;
}

// Bytes of one decode chunk: the samples per chunk that the plug-in is set
// to, cut to whole frames that fit half the decode buffer (the DSP may double
// them) and half of what the output can take at once (outputRoom, from
// CanWrite after Open), so that a chunk never waits for room the output does
// not have. At least one frame.
inline std::size_t chunkBytes(const WavFormat& f, int samplesSetting, int outputRoom) {
  std::int64_t frames = samplesSetting > 0 ? samplesSetting : 1;
  const std::int64_t block = f.blockAlign;
  const std::int64_t bufferFrames = static_cast<std::int64_t>(kDecodeBufferBytes / 2) / block;
  const std::int64_t outputFrames = outputRoom / 2 / block;
  if (frames > bufferFrames) frames = bufferFrames;
  if (frames > outputFrames) frames = outputFrames;
  if (frames < 1) frames = 1;
  return static_cast<std::size_t>(frames * block);
}

}  // namespace wavfile
