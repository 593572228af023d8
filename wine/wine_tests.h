#pragma once

#include <windows.h>

#include <string>

#include "check.h"
#include "message_watcher.h"

// An export of a loaded DLL as a function of type F; a missing one fails a
// check.
template <class F>
bool bind(HMODULE dll, const char* name, F& fn) {
  fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  return CHECK(fn != nullptr);
}

// Handles the calling thread's pending messages.
inline void pumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Folders handed to the test program, as Windows paths.
struct TestPaths {
  std::string dist;     // the DLLs under test
  std::string suite;    // the public BMP suite
  std::string out;      // where results are written
  std::string samples;  // the project's sample files
};

class MessageWatcher;
void runCodecTests(const TestPaths& paths);
void runInbridgeTests(const TestPaths& paths, MessageWatcher& boxes);
void runBlitkitTests(const TestPaths& paths, MessageWatcher& boxes);
void runPluginTests(const TestPaths& paths);
// Only where Wine has no sound device.
void runNoSoundTests(const TestPaths& paths);
