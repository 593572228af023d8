// What users of imgcodec2 wait for, each beside its anchors. A benchmark
// runs a group of steps in turn in every iteration, so that the steps and
// their anchors see the machine in the same state, and reports each step's
// mean time in milliseconds as a counter (bench/report.sh turns them into the
// table of bench/README.md):
// - BM_Search: the colour search on 1024 x 1024 pixels, a new palette and
//   every pixel mapped, against the linear scan, for the palettes that used
//   to be slow;
// - BM_Load and BM_Save: LoadBMP and SaveBMP of a 4096 x 4096 picture
//   against a plain read and a plain write of the same file. LoadBMP always
//   fills a fresh block (cold pages); its decoders are also run into a reused
//   buffer (warm pages), beside a plain read into a fresh and into a reused
//   buffer and memcpy;
// - BM_Kernel: the conversion kernels on warm buffers, on every path the
//   processor has.
// Built twice: with the normal core, and with a core that uses the general
// registers only, as the i686 DLL does (its vector kernels are the same).
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stb/stb_image.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bmp_header.h"
#include "decoder.h"
#include "imgcodec2.h"
#include "nearest_color.h"
#include "photo.h"
#include "pixel_convert.h"
#include "pixel_kernels.h"
#include "processor_features.h"

namespace {

using imgcodec2::NearestColor;
using imgcodec2::TrueColorPalette;

constexpr int kBig = 4096;
constexpr int kSearch = 1024;

using Step = std::pair<const char*, std::function<void()>>;

// The processor time of this process, the system's share included (page
// allocation and copies into the file system are most of a write's cost).
double cpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Runs the steps in turn once per iteration; the benchmark's time is their
// sum, and each step's mean time is a counter, by the wall clock (<step>) and
// in processor time (<step>_cpu).
void runSteps(benchmark::State& state, const std::vector<Step>& steps) {
  using Clock = std::chrono::steady_clock;
  std::vector<double> seconds(steps.size(), 0.0), cpu(steps.size(), 0.0);
  for (auto _ : state) {
    double total = 0;
    for (std::size_t k = 0; k < steps.size(); ++k) {
      const auto start = Clock::now();
      const double cpuStart = cpuSeconds();
      steps[k].second();
      cpu[k] += cpuSeconds() - cpuStart;
      const double took = std::chrono::duration<double>(Clock::now() - start).count();
      seconds[k] += took;
      total += took;
    }
    state.SetIterationTime(total);
  }
  const auto n = static_cast<double>(state.iterations());
  for (std::size_t k = 0; k < steps.size(); ++k) {
    state.counters[steps[k].first] = 1000 * seconds[k] / n;
    state.counters[std::string(steps[k].first) + "_cpu"] = 1000 * cpu[k] / n;
  }
}

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

// The anchors say whether they did all their work: a failed one would give
// ratios that mean nothing, so its benchmark ends with an error.
void must(benchmark::State& state, bool done, const char* what) {
  if (!done) state.SkipWithError(what);
}

bool readAll(const std::string& path, char* buffer, std::size_t size) {
  const int fd = open(path.c_str(), O_RDONLY);
  std::size_t done = 0;
  while (fd >= 0 && done < size) {
    const ssize_t got = read(fd, buffer + done, size - done);
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  if (fd >= 0) close(fd);
  return done == size;
}

bool writeAll(const std::string& path, const char* bytes, std::size_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::size_t done = 0;
  while (fd >= 0 && done < size) {
    const ssize_t put = write(fd, bytes + done, size - done);
    if (put <= 0) break;
    done += static_cast<std::size_t>(put);
  }
  return fd >= 0 && close(fd) == 0 && done == size;
}

// The decoders of LoadBMP over a file descriptor, into the caller's buffer.
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

void decodeInto(std::uint8_t* pixels, std::int32_t target) {
  static std::vector<std::uint8_t> work(64 * 1024);
  std::uint8_t store[imgcodec2::kHeaderStoreBytes], paletteBlock[1024], palette[768];
  const int fd = open(bigFile().c_str(), O_RDONLY);
  FdSource source(fd);
  imgcodec2::BmpLayout layout;
  if (imgcodec2::readBmpHeaders(source, bigFileBytes(), target, store, layout) == BMP_OK) {
    const imgcodec2::DecodeTarget to{pixels,  palette,     paletteBlock, false,
                                     nullptr, work.data(), work.size()};
    imgcodec2::decodeBmp(source, layout, to);
  }
  close(fd);
}

void loadAndUnload(const std::string& path, int target) {
  ConfigBMP(BMP_CFG_TARGET_BPP, target);
  BMPImage* image = LoadBMP(path.c_str());
  benchmark::DoNotOptimize(image->Pixels);
  if (image->Status == BMP_OK) UnloadBMP(image);
  ConfigBMP(BMP_CFG_TARGET_BPP, 0);
}

void BM_Load(benchmark::State& state) {
  const std::size_t size = bigFileBytes();
  std::vector<char> reused(size, 1), other(size, 2);
  std::vector<std::uint8_t> pixels(size, 3);
  runSteps(state, {{"read_fresh",
                    [&] {
                      auto* fresh = static_cast<char*>(std::malloc(size));
                      must(state, readAll(bigFile(), fresh, size), "cannot read the file");
                      benchmark::DoNotOptimize(fresh);
                      std::free(fresh);
                    }},
                   {"read_reused",
                    [&] { must(state, readAll(bigFile(), reused.data(), size), "cannot read"); }},
                   {"memcpy", [&] { std::memcpy(other.data(), reused.data(), size); }},
                   {"load_24", [&] { loadAndUnload(bigFile(), 24); }},
                   {"load_16", [&] { loadAndUnload(bigFile(), 16); }},
                   {"load_15", [&] { loadAndUnload(bigFile(), 15); }},
                   {"decode_24", [&] { decodeInto(pixels.data(), 24); }},
                   {"decode_16", [&] { decodeInto(pixels.data(), 16); }},
                   {"decode_15", [&] { decodeInto(pixels.data(), 15); }}});
}
BENCHMARK(BM_Load)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// One fwrite of the whole file from a warm buffer, as a program that has its
// bytes ready would write them.
bool fwriteAll(const std::string& path, const char* bytes, std::size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(bytes, 1, size, f) == size;
  return std::fclose(f) == 0 && written;
}

// The file written in 64 KiB pieces, each filled by memcpy first: the least
// that a save converting through a 64 KiB buffer can cost.
bool writeInPieces(const std::string& path, const char* bytes, std::size_t size) {
  static std::vector<char> piece(64 * 1024);
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::size_t done = 0;
  while (fd >= 0 && done < size) {
    const std::size_t n = std::min(piece.size(), size - done);
    std::memcpy(piece.data(), bytes + done, n);
    if (write(fd, piece.data(), n) != static_cast<ssize_t>(n)) break;
    done += n;
  }
  return fd >= 0 && close(fd) == 0 && done == size;
}

// A 24-bit file of the picture's size: plainly (one write, one fwrite, and
// in pieces), and by SaveBMP from 24 bits (as they are, and red and blue
// exchanged), 16 and 15 bits. The wall clock of a large write moves with the
// machine's memory; its processor time is the steadier anchor.
void BM_Save(benchmark::State& state) {
  const std::size_t pixelCount = static_cast<std::size_t>(kBig) * kBig;
  std::vector<char> file(bigFileBytes(), 3);
  std::vector<std::uint8_t> pixels24(pixelCount * 3, 0x5A), pixels16(pixelCount * 2, 0xA5);
  const std::string path = tempFile("imgcodec2-bench-saved.bmp");
  auto save = [&](std::vector<std::uint8_t>& pixels, int bpp, int order) {
    BMPImage source{};
    source.Pixels = pixels.data();
    source.Width = kBig;
    source.Height = kBig;
    source.BitsPerPixel = bpp;
    BMPImage description = source;
    description.BitsPerPixel = 24;
    ConfigBMP(BMP_CFG_RGB_ORDER, order);
    must(state, SaveBMP(path.c_str(), &source, &description) > 0, "SaveBMP failed");
    ConfigBMP(BMP_CFG_RGB_ORDER, 0);
  };
  runSteps(
      state,
      {{"write", [&] { must(state, writeAll(path, file.data(), file.size()), "write"); }},
       {"fwrite", [&] { must(state, fwriteAll(path, file.data(), file.size()), "fwrite"); }},
       {"pieces", [&] { must(state, writeInPieces(path, file.data(), file.size()), "pieces"); }},
       {"save_24", [&] { save(pixels24, 24, 0); }},
       {"save_24_exchanged", [&] { save(pixels24, 24, 1); }},
       {"save_16", [&] { save(pixels16, 16, 0); }},
       {"save_15", [&] { save(pixels16, 15, 0); }}});
}
BENCHMARK(BM_Save)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_OtherLoaders(benchmark::State& state) {
  runSteps(state, {{"stb_image",
                    [] {
                      int w, h, n;
                      unsigned char* px = stbi_load(bigFile().c_str(), &w, &h, &n, 3);
                      benchmark::DoNotOptimize(px);
                      stbi_image_free(px);
                    }},
                   {"sdl2",
                    [] {
                      SDL_Surface* surface = SDL_LoadBMP(bigFile().c_str());
                      benchmark::DoNotOptimize(surface);
                      SDL_FreeSurface(surface);
                    }},
                   {"load_24", [] { loadAndUnload(bigFile(), 24); }}});
}
BENCHMARK(BM_OtherLoaders)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// A processor with the instruction sets up to `level`: 0 none, 1 SSE2, 2
// SSSE3, 3 AVX2.
enum Level { kScalar = 0, kSse2 = 1, kSsse3 = 2, kAvx2 = 3 };
processor::Features upTo(int level) {
  processor::Features f{};
  f.mmx = f.sse = f.sse2 = level >= 1;
  f.ssse3 = level >= 2;
  f.avx2 = level >= 3;
  return f;
}

struct Kernel {
  const char* name;
  imgcodec2::ConvertFn convert;
  std::size_t inBytes, outBytes;
};
const Kernel kKernels[] = {{"bgrTo16", imgcodec2::bgrTo16, 3, 2},
                           {"bgrTo15", imgcodec2::bgrTo15, 3, 2},
                           {"words16ToBgr", imgcodec2::words16ToBgr, 2, 3},
                           {"words15ToBgr", imgcodec2::words15ToBgr, 2, 3},
                           {"copySwapRedBlue", imgcodec2::copySwapRedBlue, 3, 3}};
const struct {
  const char* name;
  Level level;
} kKernelLevels[] = {{"scalar", kScalar}, {"ssse3", kSsse3}, {"avx2", kAvx2}};

// One kernel with the instruction sets up to a level (BM_Kernel/<kernel>/<level>).
void BM_Kernel(benchmark::State& state, const Kernel& k, Level level) {
  const processor::Features asIf = upTo(level), here = processor::processorFeatures();
  if ((asIf.ssse3 && !here.ssse3) || (asIf.avx2 && !here.avx2)) {
    state.SkipWithError("not on this processor");
    return;
  }
  const std::size_t n = static_cast<std::size_t>(kBig) * kBig;
  std::vector<std::uint8_t> in(n * k.inBytes, 0x5A), out(n * k.outBytes, 0);
  processor::overrideFeatures(&asIf);
  for (auto _ : state) {
    k.convert(in.data(), out.data(), n);
    benchmark::DoNotOptimize(out.data());
  }
  processor::overrideFeatures(nullptr);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (in.size() + out.size())));
}
const bool kernelsRegistered = [] {
  for (const Kernel& k : kKernels) {
    for (const auto& l : kKernelLevels) {
      benchmark::RegisterBenchmark((std::string("BM_Kernel/") + k.name + "/" + l.name).c_str(),
                                   BM_Kernel, k, l.level)
          ->MinTime(0.2)
          ->Unit(benchmark::kMillisecond);
    }
  }
  return true;
}();

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
  TrueColorPalette palette;
  const std::vector<std::uint8_t>* pixels;
};

// The cases of searchCase(), in order, by the names the benchmarks carry
// (BM_Search/<name>): each palette on random pixels but the photo's own
// palette, which maps the photo.
const char* const kSearchCaseNames[] = {
    "all_zero",  "256_equal_entries",          "tight_cluster_listed_farthest_first",
    "grey_ramp", "photo_palette_on_the_photo", "random_palette"};
enum { kPhotoCase = 4 };

const SearchCase& searchCase(int which) {
  static const std::vector<SearchCase> cases = [] {
    std::vector<SearchCase> c;
    TrueColorPalette p{};
    c.push_back({p, &randomPixels()});
    for (auto& e : p.entries) e = {77, 140, 200};
    c.push_back({p, &randomPixels()});
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> near(-4, 4), any(0, 255);
    for (auto& e : p.entries) e = {120 + near(rng), 200 + near(rng), 60 + near(rng)};
    auto spread = [](const imgcodec2::PaletteEntry& e) {
      return (e.red - 120) * (e.red - 120) + (e.green - 200) * (e.green - 200) +
             (e.blue - 60) * (e.blue - 60);
    };
    std::stable_sort(std::begin(p.entries), std::end(p.entries),
                     [&](const auto& a, const auto& b) { return spread(a) > spread(b); });
    c.push_back({p, &randomPixels()});
    for (int i = 0; i < 256; ++i) p.entries[i] = {i, i, i};
    c.push_back({p, &randomPixels()});
    // As a quantiser would give: colours taken from the picture itself.
    const auto& px = photo();
    for (int i = 0; i < 256; ++i) {
      const std::size_t at = (static_cast<std::size_t>(i) * 4099 * 977) % (px.size() / 3) * 3;
      p.entries[i] = {px[at + 2], px[at + 1], px[at]};
    }
    c.push_back({p, &photo()});
    for (auto& e : p.entries) e = {any(rng), any(rng), any(rng)};
    c.push_back({p, &randomPixels()});
    return c;
  }();
  return cases[static_cast<std::size_t>(which)];
}

// The linear scan; a new palette and every pixel mapped (the lists built as
// pixels need them); the same again with the lists kept; a new palette on
// the scalar path.
void BM_Search(benchmark::State& state, int which) {
  const SearchCase& c = searchCase(which);
  const auto& px = *c.pixels;
  static std::vector<std::uint32_t> memory(NearestColor::kMemoryBytes / 4);
  static NearestColor search;
  search.attachMemory(memory.data(), NearestColor::kMemoryBytes);
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(kSearch) * kSearch);
  auto mapAll = [&] {
    for (std::size_t row = 0; row < kSearch; ++row)
      search.findRow(&px[row * kSearch * 3], &indices[row * kSearch], kSearch);
    benchmark::DoNotOptimize(indices.data());
  };
  runSteps(state, {{"linear",
                    [&] {
                      unsigned sum = 0;
                      for (std::size_t i = 0; i < px.size(); i += 3)
                        sum += imgcodec2::findLinear(c.palette, px[i + 2], px[i + 1], px[i]);
                      benchmark::DoNotOptimize(sum);
                    }},
                   {"new_palette",
                    [&] {
                      search.setPalette(c.palette);
                      mapAll();
                    }},
                   {"same_palette", mapAll},
                   {"new_palette_scalar", [&] {
                      const processor::Features none = upTo(kScalar);
                      processor::overrideFeatures(&none);
                      search.setPalette(c.palette);
                      mapAll();
                      processor::overrideFeatures(nullptr);
                    }}});
}
const bool searchRegistered = [] {
  for (int c = 0; c < static_cast<int>(std::size(kSearchCaseNames)); ++c) {
    benchmark::RegisterBenchmark((std::string("BM_Search/") + kSearchCaseNames[c]).c_str(),
                                 BM_Search, c)
        ->Iterations(2)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

// The photo through LoadBMP, to 24 bits and to 8 bits with a new palette.
void BM_LoadTo8(benchmark::State& state) {
  const SearchCase& c = searchCase(kPhotoCase);
  const std::string path = tempFile("imgcodec2-bench-photo.bmp");
  benchphoto::writeBmp24(path, photo(), kSearch, kSearch);
  unsigned char colours[768];
  for (int i = 0; i < 256; ++i) {
    colours[3 * i] = static_cast<unsigned char>(c.palette.entries[i].red);
    colours[3 * i + 1] = static_cast<unsigned char>(c.palette.entries[i].green);
    colours[3 * i + 2] = static_cast<unsigned char>(c.palette.entries[i].blue);
  }
  runSteps(state, {{"load_24", [&] { loadAndUnload(path, 24); }}, {"load_8", [&] {
                                                                     SetTrueColorPalette(colours);
                                                                     loadAndUnload(path, 8);
                                                                   }}});
}
BENCHMARK(BM_LoadTo8)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
