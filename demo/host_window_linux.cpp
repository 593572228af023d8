// Natively the display is the in-memory one of libwin32compat: there is no
// window system, so the window is a token that DirectDraw is handed.
#include "host_window.h"

namespace demo {

namespace {
int windowToken;
}

void* openWindow() {
  return &windowToken;
}
bool pumpMessages() {
  return true;
}
void closeWindow(void*) {}
DisplayMode desktopMode() {
  return {640, 480, 16};
}
// The in-memory display takes any mode.
bool modeOffered(const DisplayMode&) {
  return true;
}

}  // namespace demo
