// Polls a condition until it holds or ms milliseconds have passed; false then.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

inline bool waitFor(const std::function<bool()>& condition, int ms = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}
