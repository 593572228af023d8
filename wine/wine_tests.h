#pragma once

#include <string>

#include "message_watcher.h"

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
