// The codec through the real imgcodec2.dll: the shared scenarios (compared
// with the native build's output afterwards) and the Windows file semantics.
#include <windows.h>

#include <string>

#include "check.h"
#include "codec_scenarios.h"
#include "wine_tests.h"

void runCodecTests(const TestPaths& paths) {
  HMODULE dll = LoadLibraryA((paths.dist + "\\imgcodec2.dll").c_str());
  if (!CHECK(dll != nullptr)) return;
  CodecApi api{};
  bind(dll, "ConfigBMP", api.ConfigBMP);
  bind(dll, "SetTrueColorPalette", api.SetTrueColorPalette);
  bind(dll, "LoadBMP", api.LoadBMP);
  bind(dll, "SaveBMP", api.SaveBMP);
  bind(dll, "UnloadBMP", api.UnloadBMP);
  if (!api.ConfigBMP || !api.LoadBMP || !api.SaveBMP || !api.UnloadBMP || !api.SetTrueColorPalette)
    return;

  const std::string outDir = paths.out + "\\codec";
  CreateDirectoryA(outDir.c_str(), nullptr);
  CHECK(runCodecScenarios(api, paths.suite, outDir, '\\') > 100);

  // The Windows side of the file handling: missing files, and files that
  // another opener holds without sharing.
  const std::string sample = paths.suite + "\\g\\rgb24.bmp";
  CHECK_EQ(api.LoadBMP((paths.out + "\\missing.bmp").c_str())->Status, BMP_ERR_FILE);
  HANDLE held = CreateFileA(sample.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  CHECK(held != INVALID_HANDLE_VALUE);
  CHECK_EQ(api.LoadBMP(sample.c_str())->Status, BMP_ERR_FILE);
  CloseHandle(held);

  BMPImage* image = api.LoadBMP(sample.c_str());
  if (!CHECK_EQ(image->Status, BMP_OK)) return;
  BMPImage copy = *image;
  const std::string saved = paths.out + "\\held.bmp";
  CHECK_EQ(api.SaveBMP(saved.c_str(), &copy, &copy), copy.Width);
  held = CreateFileA(saved.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  CHECK_EQ(api.SaveBMP(saved.c_str(), &copy, &copy), BMP_ERR_FILE);
  CloseHandle(held);
  BMPImage* back = api.LoadBMP(saved.c_str());
  CHECK_EQ(back->Status, BMP_OK);
  CHECK(back->Status == BMP_OK && back->Width == copy.Width && back->Height == copy.Height &&
        memcmp(back->Pixels, copy.Pixels, static_cast<size_t>(copy.Width) * copy.Height * 3) == 0);
  api.UnloadBMP(back);
  api.UnloadBMP(&copy);
  FreeLibrary(dll);
}
