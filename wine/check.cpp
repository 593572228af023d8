// The checks of the Win32 test program: every ok() is counted, a failed one
// printed with its place and what came back, and every skip() is counted
// apart, with its reason.
#include <cstdarg>
#include <cstdio>

#include "wine_tests.h"

namespace {

int passed = 0, failed = 0, skipped = 0;

void report(const char* file, int line, const char* what, const char* format, va_list args) {
  std::printf("%s:%d: %s: ", file, line, what);
  std::vprintf(format, args);
  std::printf("\n");
  std::fflush(stdout);
}

}  // namespace

bool okAt(const char* file, int line, bool condition, const char* format, ...) {
  if (condition) {
    passed++;
    return true;
  }
  failed++;
  va_list args;
  va_start(args, format);
  report(file, line, "Test failed", format, args);
  va_end(args);
  return false;
}

void skipAt(const char* file, int line, const char* format, ...) {
  skipped++;
  va_list args;
  va_start(args, format);
  report(file, line, "Tests skipped", format, args);
  va_end(args);
}

int checkSummary() {
  std::printf("wine tests: %d passed, %d failed, %d skipped\n", passed, failed, skipped);
  return failed == 0 && passed > 0 ? 0 : 1;
}
