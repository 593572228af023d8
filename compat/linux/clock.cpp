// GetTickCount and Sleep over the monotonic clock, or over a clock that only
// Sleep moves, so that tests of time limits take no time.
#include <time.h>

#include <cerrno>

#include "compat/win32.h"
#include "state.h"

using compat::state;

extern "C" DWORD GetTickCount() {
  std::lock_guard<std::mutex> guard(state().lock);
  if (state().clock.virtualTime) return state().clock.now;
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<DWORD>(static_cast<std::uint64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000);
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
