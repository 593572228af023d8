// Message boxes, wsprintfA and the keyboard focus. A message box is one line
// "<caption>: <text>" on standard error, answered with OK at once; tests can
// record the boxes instead.
#include <cstdarg>
#include <cstdio>

#include "compat/win32.h"
#include "state.h"

using compat::state;

extern "C" int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  std::lock_guard<std::mutex> guard(state().lock);
  state().calls.messageBox++;
  const char* t = text ? text : "";
  const char* c = caption ? caption : "Error";
  if (state().captureBoxes) {
    state().boxes.push_back({owner, t, c, type});
  } else {
    std::fprintf(stderr, "%s: %s\n", c, t);
  }
  return IDOK;
}

// Like the real one, it writes at most 1024 characters with the terminator.
extern "C" int wsprintfA(char* out, LPCSTR format, ...) {
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(out, 1024, format, args);
  va_end(args);
  return n < 0 ? 0 : (n > 1023 ? 1023 : n);
}

extern "C" HWND GetFocus() {
  std::lock_guard<std::mutex> guard(state().lock);
  return state().focus;
}
