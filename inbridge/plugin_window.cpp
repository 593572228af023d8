// Input plug-ins treat their main window as the player's: they subclass it
// and leave their procedure in it when they are freed, they ask it questions
// with WM_USER and use the answer as a pointer, and they post it the end of
// a track. So they get a window of their own, not the host's: it answers
// every query with 0 and passes the end of a track on to the host's window.
#include "plugin_window.h"

#include "xplug_state.h"

#ifdef _WIN32
extern "C" IMAGE_DOS_HEADER __ImageBase;
#endif

namespace inbridge {

namespace {

const char kClassName[] = "inbridge plug-in window";

HINSTANCE thisLibrary() {
#ifdef _WIN32
  return reinterpret_cast<HINSTANCE>(&__ImageBase);
#else
  return nullptr;
#endif
}

LRESULT CALLBACK pluginWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_USER) return 0;  // a query meant for the player
  if (message == WM_WA_MPEG_EOF) {
    if (HWND host = state().hParent) PostMessageA(host, message, w, l);
    return 0;
  }
  return DefWindowProcA(window, message, w, l);
}

}  // namespace

HWND createPluginWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = pluginWindowProc;
  windowClass.hInstance = thisLibrary();
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return nullptr;
  }
  return CreateWindowExA(0, kClassName, "inbridge", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                         thisLibrary(), nullptr);
}

void destroyPluginWindow(HWND window) {
  if (!window) return;
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pluginWindowProc));
  DestroyWindow(window);
  UnregisterClassA(kClassName, thisLibrary());
}

}  // namespace inbridge
