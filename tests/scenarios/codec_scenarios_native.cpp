// Runs the shared codec scenarios against the native library:
// codec_scenarios_native SUITE_DIR OUT_DIR
#include <cstdio>

#include "codec_scenarios.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SUITE_DIR OUT_DIR\n", argv[0]);
    return 2;
  }
  const CodecApi api{ConfigBMP, SetTrueColorPalette, LoadBMP, SaveBMP, UnloadBMP};
  int files = runCodecScenarios(api, argv[1], argv[2], '/');
  std::printf("codec scenarios: %d files written\n", files);
  return files > 0 ? 0 : 1;
}
