#pragma once

#include <string>

// Folders handed to the test program, as Windows paths.
struct TestPaths {
  std::string dist;   // the DLLs under test
  std::string suite;  // the public BMP suite
  std::string out;    // where results are written
};

void runCodecTests(const TestPaths& paths);
