// The two rectangle copies against memcpy of the same rows, into a surface
// whose pitch is wider than a row.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "pixel_copy.h"

namespace {

struct Frame {
  std::size_t rowBytes, rows, pitch;
  std::vector<std::uint8_t> source, surface;
  Frame(std::size_t width, std::size_t height, std::size_t bytes)
      : rowBytes(width * bytes),
        rows(height),
        pitch(width * bytes + 64),
        source(rowBytes * rows, 0x5A),
        surface(pitch * rows, 0) {}
};

Frame& frame(benchmark::State& state) {
  static Frame small(640, 480, 2), large(1920, 1080, 4);
  return state.range(0) == 0 ? small : large;
}

void setBytes(benchmark::State& state, const Frame& f) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.rowBytes * f.rows));
  state.SetLabel(state.range(0) == 0 ? "640x480x2" : "1920x1080x4");
}

void BM_MemcpyRows(benchmark::State& state) {
  Frame& f = frame(state);
  for (auto _ : state) {
    for (std::size_t r = 0; r < f.rows; ++r)
      std::memcpy(f.surface.data() + r * f.pitch, f.source.data() + r * f.rowBytes, f.rowBytes);
    benchmark::ClobberMemory();
  }
  setBytes(state, f);
}

void BM_CopyToSurface(benchmark::State& state) {
  Frame& f = frame(state);
  for (auto _ : state) {
    blitkit::copyRows4(f.surface.data(), static_cast<std::ptrdiff_t>(f.pitch), f.source.data(),
                       f.rowBytes, f.rowBytes, f.rows);
    benchmark::ClobberMemory();
  }
  setBytes(state, f);
}

void BM_CopyToSurfaceMMX(benchmark::State& state) {
  Frame& f = frame(state);
  for (auto _ : state) {
    blitkit::copyKernels().blocks8(f.surface.data(), static_cast<std::ptrdiff_t>(f.pitch),
                                   f.source.data(), f.rowBytes, f.rowBytes, f.rows);
    benchmark::ClobberMemory();
  }
  setBytes(state, f);
}

}  // namespace

BENCHMARK(BM_MemcpyRows)->Arg(0)->Arg(1);
BENCHMARK(BM_CopyToSurface)->Arg(0)->Arg(1);
BENCHMARK(BM_CopyToSurfaceMMX)->Arg(0)->Arg(1);
BENCHMARK_MAIN();
