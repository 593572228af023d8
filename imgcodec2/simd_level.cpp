#include "simd_level.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace imgcodec2 {

namespace {

// Plain words, set on first use: no constructor runs when the library loads.
int detected = -1;
SimdLevel cap = kAvx2;

#if defined(__i386__) || defined(__x86_64__)
// The register states the system saves on a task switch (XCR0).
unsigned savedStates() {
  unsigned low, high;
  __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return low;
}

SimdLevel detect() {
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d) || !(d & bit_SSE2)) return kScalar;
  if (!(c & bit_SSSE3)) return kSse2;
  // AVX2 needs the system to save the upper halves of the registers too.
  const bool avxState = (c & bit_OSXSAVE) && (c & bit_AVX) && (savedStates() & 6u) == 6u;
  if (avxState && __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2)) return kAvx2;
  return kSsse3;
}
#else
SimdLevel detect() {
  return kScalar;
}
#endif

}  // namespace

SimdLevel simdLevel() {
  if (detected < 0) detected = detect();
  return detected < cap ? static_cast<SimdLevel>(detected) : cap;
}

void limitSimdLevel(SimdLevel highest) {
  cap = highest;
}

}  // namespace imgcodec2
