// The codec's load-time options and reference palette, natively and under
// Wine: checked by a process's first calls.
#include <cstdio>
#include <vector>

#include "codec_scenarios.h"
#include "scenario_check.h"
#include "scenario_files.h"

void runCodecDefaults(const CodecApi& api, const std::string& suiteDir, const std::string& outDir,
                      char sep) {
  // BMP_CFG_SAVE_TOP_DOWN starts non-zero: the buffer's first row is the
  // top, so it is the file's last row.
  unsigned char rows[2] = {1, 2};
  BMPImage image{};
  image.Pixels = rows;
  image.Width = 1;
  image.Height = 2;
  image.BitsPerPixel = 8;
  const std::string two = outDir + sep + "two.bmp";
  ok_eq(api.SaveBMP(two.c_str(), &image, &image), 1);
  const std::vector<unsigned char> file = readAll(two);
  if (ok_eq(file.size(), 1078 + 8))
    ok(file[1078] == 2 && file[1082] == 1, "rows %d %d, not bottom first", file[1078], file[1082]);

  // Every reference entry starts black: 24-bit pixels of any colour become
  // index 0 when loaded to 8 bits.
  api.ConfigBMP(BMP_CFG_TARGET_BPP, 8);
  BMPImage* loaded = api.LoadBMP((suiteDir + sep + "g" + sep + "rgb24.bmp").c_str());
  api.ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  if (!ok_eq(loaded->Status, BMP_OK)) return;
  int notBlack = 0;
  for (int i = 0; i < loaded->Width * loaded->Height; ++i) notBlack += loaded->Pixels[i] != 0;
  ok(notBlack == 0, "%d of %d pixels not matched to entry 0", notBlack,
     loaded->Width * loaded->Height);
  api.UnloadBMP(loaded);
}
