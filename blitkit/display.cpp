// Display set-up and surface access.
#include <cstring>

#include "blitkit.h"
#include "display_state.h"

namespace blitkit {

DisplayState& state() {
  static DisplayState s;  // zero at load
  return s;
}

void showError(const char* text) {
  MessageBoxA(nullptr, text, "Error", MB_OK);
}

namespace {

// A lost surface is restored and the lock tried again for this long at
// most: while another program holds the display, Restore keeps failing and
// an unbounded loop would never return. A count would not do: a fast
// machine runs through any count before a mode switch has settled.
constexpr DWORD kLostSurfaceMs = 1000;
// The wait between attempts once a first Restore has not helped.
constexpr DWORD kRetryWaitMs = 10;

template <class T>
void release(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

// Everything held, released and forgotten, so that nothing is released or
// used twice; the mode's pixel size too, so that the copies of a new cycle
// do not take it from a mode of the old one.
void releaseAll(DisplayState& s) {
  release(s.primarySurface);
  release(s.palette);
  release(s.directDraw);
  s.locked = 0;
  s.bytesPerPixel = 0;
}

}  // namespace
}  // namespace blitkit

using blitkit::DisplayState;
using blitkit::showError;
using blitkit::state;

extern "C" int32_t BLITKIT_API DDInit(void* window) {
  DisplayState& s = state();
  blitkit::releaseAll(s);
  if (DirectDrawCreate(nullptr, &s.directDraw, nullptr) != DD_OK) {
    s.directDraw = nullptr;
    showError("Couldn't init DirectDraw");
    return 1;
  }
  if (s.directDraw->SetCooperativeLevel(static_cast<HWND>(window),
                                        DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK) {
    showError("Couldn't set DirectDraw cooperative level");
    return 1;
  }
  return 0;
}

extern "C" int32_t BLITKIT_API DDSetGraphicsMode(int32_t width, int32_t height,
                                                 int32_t bitsPerPixel) {
  DisplayState& s = state();
  if (!s.directDraw) return 1;
  if (s.directDraw->SetDisplayMode(static_cast<DWORD>(width), static_cast<DWORD>(height),
                                   static_cast<DWORD>(bitsPerPixel)) != DD_OK) {
    showError("Couldn't set display mode");
    return 1;
  }
  s.modeSet = 1;
  s.bytesPerPixel = blitkit::pixelBytes(static_cast<std::uint32_t>(bitsPerPixel));
  return 0;
}

extern "C" int32_t BLITKIT_API DDCreatePrimarySurface() {
  DisplayState& s = state();
  if (!s.directDraw) return 1;
  s.surfaceDesc.dwSize = sizeof(DDSURFACEDESC);
  s.surfaceDesc.dwFlags = DDSD_CAPS;
  s.surfaceDesc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  // A surface kept from before any mode was set is replaced all the same;
  // dropping it without a release would leak it.
  blitkit::release(s.primarySurface);
  s.locked = 0;
  if (s.directDraw->CreateSurface(&s.surfaceDesc, &s.primarySurface, nullptr) != DD_OK) {
    s.primarySurface = nullptr;
    showError("Couldn't create primary surface");
    return 1;
  }
  return 0;
}

extern "C" void* BLITKIT_API DDPixelFormatInfo() {
  DisplayState& s = state();
  s.pixelFormat.dwSize = sizeof(DDPIXELFORMAT);
  s.pixelFormat.dwFlags = DDPF_RGB;
  if (s.primarySurface) s.primarySurface->GetPixelFormat(&s.pixelFormat);
  return &s.pixelFormat;
}

extern "C" int32_t BLITKIT_API DDLockSurface() {
  DisplayState& s = state();
  if (!s.primarySurface) return 1;
  const DWORD start = GetTickCount();
  for (bool first = true;; first = false) {
    const HRESULT result = s.primarySurface->Lock(nullptr, &s.surfaceDesc, DDLOCK_WAIT, nullptr);
    if (result == DD_OK) {
      s.locked = 1;
      return 0;
    }
    if (result != DDERR_SURFACELOST || GetTickCount() - start >= blitkit::kLostSurfaceMs) break;
    if (!first) Sleep(blitkit::kRetryWaitMs);
    s.primarySurface->Restore();
  }
  showError("Couldn't lock surface");
  return 1;
}

extern "C" void BLITKIT_API DDUnlockSurface() {
  DisplayState& s = state();
  if (!s.primarySurface) return;
  s.primarySurface->Unlock(s.surfaceDesc.lpSurface);
  s.locked = 0;
}

extern "C" void* BLITKIT_API DDGetSurfacePointer() {
  return state().surfaceDesc.lpSurface;
}

extern "C" int32_t BLITKIT_API DDGetSurfacePitch() {
  return state().surfaceDesc.lPitch;
}

extern "C" void BLITKIT_API DDWaitRetrace() {
  DisplayState& s = state();
  if (s.directDraw) s.directDraw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
}

extern "C" int32_t BLITKIT_API DDGotFocus(void* window) {
  return GetFocus() == static_cast<HWND>(window) ? 1 : 0;
}

extern "C" void BLITKIT_API DDClose() {
  blitkit::releaseAll(state());
}
