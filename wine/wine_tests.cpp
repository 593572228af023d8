// The Win32 test program: loads the real DLLs and runs every Win32 scenario
// in one process, since each start of Wine here costs most of a minute.
//   wine_tests.exe DIST_DIR SUITE_DIR OUT_DIR SAMPLES_DIR [PARTS]
#include "wine_tests.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Part {
  const char* name;
  void (*run)(const TestPaths& paths, MessageWatcher& boxes);
  bool byDefault;  // run when no parts are named
};

const Part parts[] = {
    {"codec", runCodecTests, true},      {"inbridge", runInbridgeTests, true},
    {"blitkit", runBlitkitTests, true},  {"plugins", runPluginTests, true},
    {"nosound", runNoSoundTests, false},  // where Wine has no sound device
};

// A crash (say an instruction that an emulated older processor lacks) ends
// the program at once with its code, instead of waiting on Wine's debugger.
LONG WINAPI reportCrash(EXCEPTION_POINTERS* e) {
  std::printf("unhandled exception 0x%08lX at %p\n", e->ExceptionRecord->ExceptionCode,
              e->ExceptionRecord->ExceptionAddress);
  ExitProcess(e->ExceptionRecord->ExceptionCode);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::printf(
        "usage: wine_tests DIST_DIR SUITE_DIR OUT_DIR SAMPLES_DIR [PARTS, e.g. codec,inbridge;\n"
        "       nosound, where Wine has no sound device, only when named]\n");
    return 2;
  }
  // Optional comma-separated list of the parts to run.
  const std::string only = argc == 6 ? "," + std::string(argv[5]) + "," : "";
  // Unbuffered, so that what was checked is on record even if Wine's display
  // driver ends the process.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  SetUnhandledExceptionFilter(reportCrash);
  const TestPaths paths{argv[1], argv[2], argv[3], argv[4]};
  CreateDirectoryA(paths.out.c_str(), nullptr);
  MessageWatcher boxes({"Error Starting Program", "Error Loading Plugin", "Error"});
  for (const Part& part : parts) {
    const bool named = only.find("," + std::string(part.name) + ",") != std::string::npos;
    if (only.empty() ? part.byDefault : named) part.run(paths, boxes);
  }
  return checkSummary();
}
