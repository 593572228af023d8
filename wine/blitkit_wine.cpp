// blitkit through the real blitkit.dll and Wine's DirectDraw on Xvfb: the
// scenarios shared with the native suite (tests/scenarios/blitkit_scenarios.cpp)
// on a real window, a mode beyond the desktop refused, and both copies of a
// picture loaded with the real imgcodec2.dll, on a screenshot.
#include <windows.h>

#include <string>
#include <vector>

#include "blitkit_scenarios.h"
#include "imgcodec2.h"
#include "wine_tests.h"

namespace {

// What the steps share, in the order of the table below.
BlitkitApi api;
const TestPaths* paths;
MessageWatcher* boxes;
HWND window;
int bpp;  // of the mode in use

// blitkit's boxes: no owner, no icon, OK alone.
const BlitkitHarness harness{[](const char* text) { boxes->expectOne("Error", text, false); },
                             [] { boxes->expectNone(); }, [](HWND focus) { SetFocus(focus); }};

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
  harness.oneBox("Couldn't set display mode");
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
  checkPixelFormat(api, bpp);
  if (bpp != 15 && bpp != 16) skip("masks of the 16-bit format: the mode has %d bits", bpp);
  return true;
}

// The picture in the pixel format of the mode: 15/16/24 bits straight from
// the codec, 32 bits widened here from its 24-bit buffer.
std::vector<unsigned char> pictureFor(int& width, int& height) {
  std::vector<unsigned char> out;
  HMODULE codec = loadDll(paths->dist + "\\imgcodec2.dll");
  PFN_ConfigBMP ConfigBMP;
  PFN_LoadBMP LoadBMP;
  PFN_UnloadBMP UnloadBMP;
  if (!codec || !bind(codec, "ConfigBMP", ConfigBMP) || !bind(codec, "LoadBMP", LoadBMP) ||
      !bind(codec, "UnloadBMP", UnloadBMP))
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

// Both copies of the picture, then on the screenshot.
bool copiesLandOnTheSurface() {
  if (bpp == 8) {
    skip("copies of the picture: an 8-bit mode");
    return true;
  }
  int width = 0, height = 0;
  const std::vector<unsigned char> picture = pictureFor(width, height);
  if (picture.empty()) return true;
  api.DDWaitRetrace();
  checkCopiesLandAtThePitch(api, bpp, picture.data(), width, height);
  pumpMessages();
  screenshot();
  return true;
}

// The shared scenarios leave every step after them able to run.
const Step steps[] = {
    {"calls out of order do nothing",
     [] { return checkCallsOutOfOrderDoNothing(api, harness), true; }},
    {"DDInit(NULL) is refused", [] { return checkInitNeedsAWindow(api, harness), true; }},
    {"DDInit on a window", initOnAWindow},
    {"a mode beyond the desktop is refused", modeBeyondTheDesktopIsRefused},
    {"mode 640x480x16", modeSet},
    {"the primary surface and its pixel format", primarySurfaceAndItsPixelFormat},
    {"a palette round trip, indexes outside it doing nothing",
     [] { return checkPaletteRoundTrip(api), true; }},
    {"both copies land on the surface", copiesLandOnTheSurface},
    {"the focus is plain equality",
     [] { return checkFocusIsPlainEquality(api, harness, window), true; }},
    {"close twice, and a cycle without a mode copies nothing",
     [] { return checkCloseTwiceAndStartOver(api, harness, window), true; }},
};

}  // namespace

void runBlitkitTests(const TestPaths& testPaths, MessageWatcher& watcher) {
  paths = &testPaths;
  boxes = &watcher;
  HMODULE dll = loadDll(paths->dist + "\\blitkit.dll");
  if (!dll) return;
  if (true BLITKIT_EXPORTS(EXPORT_BOUND)) runSteps("blitkit", steps);
  if (api.DDClose) api.DDClose();
  if (window) DestroyWindow(window);
  FreeLibrary(dll);
}
