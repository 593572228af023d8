#include "codec_kernels.h"

namespace imgcodec2 {

namespace {

// Constant tables: no constructor runs when the library loads. Each set
// includes the ones before it.
constexpr CodecKernels kPlain = {bgrTo15Scalar,      bgrTo16Scalar,         words15ToBgrScalar,
                                 words16ToBgrScalar, copySwapRedBlueScalar, findRowScalar};
constexpr CodecKernels kSse2 = {bgrTo15Scalar,      bgrTo16Scalar,         words15ToBgrScalar,
                                words16ToBgrScalar, copySwapRedBlueScalar, findRowSse2};
constexpr CodecKernels kSsse3 = {bgrTo15Ssse3,      bgrTo16Ssse3,         words15ToBgrSsse3,
                                 words16ToBgrSsse3, copySwapRedBlueSsse3, findRowSse2};
constexpr CodecKernels kAvx2 = {bgrTo15Avx2,       bgrTo16Avx2,          words15ToBgrSsse3,
                                words16ToBgrSsse3, copySwapRedBlueSsse3, findRowAvx2};

}  // namespace

// A table only where the processor has every set its kernels use.
const CodecKernels& kernelsFor(const processor::Features& f) {
  if (f.sse2 && f.ssse3 && f.avx2) return kAvx2;
  if (f.sse2 && f.ssse3) return kSsse3;
  if (f.sse2) return kSse2;
  return kPlain;
}

}  // namespace imgcodec2
