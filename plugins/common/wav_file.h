// PCM WAV files for the plug-ins' tests and the demo. makeWav generates 16-bit
// stereo: a sweep on the left and a square wave on the right, so that lost,
// doubled or swapped bytes show.
#pragma once

#include <cstdint>
#include <vector>

namespace wav {

struct Wav {
  std::vector<std::uint8_t> file;
  std::vector<std::uint8_t> samples;  // the data chunk
  int rate, channels, bits;
  int lengthMs() const {
    return static_cast<int>(samples.size() * 1000ull / (rate * channels * bits / 8));
  }
};

// A PCM WAV file holding samples.
inline std::vector<std::uint8_t> wavFile(const std::vector<std::uint8_t>& samples, int rate,
                                         int channels, int bits) {
  std::vector<std::uint8_t> file;
  file.reserve(44 + samples.size());
  auto put = [&](std::uint32_t v, int n) {
    for (int k = 0; k < n; ++k) file.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
  };
  auto tag = [&](const char* t) {
    for (int k = 0; k < 4; ++k) file.push_back(static_cast<std::uint8_t>(t[k]));
  };
  const auto data = static_cast<std::uint32_t>(samples.size());
  const auto block = static_cast<std::uint32_t>(channels * bits / 8);
  tag("RIFF");
  put(36 + data, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);
  put(static_cast<std::uint32_t>(channels), 2);
  put(static_cast<std::uint32_t>(rate), 4);
  put(static_cast<std::uint32_t>(rate) * block, 4);
  put(block, 2);
  put(static_cast<std::uint32_t>(bits), 2);
  tag("data");
  put(data, 4);
  file.insert(file.end(), samples.begin(), samples.end());
  return file;
}

inline Wav makeWav(int rate = 22050, int ms = 600) {
  Wav w{{}, {}, rate, 2, 16};
  const int frames = rate * ms / 1000;
  for (int i = 0; i < frames; ++i) {
    const auto left = static_cast<std::int16_t>((i * 37) % 20000 - 10000);
    const auto right = static_cast<std::int16_t>((i / 50) % 2 ? 8000 : -8000);
    for (std::int16_t v : {left, right}) {
      w.samples.push_back(static_cast<std::uint8_t>(v & 0xFF));
      w.samples.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    }
  }
  w.file = wavFile(w.samples, rate, 2, 16);
  return w;
}

}  // namespace wav
