// Load speed of the codec against a plain read of the same file, stb_image
// and SDL2's BMP loader; the nearest-colour search against the linear scan.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stb/stb_image.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "imgcodec2.h"
#include "nearest_color.h"
#include "photo.h"

namespace {

constexpr int kBig = 4096;
constexpr int kPhoto = 1024;

const std::string& bigFile() {
  static const std::string path = [] {
    std::string p = (std::filesystem::temp_directory_path() / "imgcodec2-bench-4096.bmp").string();
    benchphoto::writeBmp24(p, benchphoto::makePhoto(kBig, kBig), kBig, kBig);
    return p;
  }();
  return path;
}

const std::vector<std::uint8_t>& photo() {
  static const auto px = benchphoto::makePhoto(kPhoto, kPhoto);
  return px;
}

const std::string& photoFile() {
  static const std::string path = [] {
    std::string p = (std::filesystem::temp_directory_path() / "imgcodec2-bench-photo.bmp").string();
    benchphoto::writeBmp24(p, photo(), kPhoto, kPhoto);
    return p;
  }();
  return path;
}

// A reference palette of 256 colours taken from the picture itself, as a
// quantiser would give.
imgcodec2::TrueColorPalette photoPalette() {
  imgcodec2::TrueColorPalette p{};
  const auto& px = photo();
  for (int i = 0; i < 256; ++i) {
    const std::size_t at = (static_cast<std::size_t>(i) * 4099 * 977) % (px.size() / 3) * 3;
    p.entries[i] = {px[at + 2], px[at + 1], px[at]};
  }
  return p;
}

void setBytes(benchmark::State& state, const std::string& path) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

void BM_PlainRead(benchmark::State& state) {
  const std::string& path = bigFile();
  const std::size_t size = std::filesystem::file_size(path);
  for (auto _ : state) {
    int fd = open(path.c_str(), O_RDONLY);
    auto* buffer = static_cast<char*>(std::malloc(size));
    std::size_t done = 0;
    while (done < size) {
      ssize_t got = read(fd, buffer + done, size - done);
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    benchmark::DoNotOptimize(buffer);
    std::free(buffer);
    close(fd);
  }
  setBytes(state, path);
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

void BM_LoadBMP(benchmark::State& state) {
  const std::string& path = bigFile();
  ConfigBMP(BMP_CFG_TARGET_BPP, static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    BMPImage* image = LoadBMP(path.c_str());
    if (image->Status != BMP_OK) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(image->Pixels);
    UnloadBMP(image);
  }
  ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  setBytes(state, path);
}
BENCHMARK(BM_LoadBMP)->ArgName("target")->Arg(24)->Arg(16)->Arg(15)->Unit(benchmark::kMillisecond);

void BM_StbImage(benchmark::State& state) {
  const std::string& path = bigFile();
  for (auto _ : state) {
    int w, h, n;
    unsigned char* px = stbi_load(path.c_str(), &w, &h, &n, 3);
    if (!px) state.SkipWithError("stb failed");
    benchmark::DoNotOptimize(px);
    stbi_image_free(px);
  }
  setBytes(state, path);
}
BENCHMARK(BM_StbImage)->Unit(benchmark::kMillisecond);

void BM_Sdl2LoadBMP(benchmark::State& state) {
  const std::string& path = bigFile();
  for (auto _ : state) {
    SDL_Surface* surface = SDL_LoadBMP(path.c_str());
    if (!surface) state.SkipWithError("SDL failed");
    benchmark::DoNotOptimize(surface);
    SDL_FreeSurface(surface);
  }
  setBytes(state, path);
}
BENCHMARK(BM_Sdl2LoadBMP)->Unit(benchmark::kMillisecond);

// 24 to 8 bits on the photo: the plain scan per pixel, the cached search from
// a cold cache (as after a new reference palette), and the whole LoadBMP.
void BM_NearestLinear(benchmark::State& state) {
  const auto palette = photoPalette();
  const auto& px = photo();
  for (auto _ : state) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < px.size(); i += 3)
      sum += imgcodec2::findLinear(palette, px[i + 2], px[i + 1], px[i]);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kPhoto * kPhoto);
}
BENCHMARK(BM_NearestLinear)->Unit(benchmark::kMillisecond);

void BM_NearestCached(benchmark::State& state) {
  const auto palette = photoPalette();
  const auto& px = photo();
  auto search = std::make_unique<imgcodec2::NearestColor>();
  std::vector<std::uint8_t> indices(kPhoto * kPhoto);
  for (auto _ : state) {
    search->reset(palette);
    for (std::size_t row = 0; row < kPhoto; ++row) {
      search->findRow(&px[row * kPhoto * 3], &indices[row * kPhoto], kPhoto);
    }
    benchmark::DoNotOptimize(indices.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kPhoto * kPhoto);
}
BENCHMARK(BM_NearestCached)->Unit(benchmark::kMillisecond);

void BM_LoadBMPTo8(benchmark::State& state) {
  const auto palette = photoPalette();
  unsigned char colours[768];
  for (int i = 0; i < 256; ++i) {
    colours[3 * i] = static_cast<unsigned char>(palette.entries[i].red);
    colours[3 * i + 1] = static_cast<unsigned char>(palette.entries[i].green);
    colours[3 * i + 2] = static_cast<unsigned char>(palette.entries[i].blue);
  }
  const std::string& path = photoFile();
  ConfigBMP(BMP_CFG_TARGET_BPP, 8);
  for (auto _ : state) {
    SetTrueColorPalette(colours);  // a cold cache every time
    BMPImage* image = LoadBMP(path.c_str());
    benchmark::DoNotOptimize(image->Pixels);
    UnloadBMP(image);
  }
  ConfigBMP(BMP_CFG_TARGET_BPP, 0);
}
BENCHMARK(BM_LoadBMPTo8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
