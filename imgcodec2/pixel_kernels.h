// The per-pixel conversions for each instruction set (codec_kernels.h
// chooses among them). Only declarations: this header is also included by
// the files built for SSSE3 and AVX2, which must not share inline code with
// the rest of the library.
#pragma once

#include <cstddef>
#include <cstdint>

namespace imgcodec2 {

using ConvertFn = void (*)(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);

// The plain loops; the vector kernels finish their last pixels with them.
void bgrTo15Scalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);
void bgrTo16Scalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);
void words15ToBgrScalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);
void words16ToBgrScalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);
void copySwapRedBlueScalar(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);

void bgrTo15Ssse3(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);
void bgrTo16Ssse3(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);
void words15ToBgrSsse3(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);
void words16ToBgrSsse3(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);
void copySwapRedBlueSsse3(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);

void bgrTo15Avx2(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);
void bgrTo16Avx2(const std::uint8_t* src, std::uint8_t* dst, std::size_t n);

}  // namespace imgcodec2
