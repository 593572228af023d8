// What users of imgcodec2 wait for, beside anchors measured in the same run:
// - the colour search on 1024 x 1024 pixels (a new palette, then every pixel
//   mapped) against the linear scan, for the palettes that used to be slow;
// - LoadBMP and SaveBMP of a 4096 x 4096 picture against a plain read and a
//   plain write of the same file. LoadBMP always fills a fresh block (cold
//   pages); the plain read is measured into a fresh buffer and into a reused
//   one (warm pages), beside memcpy;
// - the conversion kernels on warm buffers, on every path the processor has.
// Built twice: with the normal core, and with a core that uses the general
// registers only, as the i686 DLL does (its vector kernels are the same).
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stb/stb_image.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bmp_header.h"
#include "decoder.h"
#include "imgcodec2.h"
#include "nearest_color.h"
#include "photo.h"
#include "pixel_convert.h"
#include "pixel_kernels.h"
#include "simd_level.h"

namespace {

using imgcodec2::NearestColor;
using imgcodec2::TrueColorPalette;

constexpr int kBig = 4096;
constexpr int kSearch = 1024;

// In memory where the system has such a folder, so that writes are not held
// up by the disk.
std::string tempFile(const char* name) {
  const std::filesystem::path shm = "/dev/shm";
  return ((std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path()) /
          name)
      .string();
}

const std::string& bigFile() {
  static const std::string path = [] {
    std::string p = tempFile("imgcodec2-bench-4096.bmp");
    benchphoto::writeBmp24(p, benchphoto::makePhoto(kBig, kBig), kBig, kBig);
    return p;
  }();
  return path;
}

std::size_t bigFileBytes() {
  return static_cast<std::size_t>(std::filesystem::file_size(bigFile()));
}

void setBytes(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
}

// ---- Anchors ---------------------------------------------------------------

void readAll(const std::string& path, char* buffer, std::size_t size) {
  int fd = open(path.c_str(), O_RDONLY);
  for (std::size_t done = 0; done < size;) {
    const ssize_t got = read(fd, buffer + done, size - done);
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  close(fd);
}

void BM_PlainReadFresh(benchmark::State& state) {
  const std::size_t size = bigFileBytes();
  for (auto _ : state) {
    auto* buffer = static_cast<char*>(std::malloc(size));
    readAll(bigFile(), buffer, size);
    benchmark::DoNotOptimize(buffer);
    std::free(buffer);
  }
  setBytes(state, size);
}
BENCHMARK(BM_PlainReadFresh)->Unit(benchmark::kMillisecond);

void BM_PlainReadReused(benchmark::State& state) {
  const std::size_t size = bigFileBytes();
  std::vector<char> buffer(size, 1);
  for (auto _ : state) {
    readAll(bigFile(), buffer.data(), size);
    benchmark::DoNotOptimize(buffer.data());
  }
  setBytes(state, size);
}
BENCHMARK(BM_PlainReadReused)->Unit(benchmark::kMillisecond);

void BM_Memcpy(benchmark::State& state) {
  const std::size_t size = bigFileBytes();
  std::vector<char> from(size, 1), to(size, 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), size);
    benchmark::DoNotOptimize(to.data());
  }
  setBytes(state, size);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

// The file SaveBMP writes, written with one write call.
void BM_PlainWrite(benchmark::State& state) {
  std::vector<char> file(bigFileBytes(), 3);
  const std::string path = tempFile("imgcodec2-bench-plain.bmp");
  for (auto _ : state) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (std::size_t done = 0; done < file.size();) {
      const ssize_t put = write(fd, file.data() + done, file.size() - done);
      if (put <= 0) break;
      done += static_cast<std::size_t>(put);
    }
    close(fd);
  }
  setBytes(state, file.size());
}
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond);

// ---- LoadBMP and SaveBMP ---------------------------------------------------

void BM_LoadBMP(benchmark::State& state) {
  ConfigBMP(BMP_CFG_TARGET_BPP, static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    BMPImage* image = LoadBMP(bigFile().c_str());
    if (image->Status != BMP_OK) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(image->Pixels);
    UnloadBMP(image);
  }
  ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  setBytes(state, bigFileBytes());
}
BENCHMARK(BM_LoadBMP)->ArgName("target")->Arg(24)->Arg(16)->Arg(15)->Unit(benchmark::kMillisecond);

// What LoadBMP does after it has allocated the block, into a reused buffer:
// the same decoders over warm pages.
class FdSource : public imgcodec2::ByteSource {
 public:
  explicit FdSource(int fd) : fd_(fd) {}
  std::size_t read(void* dst, std::size_t n) override {
    std::size_t done = 0;
    while (done < n) {
      const ssize_t got = ::read(fd_, static_cast<char*>(dst) + done, n - done);
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

 private:
  int fd_;
};

void BM_DecodeWarm(benchmark::State& state) {
  const auto target = static_cast<std::int32_t>(state.range(0));
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kBig) * kBig * 3, 1);
  std::vector<std::uint8_t> work(64 * 1024);
  std::uint8_t store[imgcodec2::kHeaderStoreBytes], paletteBlock[1024], palette[768];
  for (auto _ : state) {
    const int fd = open(bigFile().c_str(), O_RDONLY);
    FdSource source(fd);
    imgcodec2::BmpLayout layout;
    if (imgcodec2::readBmpHeaders(source, bigFileBytes(), target, store, layout) != BMP_OK)
      state.SkipWithError("headers");
    const imgcodec2::DecodeTarget to{pixels.data(), palette,     paletteBlock, false,
                                     nullptr,       work.data(), work.size()};
    imgcodec2::decodeBmp(source, layout, to);
    close(fd);
    benchmark::DoNotOptimize(pixels.data());
  }
  setBytes(state, bigFileBytes());
}
BENCHMARK(BM_DecodeWarm)
    ->ArgName("target")
    ->Arg(24)
    ->Arg(16)
    ->Arg(15)
    ->Unit(benchmark::kMillisecond);

// Source 24 (argument 1: red and blue exchanged), 16 or 15 bits, saved as a
// 24-bit file of the same size as the one read.
void BM_SaveBMP(benchmark::State& state) {
  const int bpp = static_cast<int>(state.range(0));
  const bool exchange = state.range(1) != 0;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kBig) * kBig * (bpp == 24 ? 3 : 2),
                                   0x5A);
  BMPImage source{};
  source.Pixels = pixels.data();
  source.Width = kBig;
  source.Height = kBig;
  source.BitsPerPixel = bpp;
  BMPImage description = source;
  description.BitsPerPixel = 24;
  ConfigBMP(BMP_CFG_RGB_ORDER, exchange ? 1 : 0);
  const std::string path = tempFile("imgcodec2-bench-saved.bmp");
  for (auto _ : state) {
    if (SaveBMP(path.c_str(), &source, &description) != kBig) state.SkipWithError("save failed");
  }
  ConfigBMP(BMP_CFG_RGB_ORDER, 0);
  setBytes(state, bigFileBytes());
}
BENCHMARK(BM_SaveBMP)
    ->ArgNames({"source", "exchange"})
    ->Args({24, 0})
    ->Args({24, 1})
    ->Args({16, 0})
    ->Args({15, 0})
    ->Unit(benchmark::kMillisecond);

void BM_StbImage(benchmark::State& state) {
  for (auto _ : state) {
    int w, h, n;
    unsigned char* px = stbi_load(bigFile().c_str(), &w, &h, &n, 3);
    if (!px) state.SkipWithError("stb failed");
    benchmark::DoNotOptimize(px);
    stbi_image_free(px);
  }
  setBytes(state, bigFileBytes());
}
BENCHMARK(BM_StbImage)->Unit(benchmark::kMillisecond);

void BM_Sdl2LoadBMP(benchmark::State& state) {
  for (auto _ : state) {
    SDL_Surface* surface = SDL_LoadBMP(bigFile().c_str());
    if (!surface) state.SkipWithError("SDL failed");
    benchmark::DoNotOptimize(surface);
    SDL_FreeSurface(surface);
  }
  setBytes(state, bigFileBytes());
}
BENCHMARK(BM_Sdl2LoadBMP)->Unit(benchmark::kMillisecond);

// ---- Conversion kernels, warm buffers --------------------------------------

const char* levelName(int level) {
  static const char* const names[] = {"scalar", "sse2", "ssse3", "avx2"};
  return names[level];
}

// Argument 0 names the kernel, argument 1 the highest instruction set used.
void BM_Kernel(benchmark::State& state) {
  struct Kernel {
    const char* name;
    imgcodec2::ConvertFn convert;
    std::size_t inBytes, outBytes;
  };
  static const Kernel kernels[] = {{"bgrTo16", imgcodec2::bgrTo16, 3, 2},
                                   {"bgrTo15", imgcodec2::bgrTo15, 3, 2},
                                   {"words16ToBgr", imgcodec2::words16ToBgr, 2, 3},
                                   {"words15ToBgr", imgcodec2::words15ToBgr, 2, 3},
                                   {"copySwapRedBlue", imgcodec2::copySwapRedBlue, 3, 3}};
  const Kernel& k = kernels[state.range(0)];
  const int level = static_cast<int>(state.range(1));
  if (level > imgcodec2::simdLevel()) {
    state.SkipWithError("not on this processor");
    return;
  }
  const std::size_t n = static_cast<std::size_t>(kBig) * kBig;
  std::vector<std::uint8_t> in(n * k.inBytes, 0x5A), out(n * k.outBytes, 0);
  imgcodec2::limitSimdLevel(static_cast<imgcodec2::SimdLevel>(level));
  for (auto _ : state) {
    k.convert(in.data(), out.data(), n);
    benchmark::DoNotOptimize(out.data());
  }
  imgcodec2::limitSimdLevel(imgcodec2::kAvx2);
  setBytes(state, in.size() + out.size());
  state.SetLabel(std::string(k.name) + " " + levelName(level));
}
BENCHMARK(BM_Kernel)
    ->ArgNames({"kernel", "level"})
    ->ArgsProduct({{0, 1, 2, 3, 4}, {0, 2, 3}})
    ->Unit(benchmark::kMillisecond);

// ---- Colour search ---------------------------------------------------------

const std::vector<std::uint8_t>& photo() {
  static const auto px = benchphoto::makePhoto(kSearch, kSearch);
  return px;
}

const std::vector<std::uint8_t>& randomPixels() {
  static const auto px = [] {
    std::vector<std::uint8_t> v(static_cast<std::size_t>(kSearch) * kSearch * 3);
    std::mt19937 rng(5);
    for (auto& b : v) b = static_cast<std::uint8_t>(rng());
    return v;
  }();
  return px;
}

struct SearchCase {
  const char* name;
  TrueColorPalette palette;
  const std::vector<std::uint8_t>* pixels;
};

const SearchCase& searchCase(int which) {
  static const std::vector<SearchCase> cases = [] {
    std::vector<SearchCase> c;
    TrueColorPalette p{};
    c.push_back({"all zero, random pixels", p, &randomPixels()});
    for (auto& e : p.entries) e = {77, 140, 200};
    c.push_back({"256 equal entries, random pixels", p, &randomPixels()});
    // A tight cluster, entries listed farthest from its centre first.
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> near(-4, 4), any(0, 255);
    for (auto& e : p.entries) e = {120 + near(rng), 200 + near(rng), 60 + near(rng)};
    auto spread = [](const imgcodec2::PaletteEntry& e) {
      return (e.red - 120) * (e.red - 120) + (e.green - 200) * (e.green - 200) +
             (e.blue - 60) * (e.blue - 60);
    };
    std::stable_sort(std::begin(p.entries), std::end(p.entries),
                     [&](const auto& a, const auto& b) { return spread(a) > spread(b); });
    c.push_back({"tight cluster farthest first, random pixels", p, &randomPixels()});
    for (int i = 0; i < 256; ++i) p.entries[i] = {i, i, i};
    c.push_back({"grey ramp, random pixels", p, &randomPixels()});
    // As a quantiser would give: colours taken from the picture itself.
    const auto& px = photo();
    for (int i = 0; i < 256; ++i) {
      const std::size_t at = (static_cast<std::size_t>(i) * 4099 * 977) % (px.size() / 3) * 3;
      p.entries[i] = {px[at + 2], px[at + 1], px[at]};
    }
    c.push_back({"photo's palette, the photo", p, &photo()});
    for (auto& e : p.entries) e = {any(rng), any(rng), any(rng)};
    c.push_back({"random palette, random pixels", p, &randomPixels()});
    return c;
  }();
  return cases[static_cast<std::size_t>(which)];
}

void setPixels(benchmark::State& state, const SearchCase& c) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kSearch * kSearch);
  state.SetLabel(c.name);
}

void BM_SearchLinear(benchmark::State& state) {
  const SearchCase& c = searchCase(static_cast<int>(state.range(0)));
  const auto& px = *c.pixels;
  for (auto _ : state) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < px.size(); i += 3)
      sum += imgcodec2::findLinear(c.palette, px[i + 2], px[i + 1], px[i]);
    benchmark::DoNotOptimize(sum);
  }
  setPixels(state, c);
}
BENCHMARK(BM_SearchLinear)->ArgName("case")->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// A new palette and every pixel mapped (cold: the lists are built as pixels
// need them), or the same pixels again with the lists kept (warm); on the
// path chosen here or on the scalar one.
void BM_Search(benchmark::State& state) {
  const SearchCase& c = searchCase(static_cast<int>(state.range(0)));
  const bool warm = state.range(1) != 0;
  const bool scalar = state.range(2) != 0;
  const auto& px = *c.pixels;
  static std::vector<std::uint32_t> memory(NearestColor::kMemoryBytes / 4);
  static NearestColor search;
  search.attachMemory(memory.data(), NearestColor::kMemoryBytes);
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(kSearch) * kSearch);
  auto mapAll = [&] {
    for (std::size_t row = 0; row < kSearch; ++row)
      search.findRow(&px[row * kSearch * 3], &indices[row * kSearch], kSearch);
  };
  if (scalar) imgcodec2::limitSimdLevel(imgcodec2::kScalar);
  search.setPalette(c.palette);
  mapAll();
  for (auto _ : state) {
    if (!warm) search.setPalette(c.palette);
    mapAll();
    benchmark::DoNotOptimize(indices.data());
  }
  imgcodec2::limitSimdLevel(imgcodec2::kAvx2);
  setPixels(state, c);
}
BENCHMARK(BM_Search)
    ->ArgNames({"case", "warm", "scalar"})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The photo through LoadBMP to 8 bits with a new palette each time.
void BM_LoadBMPTo8(benchmark::State& state) {
  const SearchCase& c = searchCase(4);
  const std::string path = tempFile("imgcodec2-bench-photo.bmp");
  benchphoto::writeBmp24(path, photo(), kSearch, kSearch);
  unsigned char colours[768];
  for (int i = 0; i < 256; ++i) {
    colours[3 * i] = static_cast<unsigned char>(c.palette.entries[i].red);
    colours[3 * i + 1] = static_cast<unsigned char>(c.palette.entries[i].green);
    colours[3 * i + 2] = static_cast<unsigned char>(c.palette.entries[i].blue);
  }
  ConfigBMP(BMP_CFG_TARGET_BPP, 8);
  for (auto _ : state) {
    SetTrueColorPalette(colours);
    BMPImage* image = LoadBMP(path.c_str());
    benchmark::DoNotOptimize(image->Pixels);
    UnloadBMP(image);
  }
  ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  setPixels(state, c);
}
BENCHMARK(BM_LoadBMPTo8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
