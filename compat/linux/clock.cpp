// GetTickCount and Sleep over the monotonic clock, or over a clock that only
// Sleep moves, so that tests of time limits take no time.
#include <time.h>

#include <cerrno>

#include "compat/win32.h"
#include "state.h"

using compat::state;

namespace {

ULONGLONG monotonicMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<ULONGLONG>(t.tv_sec) * 1000 + static_cast<ULONGLONG>(t.tv_nsec) / 1000000;
}

}  // namespace

extern "C" ULONGLONG GetTickCount64() {
  return monotonicMs();
}

extern "C" DWORD GetTickCount() {
  {
    std::lock_guard<std::mutex> guard(state().lock);
    if (state().clock.virtualTime) return state().clock.now;
  }
  return static_cast<DWORD>(monotonicMs());
}

extern "C" void Sleep(DWORD ms) {
  {
    std::lock_guard<std::mutex> guard(state().lock);
    state().calls.sleep++;
    state().clock.slept += ms;
    if (state().clock.virtualTime) {
      state().clock.now += ms;
      return;
    }
  }
  timespec t{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}
