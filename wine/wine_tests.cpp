// The Win32 test program: loads the real DLLs and runs every Win32 scenario
// in one process, since each start of Wine here costs most of a minute.
//   wine_tests.exe DIST_DIR SUITE_DIR OUT_DIR
#include <windows.h>

#include <cstdio>

#include "check.h"
#include "wine_tests.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::printf("usage: wine_tests DIST_DIR SUITE_DIR OUT_DIR\n");
    return 2;
  }
  const TestPaths paths{argv[1], argv[2], argv[3]};
  CreateDirectoryA(paths.out.c_str(), nullptr);
  MessageWatcher boxes({"Error Starting Program", "Error Loading Plugin", "Error"});
  runCodecTests(paths);
  runInbridgeTests(paths, boxes);
  std::printf("wine tests: %d passed, %d failed\n", checkCounts().passed, checkCounts().failed);
  return checkCounts().failed == 0 && checkCounts().passed > 0 ? 0 : 1;
}
