// The checks of the test programs that run against the real DLLs under Wine
// and of the scenarios shared with the native suites, written as Wine's own
// conformance tests write them: ok(condition, format, ...) counts a check and,
// when it fails, prints its place and what came back; skip(format, ...) says
// that the environment lacks what a check needs, counted apart from passes
// and failures. Each harness has its own okAt and skipAt: GoogleTest's
// natively (scenario_check_gtest.cpp), counters under Wine (wine/check.cpp).
// Include it after every other header: ok and skip are macros.
#pragma once

#include <cstdio>

#ifdef __MINGW32__
#define SCENARIO_PRINTF(f, a) __attribute__((format(__MINGW_PRINTF_FORMAT, f, a)))
#else
#define SCENARIO_PRINTF(f, a) __attribute__((format(printf, f, a)))
#endif

bool okAt(const char* file, int line, bool condition, const char* format, ...)
    SCENARIO_PRINTF(4, 5);
void skipAt(const char* file, int line, const char* format, ...) SCENARIO_PRINTF(3, 4);

#define ok(condition, ...) okAt(__FILE__, __LINE__, (condition), __VA_ARGS__)
#define skip(...) skipAt(__FILE__, __LINE__, __VA_ARGS__)

// An integer that must have one value: ok_eq(api.DDLockSurface(), 0) fails
// with "api.DDLockSurface() is 1, not 0".
template <class Got, class Want>
bool okEqualAt(const char* file, int line, const char* what, Got got, Want want) {
  const long long g = static_cast<long long>(got), w = static_cast<long long>(want);
  return okAt(file, line, g == w, "%s is %lld, not %lld", what, g, w);
}
#define ok_eq(got, want) okEqualAt(__FILE__, __LINE__, #got, (got), (want))
