// What the processor offers to the vector kernels of the libraries. The
// libraries are built for their target's plain instruction set (i686 for
// the DLLs) and keep each kernel for a wider set in a file of its own; each
// library chooses its kernels from these features, in a table of its own,
// so that no instruction the processor lacks is ever run. A source module
// compiled into each library (they never call one another); plain words,
// no constructors.
#pragma once

#include <cstdint>

namespace processor {

// The CPUID words that the features are read from.
struct CpuidWords {
  std::uint32_t maxLeaf;  // leaf 0, EAX: the highest basic leaf
  std::uint32_t leaf1Ecx, leaf1Edx;
  std::uint32_t leaf7Ebx;     // leaf 7, sub-leaf 0; 0 when maxLeaf < 7
  std::uint32_t savedStates;  // XCR0, the register states the system saves; 0 without OSXSAVE
};

// The instruction sets the kernels use. AVX2 counts only where the system
// also saves the 256-bit registers on a task switch.
struct Features {
  bool mmx, sse, sse2, ssse3, avx2;
};

Features featuresOf(const CpuidWords& words);

// This processor's features, read on the first call and kept; or those
// given to overrideFeatures.
Features processorFeatures();

// For tests: processorFeatures() gives *features from now on (copied), and
// the processor's own again after a null.
void overrideFeatures(const Features* features);

}  // namespace processor
