// Codec scenarios that run the same way against the native library and the
// real DLL under Wine.
#pragma once

#include <string>

#include "exports.h"
#include "imgcodec2.h"

struct CodecApi {
  IMGCODEC2_EXPORTS(EXPORT_POINTER)
};

// Loads a fixed set of the BMP suite's files (below suiteDir, with sep as the
// path separator) in every format and byte order, saves what loaded, and
// writes a dump of each record and every saved file into outDir: the native
// and the Wine run's folders must match byte for byte. Returns the number of
// files written.
int runCodecScenarios(const CodecApi& api, const std::string& suiteDir, const std::string& outDir,
                      char sep);

// The options and the reference palette as the library starts with them,
// before anything has set them: saving takes buffers as top row first, and
// every reference colour is black. Writes into outDir.
void runCodecDefaults(const CodecApi& api, const std::string& suiteDir, const std::string& outDir,
                      char sep);
