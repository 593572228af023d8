// blitkit through the real blitkit.dll and Wine's DirectDraw on Xvfb: a real
// window, the failure boxes, a mode, the surface, the pixel format, a palette
// round trip, and both copies of a picture loaded with the real imgcodec2.dll,
// read back through DDGetSurfacePointer and DDGetSurfacePitch.
#include <ddraw.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "blitkit.h"
#include "exports.h"
#include "imgcodec2.h"
#include "wine_tests.h"

namespace {

// What the steps share, in the order of the table below.
struct {
  BLITKIT_EXPORTS(EXPORT_POINTER)
} api;
const TestPaths* paths;
MessageWatcher* boxes;
HWND window;
int bpp;  // of the mode in use

// One box of blitkit's: caption "Error", the text, no owner, no icon, OK alone.
void blitkitBox(const char* text) {
  boxes->expectOne("Error", text, false);
}

bool outOfOrderCallsDoNothing() {
  ok_eq(api.DDLockSurface(), 1);
  api.DDClose();
  return boxes->expectNone();
}

// Exclusive full-screen access needs a window: DirectDraw refuses the level.
bool initWithoutAWindowIsRefused() {
  ok_eq(api.DDInit(nullptr), 1);
  blitkitBox("Couldn't set DirectDraw cooperative level");
  api.DDClose();
  return true;
}

bool initOnAWindow() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "blitkit-test";
  RegisterClassA(&wc);
  window = CreateWindowExA(WS_EX_TOPMOST, "blitkit-test", "blitkit test", WS_POPUP | WS_VISIBLE, 0,
                           0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                           nullptr, wc.hInstance, nullptr);
  SetForegroundWindow(window);
  SetFocus(window);
  pumpMessages();
  const bool started = ok_eq(api.DDInit(window), 0);
  return boxes->expectNone() && started;
}

// Wine takes any depth, but no size beyond the desktop's.
bool modeBeyondTheDesktopIsRefused() {
  ok_eq(api.DDSetGraphicsMode(4096, 3072, 32), 1);
  blitkitBox("Couldn't set display mode");
  return true;
}

// 640 x 480 x 16 where the display can switch (a virtual desktop); else the
// desktop's mode.
bool modeSet() {
  bpp = 16;
  if (api.DDSetGraphicsMode(640, 480, 16) != 0) {
    boxes->take();
    HDC dc = GetDC(nullptr);
    bpp = GetDeviceCaps(dc, BITSPIXEL);
    const int w = GetDeviceCaps(dc, HORZRES), h = GetDeviceCaps(dc, VERTRES);
    ReleaseDC(nullptr, dc);
    skip("no mode switch here: the desktop's %dx%dx%d instead of 640x480x16", w, h, bpp);
    ok_eq(api.DDSetGraphicsMode(w, h, bpp), 0);
  }
  return boxes->expectNone();
}

bool primarySurfaceAndItsPixelFormat() {
  if (!ok_eq(api.DDCreatePrimarySurface(), 0)) return false;
  const auto* pf = static_cast<const DDPIXELFORMAT*>(api.DDPixelFormatInfo());
  ok_eq(pf->dwSize, sizeof(DDPIXELFORMAT));
  ok_eq(pf->dwRGBBitCount, bpp == 15 ? 16 : bpp);
  if (bpp != 16) {
    skip("masks of the 16-bit format: the mode has %d bits", bpp);
  } else {
    ok(pf->dwRBitMask == 0xF800 && pf->dwGBitMask == 0x07E0 && pf->dwBBitMask == 0x1F,
       "masks %06lx %06lx %06lx", pf->dwRBitMask, pf->dwGBitMask, pf->dwBBitMask);
  }
  return true;
}

// The palette's entry as DDGetColor reads it.
bool entryIs(int index, int red, int green, int blue) {
  PALETTEENTRY got = {};
  api.DDGetColor(index, &got);
  return ok(got.peRed == red && got.peGreen == green && got.peBlue == blue,
            "entry %d is %d %d %d, not %d %d %d", index, got.peRed, got.peGreen, got.peBlue, red,
            green, blue);
}

bool paletteRoundTrip() {
  PALETTEENTRY entries[256];
  for (int i = 0; i < 256; ++i)
    entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 128, 0};
  api.DDSetPalette(entries);
  PALETTEENTRY set = {0x12, 0x34, 0x56, 0};
  api.DDSetColor(77, &set);
  entryIs(77, 0x12, 0x34, 0x56);
  entryIs(255, 255, 0, 128);
  return true;
}

// Wine would store entry 256 over the whole palette, and -2 would end the
// process at DDClose.
bool indexesOutsideThePaletteDoNothing() {
  for (int index : {256, -1, -2}) {
    PALETTEENTRY bad = {1, 2, 3, 0}, probe = {9, 9, 9, 9};
    api.DDSetColor(index, &bad);
    api.DDGetColor(index, &probe);
    ok(probe.peRed == 9 && probe.peGreen == 9 && probe.peBlue == 9 && probe.peFlags == 9,
       "entry %d read as %d %d %d %d", index, probe.peRed, probe.peGreen, probe.peBlue,
       probe.peFlags);
  }
  entryIs(0, 0, 255, 128);
  entryIs(77, 0x12, 0x34, 0x56);
  return true;
}

// The picture in the pixel format of the mode: 15/16/24 bits straight from
// the codec, 32 bits widened here from its 24-bit buffer.
std::vector<unsigned char> pictureFor(int& width, int& height) {
  std::vector<unsigned char> out;
  HMODULE codec = LoadLibraryA((paths->dist + "\\imgcodec2.dll").c_str());
  PFN_ConfigBMP ConfigBMP;
  PFN_LoadBMP LoadBMP;
  PFN_UnloadBMP UnloadBMP;
  if (!ok(codec != nullptr, "imgcodec2.dll not loaded") || !bind(codec, "ConfigBMP", ConfigBMP) ||
      !bind(codec, "LoadBMP", LoadBMP) || !bind(codec, "UnloadBMP", UnloadBMP))
    return out;
  ConfigBMP(BMP_CFG_TARGET_BPP, bpp == 32 ? 24 : bpp);
  BMPImage* image = LoadBMP((paths->samples + "\\sample24.bmp").c_str());
  ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  if (!ok_eq(image->Status, BMP_OK)) return out;
  width = image->Width;
  height = image->Height;
  const size_t pixels = static_cast<size_t>(width) * height;
  if (bpp == 32) {
    for (size_t i = 0; i < pixels; ++i) {
      out.insert(out.end(), image->Pixels + 3 * i, image->Pixels + 3 * i + 3);
      out.push_back(0);
    }
  } else {
    out.assign(image->Pixels, image->Pixels + pixels * ((bpp + 1) / 8));
  }
  UnloadBMP(image);
  FreeLibrary(codec);
  return out;
}

bool surfaceHolds(int x, int y, const std::vector<unsigned char>& src, int width, int height) {
  const int bytes = (bpp + 1) / 8;
  const auto* base = static_cast<const unsigned char*>(api.DDGetSurfacePointer());
  for (int row = 0; row < height; ++row) {
    if (std::memcmp(base + (y + row) * api.DDGetSurfacePitch() + x * bytes,
                    src.data() + row * width * bytes, static_cast<size_t>(width) * bytes) != 0)
      return ok(false, "the copy at %d,%d differs in row %d", x, y, row);
  }
  return true;
}

// Tells the runner that the screen shows the copies and waits until it has
// taken its screenshot.
void screenshot() {
  const std::string ready = paths->out + "\\screenshot.request";
  const std::string done = paths->out + "\\screenshot.done";
  CloseHandle(CreateFileA(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  for (int i = 0; i < 600 && GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
    pumpMessages();
    Sleep(50);
  }
  ok(GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES, "no screenshot in 30 s");
}

// Both copies of the picture, read back through the surface pointer and
// pitch, and then on the screenshot.
bool copiesLandOnTheSurface() {
  if (bpp == 8) {
    skip("copies of the picture: an 8-bit mode");
    return true;
  }
  int width = 0, height = 0;
  const std::vector<unsigned char> picture = pictureFor(width, height);
  if (picture.empty()) return true;
  api.DDWaitRetrace();
  if (!ok_eq(api.DDLockSurface(), 0)) return true;
  const int pitch = api.DDGetSurfacePitch();
  if (ok(api.DDGetSurfacePointer() && pitch >= width * ((bpp + 1) / 8), "surface at %p, pitch %d",
         api.DDGetSurfacePointer(), pitch)) {
    api.DDCopyToSurface(20, 20, picture.data(), width, height);
    api.DDCopyToSurfaceMMX(40 + width, 20, picture.data(), width, height);
    surfaceHolds(20, 20, picture, width, height);
    surfaceHolds(40 + width, 20, picture, width, height);
  }
  api.DDUnlockSurface();
  pumpMessages();
  screenshot();
  return true;
}

bool focusIsTheWindowsOwn() {
  ok_eq(api.DDGotFocus(window), GetFocus() == window ? 1 : 0);
  return true;
}

bool closeTwice() {
  api.DDClose();
  api.DDClose();
  return boxes->expectNone();
}

// A new cycle that keeps the desktop's mode forgot the old mode's pixel
// size: its copies write nothing, not a row of the old size past the last.
bool cycleWithoutAModeCopiesNothing() {
  if (ok_eq(api.DDInit(window), 0) && ok_eq(api.DDCreatePrimarySurface(), 0) &&
      ok_eq(api.DDLockSurface(), 0)) {
    const int rows = GetSystemMetrics(SM_CYSCREEN), pitch = api.DDGetSurfacePitch();
    auto* last = static_cast<unsigned char*>(api.DDGetSurfacePointer()) +
                 static_cast<ptrdiff_t>(rows - 1) * pitch;
    const std::vector<unsigned char> before(last, last + pitch);
    const std::vector<unsigned char> row(1024 * 4, 0x5A);
    api.DDCopyToSurface(0, rows - 1, row.data(), 1024, 1);
    api.DDCopyToSurfaceMMX(0, rows - 1, row.data(), 1024, 1);
    ok(std::memcmp(last, before.data(), before.size()) == 0, "the last row was written");
    api.DDUnlockSurface();
  }
  api.DDClose();
  return boxes->expectNone();
}

const Step steps[] = {
    {"calls out of order do nothing", outOfOrderCallsDoNothing},
    {"DDInit(NULL) is refused", initWithoutAWindowIsRefused},
    {"DDInit on a window", initOnAWindow},
    {"a mode beyond the desktop is refused", modeBeyondTheDesktopIsRefused},
    {"mode 640x480x16", modeSet},
    {"the primary surface and its pixel format", primarySurfaceAndItsPixelFormat},
    {"a palette round trip", paletteRoundTrip},
    {"indexes outside the palette do nothing", indexesOutsideThePaletteDoNothing},
    {"both copies land on the surface", copiesLandOnTheSurface},
    {"the focus is the window's own", focusIsTheWindowsOwn},
    {"close, twice", closeTwice},
    {"a cycle without a mode copies nothing", cycleWithoutAModeCopiesNothing},
};

}  // namespace

void runBlitkitTests(const TestPaths& testPaths, MessageWatcher& watcher) {
  paths = &testPaths;
  boxes = &watcher;
  HMODULE dll = LoadLibraryA((paths->dist + "\\blitkit.dll").c_str());
  if (!ok(dll != nullptr, "blitkit.dll not loaded, error %lu", GetLastError())) return;
  if (true BLITKIT_EXPORTS(EXPORT_BOUND)) runSteps("blitkit", steps);
  api.DDClose();
  if (window) DestroyWindow(window);
  FreeLibrary(dll);
}
