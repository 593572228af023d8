// A minimal check harness for the Win32 test program: every check is counted
// and a failed one is printed with its place.
#pragma once

#include <cstdio>

struct CheckCounts {
  int passed = 0;
  int failed = 0;
};

inline CheckCounts& checkCounts() {
  static CheckCounts counts;
  return counts;
}

inline bool checkThat(bool ok, const char* what, const char* file, int line) {
  if (ok) {
    checkCounts().passed++;
  } else {
    checkCounts().failed++;
    std::printf("FAILED %s:%d: %s\n", file, line, what);
    std::fflush(stdout);
  }
  return ok;
}

#define CHECK(cond) checkThat((cond), #cond, __FILE__, __LINE__)
#define CHECK_EQ(a, b) checkThat((a) == (b), #a " == " #b, __FILE__, __LINE__)
