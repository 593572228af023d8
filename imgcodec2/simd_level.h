// Which vector instruction sets the per-pixel kernels may use. The library
// is built for plain i686; kernels for wider sets live in files of their own,
// compiled for that set, and are called only after this check.
#pragma once

namespace imgcodec2 {

// Each level includes the ones below it.
enum SimdLevel { kScalar = 0, kSse2 = 1, kSsse3 = 2, kAvx2 = 3 };

// What this processor and system offer, asked of the processor on the first
// call (CPUID, and XGETBV for the AVX state), capped by limitSimdLevel.
SimdLevel simdLevel();

// Caps the level for the calls that follow, so that tests and benchmarks
// can run each path the processor has; kAvx2 lifts the cap.
void limitSimdLevel(SimdLevel highest);

}  // namespace imgcodec2
