// GetTickCount, GetTickCount64 and Sleep over the monotonic clock.
#include <time.h>

#include <cerrno>

#include "compat/win32.h"

extern "C" ULONGLONG GetTickCount64() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<ULONGLONG>(t.tv_sec) * 1000 + static_cast<ULONGLONG>(t.tv_nsec) / 1000000;
}

extern "C" DWORD GetTickCount() {
  return static_cast<DWORD>(GetTickCount64());
}

extern "C" void Sleep(DWORD ms) {
  timespec t{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}
