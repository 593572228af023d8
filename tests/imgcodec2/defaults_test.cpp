// The load-time options and palette (tests/scenarios/codec_scenarios.cpp). A
// process of its own, with no fixture setting them first: the other suites
// put them back to these values before every test, so could not tell.
#include <gtest/gtest.h>

#include "codec_scenarios.h"
#include "temp_files.h"

TEST(FreshLibrary, SavesTopRowFirstAndMatchesAnAllBlackPalette) {
  const CodecApi api{ConfigBMP, SetTrueColorPalette, LoadBMP, SaveBMP, UnloadBMP};
  runCodecDefaults(api, BMPSUITE_DIR, testfs::scratchDir().string(), '/');
}
