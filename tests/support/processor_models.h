// The CPUID words of the processors whose kernels the tests choose and run:
// qemu's models as they report themselves (qemu-i386 -cpu MODEL), oldest
// first, and an AVX2 processor under systems that do not save its registers.
#pragma once

#include <vector>

#include "processor_features.h"

namespace testcpu {

struct Model {
  const char* name;
  processor::CpuidWords words;  // highest leaf, leaf 1 ECX and EDX, leaf 7 EBX, XCR0
};

inline const std::vector<Model>& models() {
  static const std::vector<Model> all = {
      {"486 (no MMX)", {0x1, 0x80000000, 0x00000009, 0, 0}},
      {"pentium2 (MMX)", {0x2, 0x80000000, 0x0183fbfd, 0, 0}},
      {"pentium3 (SSE)", {0x3, 0x80000000, 0x0383fbfd, 0, 0}},
      {"coreduo (SSE3, no SSSE3)", {0xa, 0x80000009, 0x0fc9fbfd, 0, 0}},
      {"core2duo (SSSE3)", {0xa, 0x80002209, 0x0fcbfbfd, 0, 0}},
      {"Nehalem (SSE4.2)", {0xb, 0x80982201, 0x078bfbfd, 0, 0}},
      {"SandyBridge (AVX, no AVX2)", {0xd, 0x9fb82203, 0x078bfbfd, 0, 0x7}},
      {"Haswell (AVX2)", {0xd, 0xfffa3203, 0x078bfbfd, 0x7a9, 0x7}},
      {"Haswell, system saves no AVX registers", {0xd, 0xfffa3203, 0x078bfbfd, 0x7a9, 0x3}},
      {"Haswell, system without XSAVE", {0xd, 0xf7fa3203, 0x078bfbfd, 0x7a9, 0}},
  };
  return all;
}

// Whether a processor with features `have` runs everything `need` offers.
inline bool covers(const processor::Features& have, const processor::Features& need) {
  return (have.mmx || !need.mmx) && (have.sse || !need.sse) && (have.sse2 || !need.sse2) &&
         (have.ssse3 || !need.ssse3) && (have.avx2 || !need.avx2);
}

// The models whose kernels this processor can run.
inline std::vector<Model> modelsHere() {
  std::vector<Model> here;
  for (const Model& m : models()) {
    if (covers(processor::processorFeatures(), processor::featuresOf(m.words))) here.push_back(m);
  }
  return here;
}

// Runs the library with a model's features while it lives.
class AsIf {
 public:
  explicit AsIf(const Model& m) : features_(processor::featuresOf(m.words)) {
    processor::overrideFeatures(&features_);
  }
  ~AsIf() { processor::overrideFeatures(nullptr); }
  AsIf(const AsIf&) = delete;
  AsIf& operator=(const AsIf&) = delete;

 private:
  processor::Features features_;
};

}  // namespace testcpu
