// Codec scenarios that run the same way against the native library and the
// real DLL under Wine; both write what they got into a folder, and the two
// folders must match byte for byte.
#pragma once

#include <string>

#include "exports.h"
#include "imgcodec2.h"

struct CodecApi {
  IMGCODEC2_EXPORTS(EXPORT_POINTER)
};

// Loads a fixed set of the BMP suite's files (below suiteDir, with sep as the
// path separator) in every format and byte order, saves what loaded, and
// writes a dump of each record and every saved file into outDir. Returns the
// number of files written.
int runCodecScenarios(const CodecApi& api, const std::string& suiteDir, const std::string& outDir,
                      char sep);
