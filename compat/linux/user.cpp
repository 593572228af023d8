// Message boxes, wsprintfA and the keyboard focus. A message box is one line
// "<caption>: <text>" on standard error, answered with OK at once. The
// stand-in's windows are hidden: none of them has the focus.
#include <cstdarg>
#include <cstdio>

#include "compat/win32.h"

extern "C" int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "Error", text ? text : "");
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
  return nullptr;
}
