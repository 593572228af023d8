// A generated PCM WAV file: 16-bit stereo, a sweep on the left and a square
// wave on the right, so that lost, doubled or swapped bytes show.
#pragma once

#include <cstdint>
#include <vector>

namespace testwav {

struct Wav {
  std::vector<std::uint8_t> file;
  std::vector<std::uint8_t> samples;  // the data chunk
  int rate, channels, bits;
  int lengthMs() const { return static_cast<int>(samples.size() * 1000ull / (rate * channels * bits / 8)); }
};

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
  auto put = [&](std::uint32_t v, int n) {
    for (int k = 0; k < n; ++k) w.file.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
  };
  auto tag = [&](const char* t) { w.file.insert(w.file.end(), t, t + 4); };
  const auto data = static_cast<std::uint32_t>(w.samples.size());
  tag("RIFF");
  put(36 + data, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);
  put(2, 2);
  put(static_cast<std::uint32_t>(rate), 4);
  put(static_cast<std::uint32_t>(rate * 4), 4);
  put(4, 2);
  put(16, 2);
  tag("data");
  put(data, 4);
  w.file.insert(w.file.end(), w.samples.begin(), w.samples.end());
  return w;
}

}  // namespace testwav
