// Our in_wav.dll on its own under Wine: the scenarios of hostile headers and
// chunk settings that the native suite runs too
// (tests/scenarios/in_wav_scenarios.cpp).
#include <windows.h>

#include <string>

#include "in_wav_scenarios.h"
#include "wine_tests.h"

namespace {

// What the step shares.
In_Module* in;
PluginConfigFn setConfig;
std::string dir;

bool hostileHeadersFailOrPlaySafely() {
  runInWavScenarios(in, setConfig, dir);
  return true;
}

const Step steps[] = {
    {"in_wav: hostile headers fail or play safely", hostileHeadersFailOrPlaySafely},
};

}  // namespace

void runPluginTests(const TestPaths& paths, MessageWatcher&) {
  HMODULE dll = loadDll(paths.dist + "\\plugins\\in_wav.dll");
  GetInModuleFn entry;
  if (!dll || !bind(dll, "winampGetInModule2", entry) || !bind(dll, "SetConfig", setConfig)) return;
  dir = paths.out + "\\in_wav\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  in = entry();
  attachInWav(in);
  runSteps("plugins", steps);
  in->Quit();
  FreeLibrary(dll);
}
