// The shared scenarios' checks in a GoogleTest suite: a failed ok() is a
// failure of the running test at the scenario's line, a skip() a skip.
#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "scenario_check.h"

namespace {

std::string formatted(const char* format, va_list args) {
  char text[1024];
  std::vsnprintf(text, sizeof text, format, args);
  return text;
}

}  // namespace

bool okAt(const char* file, int line, bool condition, const char* format, ...) {
  if (condition) return true;
  va_list args;
  va_start(args, format);
  ADD_FAILURE_AT(file, line) << formatted(format, args);
  va_end(args);
  return false;
}

void skipAt(const char* file, int line, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = formatted(format, args);
  va_end(args);
  GTEST_MESSAGE_AT_(file, line, text.c_str(), ::testing::TestPartResult::kSkip);
}
