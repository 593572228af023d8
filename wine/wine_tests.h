// The Win32 test program's parts, and what they share: the folders they are
// given, binding a DLL's exports, and the table of steps each part runs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <string>

#include "message_watcher.h"
#include "scenario_check.h"

// Folders handed to the test program, as Windows paths.
struct TestPaths {
  std::string dist;     // the DLLs under test
  std::string suite;    // the public BMP suite
  std::string out;      // where results are written
  std::string samples;  // the project's sample files
};

// A DLL loaded from path; one that does not load fails a check that names
// Windows' error.
inline HMODULE loadDll(const std::string& path) {
  const HMODULE dll = LoadLibraryA(path.c_str());
  ok(dll != nullptr, "%s not loaded, error %lu", path.c_str(), GetLastError());
  return dll;
}

// An export of a loaded DLL as a function of type F; a missing one fails a
// check.
template <class F>
bool bind(HMODULE dll, const char* name, F& fn) {
  fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  return ok(fn != nullptr, "%s is not exported", name);
}

// Binds every export of a list of exports.h into api, given dll:
// `true BLITKIT_EXPORTS(EXPORT_BOUND)`.
#define EXPORT_BOUND(name) &&bind(dll, #name, api.name)

// Handles the calling thread's pending messages.
inline void pumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// One behaviour of a part: a small function that checks it on what the
// steps before it in the part's table left, and returns false when the steps
// after it cannot run.
struct Step {
  const char* name;
  bool (*run)();
};

// Runs a part's steps in order, each named on the output first (Wine's
// display driver may end the process), until one cannot go on.
template <std::size_t N>
void runSteps(const char* part, const Step (&steps)[N]) {
  for (const Step& step : steps) {
    std::printf("%s: %s\n", part, step.name);
    if (!step.run()) {
      std::printf("%s: the steps after this one cannot run\n", part);
      return;
    }
  }
}

// The parts, each run when asked for.
void runCodecTests(const TestPaths& paths, MessageWatcher& boxes);
void runInbridgeTests(const TestPaths& paths, MessageWatcher& boxes);
void runBlitkitTests(const TestPaths& paths, MessageWatcher& boxes);
void runPluginTests(const TestPaths& paths, MessageWatcher& boxes);
// Only where Wine has no sound device.
void runNoSoundTests(const TestPaths& paths, MessageWatcher& boxes);

// Prints the totals; the program's exit code.
int checkSummary();
