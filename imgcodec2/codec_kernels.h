// The codec's kernels for a set of processor features: the per-pixel
// conversions and the colour search's row loop, plain or with the vector
// instruction sets the processor has. Every caller takes them from
// codecKernels(), so that one choice, made from what the processor offers,
// holds for the whole library.
#pragma once

#include "nearest_row.h"
#include "pixel_kernels.h"
#include "processor_features.h"

namespace imgcodec2 {

struct CodecKernels {
  ConvertFn bgrTo15, bgrTo16;
  ConvertFn words15ToBgr, words16ToBgr;
  ConvertFn copySwapRedBlue;
  FindRowFn findRow;
};

const CodecKernels& kernelsFor(const processor::Features& features);

inline const CodecKernels& codecKernels() {
  return kernelsFor(processor::processorFeatures());
}

}  // namespace imgcodec2
