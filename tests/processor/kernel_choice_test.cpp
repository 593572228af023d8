// Which kernels each library runs on each processor: from the CPUID words of
// real models, through the features read from them, to the functions in the
// tables that the libraries' own calls take.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <utility>

#include "codec_kernels.h"
#include "pixel_copy.h"
#include "processor_models.h"

using namespace imgcodec2;
using blitkit::CopyRowsFn;

namespace {

// Kernels by name, so that a failure says which one was chosen.
template <class Fn, std::size_t N>
std::string lookUp(Fn fn, const std::pair<Fn, const char*> (&known)[N]) {
  for (const auto& k : known) {
    if (k.first == fn) return k.second;
  }
  return "an unknown function";
}
#define KERNEL(f) \
  { f, #f }
std::string nameOf(ConvertFn fn) {
  const std::pair<ConvertFn, const char*> known[] = {
      KERNEL(bgrTo15Scalar),        KERNEL(bgrTo16Scalar),         KERNEL(words15ToBgrScalar),
      KERNEL(words16ToBgrScalar),   KERNEL(copySwapRedBlueScalar), KERNEL(bgrTo15Ssse3),
      KERNEL(bgrTo16Ssse3),         KERNEL(words15ToBgrSsse3),     KERNEL(words16ToBgrSsse3),
      KERNEL(copySwapRedBlueSsse3), KERNEL(bgrTo15Avx2),           KERNEL(bgrTo16Avx2)};
  return lookUp(fn, known);
}
std::string nameOf(FindRowFn fn) {
  const std::pair<FindRowFn, const char*> known[] = {KERNEL(findRowScalar), KERNEL(findRowSse2),
                                                     KERNEL(findRowAvx2)};
  return lookUp(fn, known);
}
std::string nameOf(CopyRowsFn fn) {
  const std::pair<CopyRowsFn, const char*> known[] = {
      KERNEL(blitkit::copyRows4), KERNEL(blitkit::copyRows8), KERNEL(blitkit::copyRows8Prefetch)};
  return lookUp(fn, known);
}

struct Conversions {
  ConvertFn bgrTo15, bgrTo16, words15ToBgr, words16ToBgr, copySwapRedBlue;
};
constexpr Conversions kPlain = {bgrTo15Scalar, bgrTo16Scalar, words15ToBgrScalar,
                                words16ToBgrScalar, copySwapRedBlueScalar};
constexpr Conversions kSsse3 = {bgrTo15Ssse3, bgrTo16Ssse3, words15ToBgrSsse3, words16ToBgrSsse3,
                                copySwapRedBlueSsse3};
// The loads to 15 and 16 bits with AVX2; the rest has no AVX2 kernel.
constexpr Conversions kAvx2 = {bgrTo15Avx2, bgrTo16Avx2, words15ToBgrSsse3, words16ToBgrSsse3,
                               copySwapRedBlueSsse3};

struct Expected {
  const char* model;
  Conversions conversions;
  FindRowFn search;
  CopyRowsFn eightByteMoves;
};

}  // namespace

TEST(KernelChoice, EachProcessorRunsTheKernelsOfWhatItHas) {
  const CopyRowsFn words4 = blitkit::copyRows4, mmx = blitkit::copyRows8,
                   prefetch = blitkit::copyRows8Prefetch;
  const Expected table[] = {
      {"486 (no MMX)", kPlain, findRowScalar, words4},
      {"pentium2 (MMX)", kPlain, findRowScalar, mmx},
      {"pentium3 (SSE)", kPlain, findRowScalar, prefetch},
      {"coreduo (SSE3, no SSSE3)", kPlain, findRowSse2, prefetch},
      {"core2duo (SSSE3)", kSsse3, findRowSse2, prefetch},
      {"Nehalem (SSE4.2)", kSsse3, findRowSse2, prefetch},
      {"SandyBridge (AVX, no AVX2)", kSsse3, findRowSse2, prefetch},
      {"Haswell (AVX2)", kAvx2, findRowAvx2, prefetch},
      {"Haswell, system saves no AVX registers", kSsse3, findRowSse2, prefetch},
      {"Haswell, system without XSAVE", kSsse3, findRowSse2, prefetch},
  };
  ASSERT_EQ(std::size(table), testcpu::models().size());
  for (std::size_t i = 0; i < std::size(table); ++i) {
    const testcpu::Model& model = testcpu::models()[i];
    const Expected& want = table[i];
    ASSERT_STREQ(model.name, want.model);
    const testcpu::AsIf asIf(model);
    const CodecKernels& codec = codecKernels();
    const Conversions& c = want.conversions;
    EXPECT_EQ(nameOf(codec.findRow), nameOf(want.search)) << model.name;
    EXPECT_EQ(nameOf(codec.bgrTo15), nameOf(c.bgrTo15)) << model.name;
    EXPECT_EQ(nameOf(codec.bgrTo16), nameOf(c.bgrTo16)) << model.name;
    EXPECT_EQ(nameOf(codec.words15ToBgr), nameOf(c.words15ToBgr)) << model.name;
    EXPECT_EQ(nameOf(codec.words16ToBgr), nameOf(c.words16ToBgr)) << model.name;
    EXPECT_EQ(nameOf(codec.copySwapRedBlue), nameOf(c.copySwapRedBlue)) << model.name;
    const blitkit::CopyKernels& copies = blitkit::copyKernels();
    EXPECT_EQ(nameOf(copies.words4), "blitkit::copyRows4") << model.name << ": DDCopyToSurface";
    EXPECT_EQ(nameOf(copies.blocks8), nameOf(want.eightByteMoves))
        << model.name << ": DDCopyToSurfaceMMX";
  }
}
