// The cached nearest-colour search against the plain linear scan.
#include "nearest_color.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

using imgcodec2::findLinear;
using imgcodec2::NearestColor;
using imgcodec2::TrueColorPalette;

namespace {

TrueColorPalette paletteFrom(std::mt19937& rng, int kind) {
  TrueColorPalette p{};
  std::uniform_int_distribution<int> any(0, 255);
  for (int i = 0; i < 256; ++i) {
    auto& e = p.entries[i];
    switch (kind) {
      case 0:
        e = {any(rng), any(rng), any(rng)};
        break;  // scattered
      case 1:
        e = {i, i, i};
        break;  // greys
      case 2:
        e = {(i % 4) * 85, (i % 4) * 85, (i % 4) * 85};
        break;  // many duplicates
      case 3:
        e = {0, 0, 0};
        break;  // all black
      case 4:
        e = {(i & 7) * 32 + 16, ((i >> 3) & 7) * 32 + 16, (i >> 6) * 64 + 32};
        break;  // cube
      default:
        e = {any(rng) / 32 * 32, 128, any(rng) / 64 * 64};
        break;  // clustered, many ties
    }
  }
  return p;
}

}  // namespace

TEST(NearestColor, AgreesWithTheLinearScan) {
  std::mt19937 rng(1234);
  auto fast = std::make_unique<NearestColor>();
  for (int kind = 0; kind < 6; ++kind) {
    TrueColorPalette palette = paletteFrom(rng, kind);
    fast->reset(palette);
    // A lattice that crosses every cube boundary, then random colours.
    for (int r = 0; r < 256; r += 5)
      for (int g = 0; g < 256; g += 7)
        for (int b = 0; b < 256; b += 3)
          ASSERT_EQ(fast->find(r, g, b), findLinear(palette, r, g, b))
              << kind << " " << r << "," << g << "," << b;
    std::uniform_int_distribution<int> any(0, 255);
    for (int n = 0; n < 20000; ++n) {
      int r = any(rng), g = any(rng), b = any(rng);
      ASSERT_EQ(fast->find(r, g, b), findLinear(palette, r, g, b)) << kind;
    }
  }
}

TEST(NearestColor, TiesGoToTheLowerIndexAndExactMatchesWin) {
  TrueColorPalette p{};
  for (auto& e : p.entries) e = {0, 0, 255};
  p.entries[5] = {255, 0, 0};
  p.entries[9] = {255, 0, 0};
  p.entries[2] = {100, 100, 100};
  p.entries[7] = {110, 100, 100};
  auto fast = std::make_unique<NearestColor>();
  fast->reset(p);
  struct Case {
    int r, g, b, index;
  };
  for (Case c :
       {Case{255, 0, 0, 5}, Case{105, 100, 100, 2}, Case{0, 0, 255, 0}, Case{250, 5, 0, 5}}) {
    EXPECT_EQ(findLinear(p, c.r, c.g, c.b), c.index);
    EXPECT_EQ(fast->find(c.r, c.g, c.b), c.index);
  }
}

TEST(NearestColor, ResetForgetsTheOldPalette) {
  TrueColorPalette a{}, b{};
  a.entries[1] = {200, 0, 0};
  b.entries[2] = {200, 0, 0};
  auto fast = std::make_unique<NearestColor>();
  fast->reset(a);
  EXPECT_EQ(fast->find(200, 0, 0), 1);
  EXPECT_EQ(fast->find(201, 0, 0), 1);
  fast->reset(b);
  EXPECT_EQ(fast->find(200, 0, 0), 2);
  EXPECT_EQ(fast->find(201, 0, 0), 2);
}

TEST(NearestColor, SurvivesFullCandidatePools) {
  // 255 equal greys and black: every cube near the greys lists them all, so
  // the pools fill and start over many times; the answers still split
  // between grey (index 0) and black (255).
  TrueColorPalette p{};
  for (int i = 0; i < 255; ++i) p.entries[i] = {128, 128, 128};
  auto fast = std::make_unique<NearestColor>();
  fast->reset(p);
  std::vector<std::uint8_t> row, indices;
  for (int r = 0; r < 256; r += 4) {
    for (int g = 0; g < 256; g += 4) {
      row.clear();
      for (int b = 0; b < 256; b += 4) {
        ASSERT_EQ(fast->find(r, g, b), findLinear(p, r, g, b)) << r << "," << g << "," << b;
        row.insert(row.end(), {static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g),
                               static_cast<std::uint8_t>(r)});
      }
      indices.assign(row.size() / 3, 0xEE);
      fast->findRow(row.data(), indices.data(), indices.size());
      for (std::size_t k = 0; k < indices.size(); ++k) {
        ASSERT_EQ(indices[k], findLinear(p, r, g, static_cast<unsigned>(4 * k)))
            << r << "," << g << "," << 4 * k;
      }
    }
  }
}
