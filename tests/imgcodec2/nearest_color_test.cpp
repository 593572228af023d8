// The colour search against the plain linear scan: every colour of the cube
// for palettes that stress the candidate lists, on the path the library
// chooses here and on every path of the processor models this one can run,
// with and without (enough) memory for the lists.
#include "nearest_color.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "codec_kernels.h"
#include "processor_models.h"

using imgcodec2::findLinear;
using imgcodec2::NearestColor;
using imgcodec2::TrueColorPalette;

namespace {

struct NamedPalette {
  std::string name;
  TrueColorPalette palette;
};

std::vector<NamedPalette> testPalettes() {
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> any(0, 255), near(-5, 5);
  std::vector<NamedPalette> all;
  auto add = [&](const std::string& name, auto entry) {
    NamedPalette p{name, {}};
    for (int i = 0; i < 256; ++i) p.palette.entries[i] = entry(i);
    all.push_back(p);
  };
  add("all black", [](int) { return imgcodec2::PaletteEntry{0, 0, 0}; });
  add("one colour 256 times", [](int) { return imgcodec2::PaletteEntry{77, 140, 200}; });
  add("four greys repeated", [](int i) {
    return imgcodec2::PaletteEntry{i % 4 * 85, i % 4 * 85, i % 4 * 85};
  });
  add("grey ramp", [](int i) { return imgcodec2::PaletteEntry{i, i, i}; });
  add("random", [&](int) { return imgcodec2::PaletteEntry{any(rng), any(rng), any(rng)}; });
  // Equal distances everywhere: many exact ties between different indices.
  add("coarse grid with repeats", [&](int) {
    return imgcodec2::PaletteEntry{any(rng) / 32 * 32, 128, any(rng) / 64 * 64};
  });
  // Entries 32 apart, the highest first: colours at cube corners are as near
  // to an entry outside the cube as to one inside, and the outside one wins.
  add("lattice, highest first", [](int i) {
    return imgcodec2::PaletteEntry{15 + 32 * (7 - i % 8), 15 + 32 * (7 - i / 8 % 8),
                                   15 + 32 * (3 - i / 64)};
  });
  // A tight cluster listed farthest from its centre first.
  NamedPalette cluster{"tight cluster, farthest first", {}};
  for (auto& e : cluster.palette.entries) e = {120 + near(rng), 200 + near(rng), 60 + near(rng)};
  auto spread = [](const imgcodec2::PaletteEntry& e) {
    return (e.red - 120) * (e.red - 120) + (e.green - 200) * (e.green - 200) +
           (e.blue - 60) * (e.blue - 60);
  };
  std::stable_sort(std::begin(cluster.palette.entries), std::end(cluster.palette.entries),
                   [&](const auto& a, const auto& b) { return spread(a) > spread(b); });
  all.push_back(cluster);
  return all;
}

// The answers for the 256 blues of one (red, green) row, found another way
// than either search: the lowest key 256 d + index is, as a function of the
// blue b, the lower envelope of the parabolas 256 (b - blue_i)^2 + K_i, all of
// one shape, which a sweep over the blues finds in linear time. Two keys are
// never equal at a whole b (their indices differ), so no envelope crossing is
// a whole number and exact ties need no special care.
void referenceRow(const TrueColorPalette& p, int r, int g, std::uint8_t out[256]) {
  std::int64_t key[256];  // the lowest K among the entries of each blue; -1 for none
  std::fill(key, key + 256, -1);
  for (int i = 0; i < 256; ++i) {
    const auto& e = p.entries[i];
    const std::int64_t k = 256 * ((r - e.red) * (r - e.red) + (g - e.green) * (g - e.green)) + i;
    if (key[e.blue] < 0 || k < key[e.blue]) key[e.blue] = k;
  }
  auto crossing = [&](int a, int b) {  // where the parabolas of blues a < b meet
    return static_cast<double>((key[b] + 256 * b * b) - (key[a] + 256 * a * a)) / (512.0 * (b - a));
  };
  int hull[256];
  double from[257];
  int k = -1;
  for (int q = 0; q < 256; ++q) {
    if (key[q] < 0) continue;
    double s = -1e300;
    while (k >= 0 && (s = crossing(hull[k], q)) <= from[k]) --k;
    hull[++k] = q;
    from[k] = k == 0 ? -1e300 : s;
  }
  for (int b = 0, at = 0; b < 256; ++b) {
    while (at < k && from[at + 1] < b) ++at;
    out[b] = static_cast<std::uint8_t>(key[hull[at]] & 0xFF);
  }
}

// A model for each search kernel that this processor can run.
std::vector<testcpu::Model> searchPathsHere() {
  std::vector<testcpu::Model> paths;
  std::vector<imgcodec2::FindRowFn> seen;
  for (const testcpu::Model& m : testcpu::modelsHere()) {
    const imgcodec2::FindRowFn path = imgcodec2::kernelsFor(processor::featuresOf(m.words)).findRow;
    if (std::find(seen.begin(), seen.end(), path) != seen.end()) continue;
    seen.push_back(path);
    paths.push_back(m);
  }
  return paths;
}

// Compares the search with the reference over the (red, green) rows that
// `take` picks, all 256 blues each; the first difference fails the test.
template <class Take>
void expectReference(NearestColor& search, const NamedPalette& p, Take take, const char* how) {
  std::uint8_t bgr[256 * 3], got[256], want[256];
  for (int r = 0; r < 256; ++r) {
    for (int g = 0; g < 256; ++g) {
      if (!take(r, g)) continue;
      for (int b = 0; b < 256; ++b) {
        bgr[3 * b] = static_cast<std::uint8_t>(b);
        bgr[3 * b + 1] = static_cast<std::uint8_t>(g);
        bgr[3 * b + 2] = static_cast<std::uint8_t>(r);
      }
      search.findRow(bgr, got, 256);
      referenceRow(p.palette, r, g, want);
      for (int b = 0; b < 256; ++b) {
        ASSERT_EQ(got[b], want[b])
            << p.name << ", " << how << ", colour " << r << "," << g << "," << b;
      }
    }
  }
}

class NearestColorTest : public ::testing::Test {
 protected:
  std::unique_ptr<NearestColor> withMemory(std::size_t bytes = NearestColor::kMemoryBytes) {
    memory_.assign(bytes / 4, 0);
    auto search = std::make_unique<NearestColor>();
    search->attachMemory(memory_.data(), bytes);
    return search;
  }
  std::vector<std::uint32_t> memory_;
};

}  // namespace

TEST_F(NearestColorTest, ReferenceIsTheLinearScan) {
  std::uint8_t want[256];
  for (const NamedPalette& p : testPalettes()) {
    for (int r = 0; r < 256; r += 15) {
      for (int g = 0; g < 256; g += 17) {
        referenceRow(p.palette, r, g, want);
        for (int b = 0; b < 256; ++b)
          ASSERT_EQ(want[b], findLinear(p.palette, r, g, b))
              << p.name << " " << r << "," << g << "," << b;
      }
    }
  }
}

// Every colour on the path the library takes here, and a sample of rows on
// every search path this processor can run. Under the sanitizers,
// which slow the search tenfold, only every seventh row of colours.
TEST_F(NearestColorTest, AgreesWithTheLinearScanOnEveryColour) {
#ifdef __SANITIZE_ADDRESS__
  constexpr int kEvery = 7;
#else
  constexpr int kEvery = 1;
#endif
  const std::vector<testcpu::Model> models = searchPathsHere();
  for (const NamedPalette& p : testPalettes()) {
    auto search = withMemory();
    search->setPalette(p.palette);
    expectReference(
        *search, p, [&](int r, int g) { return (r * 256 + g) % kEvery == 0; }, "this processor");
    for (const testcpu::Model& model : models) {
      const testcpu::AsIf asIf(model);
      search = withMemory();
      search->setPalette(p.palette);
      expectReference(
          *search, p, [](int r, int g) { return (r * 256 + g) % 61 == 0; }, model.name);
    }
  }
}

// With no memory every pixel looks at the whole palette; with little, the
// lists that do not fit fall back to larger cubes' lists or the palette.
TEST_F(NearestColorTest, SameAnswersWithoutEnoughMemory) {
  const std::vector<testcpu::Model> models = searchPathsHere();
  for (const NamedPalette& p : testPalettes()) {
    for (std::size_t bytes : {std::size_t{0}, std::size_t{19 * 1024}, std::size_t{64 * 1024}}) {
      for (const testcpu::Model& model : models) {
        const testcpu::AsIf asIf(model);
        auto search = withMemory(bytes);
        search->setPalette(p.palette);
        expectReference(
            *search, p, [](int r, int g) { return (r * 256 + g) % 251 == 0; },
            ("bytes " + std::to_string(bytes) + ", " + model.name).c_str());
      }
    }
  }
}

TEST_F(NearestColorTest, TiesGoToTheLowerIndexAndExactMatchesWin) {
  TrueColorPalette p{};
  for (auto& e : p.entries) e = {0, 0, 255};
  p.entries[5] = {255, 0, 0};
  p.entries[9] = {255, 0, 0};
  p.entries[2] = {100, 100, 100};
  p.entries[7] = {110, 100, 100};
  struct Case {
    int r, g, b, index;
  };
  for (const testcpu::Model& model : searchPathsHere()) {
    const testcpu::AsIf asIf(model);
    auto search = withMemory();
    search->setPalette(p);
    for (Case c :
         {Case{255, 0, 0, 5}, Case{105, 100, 100, 2}, Case{0, 0, 255, 0}, Case{250, 5, 0, 5}}) {
      EXPECT_EQ(findLinear(p, c.r, c.g, c.b), c.index);
      EXPECT_EQ(search->find(c.r, c.g, c.b), c.index) << model.name;
    }
  }
}

TEST_F(NearestColorTest, NewPaletteForgetsTheOldListsAndNoneMeansBlack) {
  auto search = withMemory();
  EXPECT_EQ(search->find(200, 30, 90), 0) << "all black before any palette";
  TrueColorPalette a{}, b{};
  a.entries[1] = {200, 0, 0};
  b.entries[2] = {200, 0, 0};
  search->setPalette(a);
  EXPECT_EQ(search->find(200, 0, 0), 1);
  EXPECT_EQ(search->find(201, 0, 0), 1);
  search->setPalette(b);
  EXPECT_EQ(search->find(200, 0, 0), 2);
  EXPECT_EQ(search->find(201, 0, 0), 2);
}
