#include "blitkit_scenarios.h"

#include <cstdint>
#include <cstring>
#include <vector>

// last: ok and skip are macros
#include "scenario_check.h"

namespace {

// The x87 tag word: all registers empty (0xFFFF) unless MMX code has left
// its state behind, which breaks floating-point code that follows.
std::uint16_t x87TagWord() {
#if defined(__i386__) || defined(__x86_64__)
  std::uint8_t env[28];
  __asm__ volatile("fnstenv %0\n\tfldenv %0" : "+m"(env));
  return static_cast<std::uint16_t>(env[8] | env[9] << 8);
#else
  return 0xFFFF;
#endif
}

bool entryIs(const BlitkitApi& api, int index, int red, int green, int blue) {
  PALETTEENTRY got = {};
  api.DDGetColor(index, &got);
  return ok(got.peRed == red && got.peGreen == green && got.peBlue == blue, "entry %d is %d %d %d",
            index, got.peRed, got.peGreen, got.peBlue);
}

}  // namespace

void checkCallsOutOfOrderDoNothing(const BlitkitApi& api, const BlitkitHarness& harness) {
  ok_eq(api.DDSetGraphicsMode(640, 480, 8), 1);
  ok_eq(api.DDCreatePrimarySurface(), 1);
  ok_eq(api.DDLockSurface(), 1);
  api.DDUnlockSurface();
  api.DDWaitRetrace();
  PALETTEENTRY entries[256] = {};
  api.DDSetPalette(entries);
  api.DDSetColor(1, entries);
  PALETTEENTRY got = {9, 9, 9, 9};
  api.DDGetColor(1, &got);
  ok_eq(got.peRed, 9);
  std::uint8_t source[16] = {};
  api.DDCopyToSurface(0, 0, source, 2, 2);
  api.DDCopyToSurfaceMMX(0, 0, source, 2, 2);
  ok_eq(static_cast<const DDPIXELFORMAT*>(api.DDPixelFormatInfo())->dwSize, sizeof(DDPIXELFORMAT));
  api.DDClose();
  api.DDClose();
  harness.noBox();
}

void checkInitNeedsAWindow(const BlitkitApi& api, const BlitkitHarness& harness) {
  ok_eq(api.DDInit(nullptr), 1);
  harness.oneBox("Couldn't set DirectDraw cooperative level");
  api.DDClose();
}

void checkPixelFormat(const BlitkitApi& api, int bpp) {
  const auto* format = static_cast<const DDPIXELFORMAT*>(api.DDPixelFormatInfo());
  ok_eq(format->dwSize, sizeof(DDPIXELFORMAT));
  ok_eq(format->dwRGBBitCount, bpp == 15 ? 16 : bpp);
  if (bpp == 15 || bpp == 16) {
    ok_eq(format->dwRBitMask, bpp == 16 ? 0xF800 : 0x7C00);
    ok_eq(format->dwGBitMask, bpp == 16 ? 0x07E0 : 0x03E0);
    ok_eq(format->dwBBitMask, 0x1F);
  }
}

void checkPaletteRoundTrip(const BlitkitApi& api) {
  PALETTEENTRY entries[256];
  for (int i = 0; i < 256; ++i)
    entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 128, 0};
  api.DDSetPalette(entries);
  PALETTEENTRY set = {0x12, 0x34, 0x56, 0};
  api.DDSetColor(200, &set);
  entryIs(api, 200, 0x12, 0x34, 0x56);
  entryIs(api, 255, 255, 0, 128);
  // Wine would store entry 256 over the whole palette, and -2 would end the
  // process at DDClose.
  for (int index : {256, -1, -2, 1 << 30}) {
    PALETTEENTRY bad = {1, 2, 3, 0}, probe = {9, 9, 9, 9};
    api.DDSetColor(index, &bad);
    api.DDGetColor(index, &probe);
    ok(std::memcmp(&probe, "\x09\x09\x09\x09", 4) == 0, "entry %d was read", index);
  }
  entryIs(api, 0, 0, 255, 128);
  entryIs(api, 200, 0x12, 0x34, 0x56);
  entryIs(api, 255, 255, 0, 128);
}

void checkCopiesLandAtThePitch(const BlitkitApi& api, int bpp, const unsigned char* picture,
                               int width, int height) {
  if (!ok_eq(api.DDLockSurface(), 0)) return;
  const int bytes = (bpp + 1) / 8, rowBytes = width * bytes, pitch = api.DDGetSurfacePitch();
  auto* base = static_cast<unsigned char*>(api.DDGetSurfacePointer());
  if (ok(base && pitch >= (40 + 2 * width) * bytes, "surface at %p, pitch %d",
         static_cast<void*>(base), pitch)) {
    unsigned char* rows = base + 20 * pitch;
    for (int x : {20, 40 + width}) {
      std::vector<unsigned char> want(rows, rows + height * pitch);
      for (int row = 0; row < height; ++row)
        std::memcpy(&want[row * pitch + x * bytes], picture + row * rowBytes, rowBytes);
      (x == 20 ? api.DDCopyToSurface : api.DDCopyToSurfaceMMX)(x, 20, picture, width, height);
      ok(std::memcmp(rows, want.data(), want.size()) == 0, "the copy at %d,20 differs", x);
    }
    ok(x87TagWord() == 0xFFFF, "the MMX copy left the x87 tag word at %04x", x87TagWord());
  }
  api.DDUnlockSurface();
}

void checkFocusIsPlainEquality(const BlitkitApi& api, const BlitkitHarness& harness, HWND window) {
  for (HWND focus : {window, HWND{}}) {
    harness.focusOn(focus);
    ok_eq(api.DDGotFocus(focus), 1);
    ok_eq(api.DDGotFocus(focus ? nullptr : window), 0);
  }
  harness.focusOn(window);
}

void checkCloseTwiceAndStartOver(const BlitkitApi& api, const BlitkitHarness& harness,
                                 HWND window) {
  api.DDClose();
  api.DDClose();
  harness.noBox();
  if (ok_eq(api.DDInit(window), 0) && ok_eq(api.DDCreatePrimarySurface(), 0) &&
      ok_eq(api.DDLockSurface(), 0)) {
    const auto* first = static_cast<const unsigned char*>(api.DDGetSurfacePointer());
    const std::vector<unsigned char> before(first, first + api.DDGetSurfacePitch());
    const std::vector<unsigned char> row(1024 * 4, 0x5A);
    api.DDCopyToSurface(0, 0, row.data(), 1024, 1);
    api.DDCopyToSurfaceMMX(0, 0, row.data(), 1024, 1);
    ok(std::memcmp(first, before.data(), before.size()) == 0, "the first row was written");
    api.DDUnlockSurface();
  }
  api.DDClose();
  harness.noBox();
}
