#include "processor_features.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace processor {

namespace {

// Plain words, set on first use: nothing runs when a library loads.
bool detectedYet = false;
Features detected;
bool overridden = false;
Features given;

constexpr std::uint32_t kMmx = 1u << 23, kSse = 1u << 25, kSse2 = 1u << 26;      // leaf 1, EDX
constexpr std::uint32_t kSsse3 = 1u << 9, kOsxsave = 1u << 27, kAvx = 1u << 28;  // leaf 1, ECX
constexpr std::uint32_t kAvx2 = 1u << 5;                                         // leaf 7, EBX
constexpr std::uint32_t kSseAndAvxStates = 6u;                                   // XCR0 bits 1, 2

CpuidWords readCpuid() {
  CpuidWords w{};
#if defined(__i386__) || defined(__x86_64__)
  unsigned a, b, c, d;
  // __get_cpuid_max also finds processors without CPUID (it returns 0).
  w.maxLeaf = __get_cpuid_max(0, nullptr);
  if (w.maxLeaf >= 1 && __get_cpuid(1, &a, &b, &c, &d)) {
    w.leaf1Ecx = c;
    w.leaf1Edx = d;
  }
  if (w.maxLeaf >= 7) {
    __cpuid_count(7, 0, a, b, c, d);
    w.leaf7Ebx = b;
  }
  if (w.leaf1Ecx & kOsxsave) {
    unsigned low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    w.savedStates = low;
  }
#endif
  return w;
}

}  // namespace

Features featuresOf(const CpuidWords& w) {
  Features f{};
  f.mmx = (w.leaf1Edx & kMmx) != 0;
  f.sse = (w.leaf1Edx & kSse) != 0;
  f.sse2 = (w.leaf1Edx & kSse2) != 0;
  f.ssse3 = (w.leaf1Ecx & kSsse3) != 0;
  const bool avxState = (w.leaf1Ecx & kOsxsave) && (w.leaf1Ecx & kAvx) &&
                        (w.savedStates & kSseAndAvxStates) == kSseAndAvxStates;
  f.avx2 = avxState && w.maxLeaf >= 7 && (w.leaf7Ebx & kAvx2);
  return f;
}

Features processorFeatures() {
  if (overridden) return given;
  if (!detectedYet) {
    detected = featuresOf(readCpuid());
    detectedYet = true;
  }
  return detected;
}

void overrideFeatures(const Features* features) {
  overridden = features != nullptr;
  if (features) given = *features;
}

}  // namespace processor
