// The module state of imgcodec2: one image record, the options, the reference
// palette and the fixed work areas that loading and saving share.
#pragma once

#include <cstdint>

#include "bmp_header.h"
#include "compat/win32.h"
#include "imgcodec2.h"
#include "nearest_color.h"

namespace imgcodec2 {

// Win32 handles are named with an h, as in inbridge's state; the rest plainly.
struct CodecState {
  BMPImage image{};
  std::int32_t rgbOrder = 0;     // BMP_CFG_RGB_ORDER
  std::int32_t targetBpp = 0;    // BMP_CFG_TARGET_BPP
  std::int32_t saveTopDown = 3;  // BMP_CFG_SAVE_TOP_DOWN
  TrueColorPalette trueColorPalette{};
  // The colour search for trueColorPalette; its lists get memory of their
  // own the first time a load needs them.
  NearestColor nearest;

  HANDLE hFile = nullptr;  // the file being read or written
  std::uint8_t headerStore[kHeaderStoreBytes] = {};
  BmpLayout layout;
  std::uint8_t paletteBlock[kPaletteBlockBytes] = {};
  std::uint8_t io[64 * 1024] = {};  // read-ahead of the decoders, write-behind of the saver
};

CodecState& codecState();

}  // namespace imgcodec2
