#include <windows.h>

#include "host_window.h"
#include "winamp/plugin.h"

namespace demo {

namespace {
bool closed = false;
bool ended = false;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_DESTROY) closed = true;
  if (message == WM_WA_MPEG_EOF) ended = true;
  if (message == WM_KEYDOWN && w == VK_ESCAPE) DestroyWindow(window);
  return DefWindowProcA(window, message, w, l);
}
}  // namespace

void* openWindow() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = windowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "dropin-demo";
  RegisterClassA(&wc);
  HWND window =
      CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "Drop-in libraries demo",
                      WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                      GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, wc.hInstance, nullptr);
  if (!window) return nullptr;
  SetForegroundWindow(window);
  SetFocus(window);
  return window;
}

bool pumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return !closed;
}

bool trackEnded() {
  return ended;
}

void closeWindow(void* window) {
  if (window && !closed) DestroyWindow(static_cast<HWND>(window));
  pumpMessages();
}

DisplayMode desktopMode() {
  HDC dc = GetDC(nullptr);
  DisplayMode mode{GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES),
                   GetDeviceCaps(dc, BITSPIXEL)};
  ReleaseDC(nullptr, dc);
  return mode;
}

bool modeOffered(const DisplayMode& mode) {
  DEVMODEA m = {};
  m.dmSize = sizeof m;
  for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &m); ++i) {
    if (static_cast<int>(m.dmPelsWidth) == mode.width &&
        static_cast<int>(m.dmPelsHeight) == mode.height &&
        static_cast<int>(m.dmBitsPerPel) == mode.bitsPerPixel) {
      return true;
    }
  }
  return false;
}

}  // namespace demo
