// Natively the display is the in-memory one of libwin32compat, and the
// window one of its stand-in windows: it has no pixels, but it gets the
// messages inbridge passes on.
#include "compat/win32.h"
#include "host_window.h"
#include "winamp/plugin.h"

namespace demo {

namespace {
bool ended = false;

LRESULT windowProc(HWND, UINT message, WPARAM, LPARAM) {
  if (message == WM_WA_MPEG_EOF) ended = true;
  return 0;
}
}  // namespace

void* openWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = windowProc;
  windowClass.lpszClassName = "dropin-demo";
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, "dropin-demo", "Drop-in libraries demo", WS_POPUP, 0, 0, 0, 0, nullptr,
                         nullptr, nullptr, nullptr);
}
bool pumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  return true;
}
bool trackEnded() {
  return ended;
}
void closeWindow(void* window) {
  DestroyWindow(static_cast<HWND>(window));
}
DisplayMode desktopMode() {
  return {640, 480, 16};
}
// The in-memory display takes any mode.
bool modeOffered(const DisplayMode&) {
  return true;
}

}  // namespace demo
