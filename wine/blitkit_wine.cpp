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
#include "check.h"
#include "imgcodec2.h"
#include "wine_tests.h"

namespace {

struct BlitkitApi {
  int32_t(BLITKIT_API* DDInit)(void*);
  int32_t(BLITKIT_API* DDSetGraphicsMode)(int32_t, int32_t, int32_t);
  int32_t(BLITKIT_API* DDCreatePrimarySurface)();
  void*(BLITKIT_API* DDPixelFormatInfo)();
  int32_t(BLITKIT_API* DDLockSurface)();
  void(BLITKIT_API* DDUnlockSurface)();
  void*(BLITKIT_API* DDGetSurfacePointer)();
  int32_t(BLITKIT_API* DDGetSurfacePitch)();
  void(BLITKIT_API* DDWaitRetrace)();
  int32_t(BLITKIT_API* DDGotFocus)(void*);
  void(BLITKIT_API* DDClose)();
  void(BLITKIT_API* DDSetPalette)(void*);
  void(BLITKIT_API* DDSetColor)(int32_t, void*);
  void(BLITKIT_API* DDGetColor)(int32_t, void*);
  void(BLITKIT_API* DDCopyToSurface)(int32_t, int32_t, const void*, int32_t, int32_t);
  void(BLITKIT_API* DDCopyToSurfaceMMX)(int32_t, int32_t, const void*, int32_t, int32_t);
};

HWND makeWindow() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "blitkit-test";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(WS_EX_TOPMOST, "blitkit-test", "blitkit test", WS_POPUP | WS_VISIBLE, 0,
                           0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                           nullptr, wc.hInstance, nullptr);
  SetForegroundWindow(w);
  SetFocus(w);
  return w;
}

// The picture in the pixel format of the mode: 15/16/24 bits straight from
// the codec, 32 bits widened here from its 24-bit buffer.
std::vector<unsigned char> pictureFor(const TestPaths& paths, int bpp, int& width, int& height) {
  std::vector<unsigned char> out;
  HMODULE codec = LoadLibraryA((paths.dist + "\\imgcodec2.dll").c_str());
  if (!CHECK(codec != nullptr)) return out;
  void(IMGCODEC2_API * config)(int32_t, int32_t);
  BMPImage*(IMGCODEC2_API * load)(const char*);
  void(IMGCODEC2_API * unload)(BMPImage*);
  if (!(bind(codec, "ConfigBMP", config) && bind(codec, "LoadBMP", load) &&
        bind(codec, "UnloadBMP", unload))) {
    return out;
  }
  config(BMP_CFG_TARGET_BPP, bpp == 32 ? 24 : bpp);
  BMPImage* image = load((paths.samples + "\\sample24.bmp").c_str());
  config(BMP_CFG_TARGET_BPP, 0);
  if (!CHECK_EQ(image->Status, BMP_OK)) return out;
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
  unload(image);
  FreeLibrary(codec);
  return out;
}

bool surfaceHolds(const BlitkitApi& api, int x, int y, const std::vector<unsigned char>& src,
                  int width, int height, int bytes) {
  const auto* base = static_cast<const unsigned char*>(api.DDGetSurfacePointer());
  const int pitch = api.DDGetSurfacePitch();
  if (!base || pitch < width * bytes) return false;
  for (int row = 0; row < height; ++row) {
    if (std::memcmp(base + (y + row) * pitch + x * bytes, src.data() + row * width * bytes,
                    static_cast<size_t>(width) * bytes) != 0) {
      return false;
    }
  }
  return true;
}

// Tells the runner that the screen shows the copies and waits until it has
// taken its screenshot.
void screenshot(const TestPaths& paths) {
  const std::string ready = paths.out + "\\screenshot.request";
  const std::string done = paths.out + "\\screenshot.done";
  HANDLE f = CreateFileA(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(f);
  for (int i = 0; i < 600 && GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
    pumpMessages();
    Sleep(50);
  }
  CHECK(GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES);
}

// One box of blitkit's: caption "Error", the text, no owner, no icon, OK alone.
bool blitkitBox(const std::vector<SeenBox>& seen, const char* text) {
  for (const SeenBox& b : seen)
    std::printf("blitkit: box %s: %s (owner %p, icon %d, cancel %d)\n", b.caption.c_str(),
                b.text.c_str(), static_cast<void*>(b.owner), b.icon, b.cancel);
  return seen.size() == 1 && seen[0].caption == "Error" && seen[0].text == text &&
         seen[0].owner == nullptr && !seen[0].icon && !seen[0].cancel;
}

}  // namespace

void runBlitkitTests(const TestPaths& paths, MessageWatcher& boxes) {
  HMODULE dll = LoadLibraryA((paths.dist + "\\blitkit.dll").c_str());
  if (!CHECK(dll != nullptr)) return;
  BlitkitApi api{};
  bool ok =
      bind(dll, "DDInit", api.DDInit) && bind(dll, "DDSetGraphicsMode", api.DDSetGraphicsMode) &&
      bind(dll, "DDCreatePrimarySurface", api.DDCreatePrimarySurface) &&
      bind(dll, "DDPixelFormatInfo", api.DDPixelFormatInfo) &&
      bind(dll, "DDLockSurface", api.DDLockSurface) &&
      bind(dll, "DDUnlockSurface", api.DDUnlockSurface) &&
      bind(dll, "DDGetSurfacePointer", api.DDGetSurfacePointer) &&
      bind(dll, "DDGetSurfacePitch", api.DDGetSurfacePitch) &&
      bind(dll, "DDWaitRetrace", api.DDWaitRetrace) && bind(dll, "DDGotFocus", api.DDGotFocus) &&
      bind(dll, "DDClose", api.DDClose) && bind(dll, "DDSetPalette", api.DDSetPalette) &&
      bind(dll, "DDSetColor", api.DDSetColor) && bind(dll, "DDGetColor", api.DDGetColor) &&
      bind(dll, "DDCopyToSurface", api.DDCopyToSurface) &&
      bind(dll, "DDCopyToSurfaceMMX", api.DDCopyToSurfaceMMX);
  if (!ok) return;

  // Out of order: nothing happens, no box.
  CHECK_EQ(api.DDLockSurface(), 1);
  api.DDClose();
  CHECK(boxes.take().empty());

  // Exclusive full-screen access needs a window: DirectDraw refuses the level.
  std::printf("blitkit: DDInit(NULL)\n");
  CHECK_EQ(api.DDInit(nullptr), 1);
  CHECK(blitkitBox(boxes.take(), "Couldn't set DirectDraw cooperative level"));
  api.DDClose();

  // Each step on record: Wine's display driver may end the process.
  std::printf("blitkit: window\n");
  HWND window = makeWindow();
  pumpMessages();
  std::printf("blitkit: DDInit\n");
  const int init = api.DDInit(window);
  std::vector<SeenBox> seen = boxes.take();
  for (const SeenBox& b : seen)
    std::printf("blitkit: box %s: %s\n", b.caption.c_str(), b.text.c_str());
  if (!CHECK_EQ(init, 0)) return;

  // A size larger than the desktop: refused, with blitkit's box (Wine takes
  // any depth, but no size beyond the desktop's).
  std::printf("blitkit: mode 4096x3072x32\n");
  CHECK_EQ(api.DDSetGraphicsMode(4096, 3072, 32), 1);
  CHECK(blitkitBox(boxes.take(), "Couldn't set display mode"));

  // 640 x 480 x 16 where the display can switch (a virtual desktop); else the
  // desktop's mode.
  int bpp = 16;
  std::printf("blitkit: mode 640x480x16\n");
  if (api.DDSetGraphicsMode(640, 480, 16) != 0) {
    boxes.take();
    HDC dc = GetDC(nullptr);
    bpp = GetDeviceCaps(dc, BITSPIXEL);
    const int w = GetDeviceCaps(dc, HORZRES), h = GetDeviceCaps(dc, VERTRES);
    ReleaseDC(nullptr, dc);
    std::printf("blitkit: no mode switch here; using the desktop's %dx%dx%d\n", w, h, bpp);
    CHECK_EQ(api.DDSetGraphicsMode(w, h, bpp), 0);
  }
  CHECK(boxes.take().empty());
  std::printf("blitkit: primary surface\n");
  if (!CHECK_EQ(api.DDCreatePrimarySurface(), 0)) return;
  auto* pf = static_cast<DDPIXELFORMAT*>(api.DDPixelFormatInfo());
  CHECK_EQ(pf->dwSize, sizeof(DDPIXELFORMAT));
  CHECK_EQ(static_cast<int>(pf->dwRGBBitCount), bpp == 15 ? 16 : bpp);
  std::printf("blitkit: pixel format %lu bits, masks %06lx %06lx %06lx\n", pf->dwRGBBitCount,
              pf->dwRBitMask, pf->dwGBitMask, pf->dwBBitMask);
  if (bpp == 16)
    CHECK(pf->dwRBitMask == 0xF800 && pf->dwGBitMask == 0x07E0 && pf->dwBBitMask == 0x1F);

  PALETTEENTRY entries[256];
  for (int i = 0; i < 256; ++i)
    entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 128, 0};
  api.DDSetPalette(entries);
  PALETTEENTRY set = {0x12, 0x34, 0x56, 0}, got = {};
  api.DDSetColor(77, &set);
  api.DDGetColor(77, &got);
  CHECK(got.peRed == 0x12 && got.peGreen == 0x34 && got.peBlue == 0x56);
  api.DDGetColor(255, &got);
  CHECK(got.peRed == 255 && got.peGreen == 0);
  // Indexes outside the palette do nothing (Wine would store entry 256 over
  // the whole palette, and -2 would end the process at DDClose).
  for (int index : {256, -1, -2}) {
    PALETTEENTRY bad = {1, 2, 3, 0}, probe = {9, 9, 9, 9};
    api.DDSetColor(index, &bad);
    api.DDGetColor(index, &probe);
    CHECK(probe.peRed == 9 && probe.peGreen == 9 && probe.peBlue == 9 && probe.peFlags == 9);
  }
  api.DDGetColor(0, &got);
  CHECK(got.peRed == 0 && got.peGreen == 255 && got.peBlue == 128);
  api.DDGetColor(77, &got);
  CHECK(got.peRed == 0x12 && got.peGreen == 0x34 && got.peBlue == 0x56);

  int width = 0, height = 0;
  const std::vector<unsigned char> picture = pictureFor(paths, bpp, width, height);
  const int bytes = (bpp + 1) / 8;
  if (!CHECK(!picture.empty())) return;
  api.DDWaitRetrace();
  std::printf("blitkit: lock and copies\n");
  CHECK_EQ(api.DDLockSurface(), 0);
  CHECK(api.DDGetSurfacePointer() != nullptr);
  CHECK(api.DDGetSurfacePitch() >= width * bytes);
  api.DDCopyToSurface(20, 20, picture.data(), width, height);
  api.DDCopyToSurfaceMMX(40 + width, 20, picture.data(), width, height);
  CHECK(surfaceHolds(api, 20, 20, picture, width, height, bytes));
  CHECK(surfaceHolds(api, 40 + width, 20, picture, width, height, bytes));
  api.DDUnlockSurface();
  pumpMessages();
  screenshot(paths);
  CHECK_EQ(api.DDGotFocus(window), GetFocus() == window ? 1 : 0);
  std::printf("blitkit: close\n");
  api.DDClose();
  api.DDClose();
  CHECK(boxes.take().empty());

  // A new cycle that keeps the desktop's mode forgot the old mode's pixel
  // size: its copies write nothing, not a row of the old size past the last.
  std::printf("blitkit: a cycle without a mode\n");
  if (CHECK_EQ(api.DDInit(window), 0) && CHECK_EQ(api.DDCreatePrimarySurface(), 0) &&
      CHECK_EQ(api.DDLockSurface(), 0)) {
    const int rows = GetSystemMetrics(SM_CYSCREEN), pitch = api.DDGetSurfacePitch();
    auto* last = static_cast<unsigned char*>(api.DDGetSurfacePointer()) +
                 static_cast<ptrdiff_t>(rows - 1) * pitch;
    const std::vector<unsigned char> before(last, last + pitch);
    const std::vector<unsigned char> row(1024 * 4, 0x5A);
    api.DDCopyToSurface(0, rows - 1, row.data(), 1024, 1);
    api.DDCopyToSurfaceMMX(0, rows - 1, row.data(), 1024, 1);
    CHECK(std::memcmp(last, before.data(), before.size()) == 0);
    api.DDUnlockSurface();
  }
  api.DDClose();
  CHECK(boxes.take().empty());
  DestroyWindow(window);
  FreeLibrary(dll);
}
