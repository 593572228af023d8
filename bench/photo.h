// A synthetic "photograph": smooth shading, texture and sensor noise, so that
// nearly every pixel has a colour of its own, as in a real photo.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace benchphoto {

// Blue, green, red pixels, top row first.
inline std::vector<std::uint8_t> makePhoto(int w, int h) {
  std::vector<std::uint8_t> px(static_cast<std::size_t>(w) * h * 3);
  std::mt19937 rng(42);
  std::normal_distribution<float> noise(0.0f, 6.0f);
  auto clamp = [](float v) { return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float u = static_cast<float>(x) / w, v = static_cast<float>(y) / h;
      const float sky = 1.0f - v;
      const float tex = std::sin(40 * u + 7 * std::sin(9 * v)) * std::cos(31 * v + 5 * u);
      float r = 90 + 110 * sky * u + 35 * tex + noise(rng);
      float g = 110 + 70 * std::sin(3 * u + 2 * v) + 30 * tex + noise(rng);
      float b = 60 + 150 * sky * (1 - u) + 20 * tex + noise(rng);
      std::uint8_t* p = &px[(static_cast<std::size_t>(y) * w + x) * 3];
      p[0] = clamp(b);
      p[1] = clamp(g);
      p[2] = clamp(r);
    }
  }
  return px;
}

// Writes a bottom-up 24-bit BMP of the top-down pixels.
inline void writeBmp24(const std::string& path, const std::vector<std::uint8_t>& px, int w, int h) {
  const std::uint32_t stride = ((24u * w + 31) / 32) * 4;
  std::vector<std::uint8_t> file(54 + static_cast<std::size_t>(stride) * h, 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) file[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<std::uint32_t>(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(w));
  put32(22, static_cast<std::uint32_t>(h));
  file[26] = 1;
  file[28] = 24;
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* src = &px[static_cast<std::size_t>(h - 1 - y) * w * 3];
    std::copy(src, src + static_cast<std::size_t>(w) * 3,
              &file[54 + static_cast<std::size_t>(y) * stride]);
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
}

}  // namespace benchphoto
