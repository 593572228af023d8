// The codec through the real imgcodec2.dll: the shared scenarios (compared
// with the native build's output afterwards), the record's block, and the
// Windows file semantics.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "codec_scenarios.h"
#include "scenario_files.h"
#include "wine_tests.h"

namespace {

using Bytes = std::vector<unsigned char>;

// What the steps share.
CodecApi api;
const TestPaths* paths;

// The record's block is a movable global block that the load locked once,
// at the address in Pixels.
void checkBlock(const BMPImage* image, size_t bytes) {
  ok(GlobalSize(image->Memory) >= bytes, "a block of %lu bytes for %u",
     static_cast<unsigned long>(GlobalSize(image->Memory)), unsigned(bytes));
  ok_eq(GlobalFlags(image->Memory) & GMEM_LOCKCOUNT, 1);
  ok(GlobalHandle(image->Pixels) == image->Memory, "Pixels %p outside the block %p",
     static_cast<void*>(image->Pixels), image->Memory);
}

// A failed load changes Status alone.
void checkFailedLoadKeeps(const BMPImage* image) {
  const BMPImage before = *image;
  BMPImage* failed = api.LoadBMP("missing.bmp");
  ok(failed == image && failed->Status == BMP_ERR_FILE, "record %p, status %d",
     static_cast<void*>(failed), failed->Status);
  ok(failed->Pixels == before.Pixels && failed->Memory == before.Memory &&
         failed->Width == before.Width && failed->Height == before.Height &&
         failed->BitsPerPixel == before.BitsPerPixel &&
         std::memcmp(failed->Palette, before.Palette, 768) == 0,
     "the failed load changed the record");
}

bool defaults() {
  runCodecDefaults(api, paths->suite, paths->out, '\\');
  return true;
}

bool sharedScenarios() {
  const std::string outDir = paths->out + "\\codec";
  CreateDirectoryA(outDir.c_str(), nullptr);
  const int written = runCodecScenarios(api, paths->suite, outDir, '\\');
  ok(written > 100, "%d files written", written);
  return true;
}

// Loads of each format leave the record's block as checkBlock says, and a
// failed load after each changes Status alone. (What the loads give is
// compared with the native build's output, which the native suites hold
// against an independent decoder.)
bool loadsLeaveTheirBlockAndFailedLoadsKeepIt() {
  struct Case {
    const char* name;
    int target;
  };
  for (Case c :
       {Case{"rgb24.bmp", 0}, Case{"rgb24.bmp", 16}, Case{"rgb24.bmp", 15}, Case{"pal8.bmp", 0},
        Case{"pal8.bmp", 24}, Case{"pal8rle.bmp", 0}, Case{"pal8rle.bmp", 16}}) {
    api.ConfigBMP(BMP_CFG_TARGET_BPP, c.target);
    BMPImage* image = api.LoadBMP((paths->suite + "\\g\\" + c.name).c_str());
    if (!ok(image->Status == BMP_OK, "%s to %d bits: status %d", c.name, c.target, image->Status))
      continue;
    checkBlock(image,
               static_cast<size_t>(image->Width) * image->Height * ((image->BitsPerPixel + 1) / 8));
    checkFailedLoadKeeps(image);
    api.UnloadBMP(image);
  }
  api.ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  return true;
}

std::string sample() {
  return paths->suite + "\\g\\rgb24.bmp";
}

bool missingAndUnsharedFilesDoNotLoad() {
  ok_eq(api.LoadBMP((paths->out + "\\missing.bmp").c_str())->Status, BMP_ERR_FILE);
  HANDLE held = CreateFileA(sample().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ok(held != INVALID_HANDLE_VALUE, "cannot hold %s", sample().c_str());
  ok_eq(api.LoadBMP(sample().c_str())->Status, BMP_ERR_FILE);
  CloseHandle(held);
  return true;
}

// Nothing of a save is left beside its target.
bool noPartialFiles(const std::string& target) {
  WIN32_FIND_DATAA found = {};
  HANDLE search = FindFirstFileA((target + ".~*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  return ok(search == INVALID_HANDLE_VALUE, "left beside %s: %s", target.c_str(), found.cFileName);
}

// The sample as loaded, saved into held.bmp; Status BMP_OK when it could be.
BMPImage savedSample(const std::string& saved) {
  BMPImage copy = *api.LoadBMP(sample().c_str());
  if (ok_eq(copy.Status, BMP_OK)) ok_eq(api.SaveBMP(saved.c_str(), &copy, &copy), copy.Width);
  return copy;
}

// A target that another opener holds, sharing or not, or a read-only one,
// cannot be replaced: BMP_ERR_FILE, the old bytes stay, and no partial file
// is left beside it.
bool heldOrReadOnlyTargetsKeepTheirBytes() {
  const std::string saved = paths->out + "\\held.bmp";
  BMPImage copy = savedSample(saved);
  if (copy.Status != BMP_OK) return true;
  const Bytes old = readAll(saved);
  for (DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
    HANDLE held =
        CreateFileA(saved.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    ok(held != INVALID_HANDLE_VALUE, "cannot hold %s", saved.c_str());
    ok_eq(api.SaveBMP(saved.c_str(), &copy, &copy), BMP_ERR_FILE);
    CloseHandle(held);
  }
  ok(SetFileAttributesA(saved.c_str(), FILE_ATTRIBUTE_READONLY), "cannot make it read-only");
  ok_eq(api.SaveBMP(saved.c_str(), &copy, &copy), BMP_ERR_FILE);
  ok(SetFileAttributesA(saved.c_str(), FILE_ATTRIBUTE_NORMAL), "cannot make it writable");
  ok(readAll(saved) == old, "the old bytes changed");
  noPartialFiles(saved);
  api.UnloadBMP(&copy);
  return true;
}

// The codec's own opener denies all others, even one that shares reading.
bool theCodecSharesItsFileWithNobody() {
  const std::string saved = paths->out + "\\held.bmp";
  HANDLE held =
      CreateFileA(saved.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ok(held != INVALID_HANDLE_VALUE, "cannot hold %s", saved.c_str());
  ok_eq(api.LoadBMP(saved.c_str())->Status, BMP_ERR_FILE);
  CloseHandle(held);
  return true;
}

bool aSaveReplacesALargerFileWhole() {
  const std::string saved = paths->out + "\\replaced.bmp";
  ok(writeAll(saved, Bytes(100000, 0xEE)), "cannot write %s", saved.c_str());
  BMPImage copy = savedSample(saved);
  if (copy.Status != BMP_OK) return true;
  ok_eq(readAll(saved).size(),
        54 + static_cast<size_t>((copy.Width * 3 + 3) / 4 * 4) * copy.Height);
  noPartialFiles(saved);
  BMPImage* back = api.LoadBMP(saved.c_str());
  ok(back->Status == BMP_OK && back->Width == copy.Width && back->Height == copy.Height &&
         memcmp(back->Pixels, copy.Pixels, static_cast<size_t>(copy.Width) * copy.Height * 3) == 0,
     "read back: status %d, %dx%d", back->Status, back->Width, back->Height);
  api.UnloadBMP(back);
  api.UnloadBMP(&copy);
  return true;
}

const Step steps[] = {
    {"the load-time defaults", defaults},
    {"the shared scenarios", sharedScenarios},
    {"loads leave their block, failed loads keep it", loadsLeaveTheirBlockAndFailedLoadsKeepIt},
    {"missing and unshared files do not load", missingAndUnsharedFilesDoNotLoad},
    {"held or read-only targets keep their bytes", heldOrReadOnlyTargetsKeepTheirBytes},
    {"the codec shares its file with nobody", theCodecSharesItsFileWithNobody},
    {"a save replaces a larger file whole", aSaveReplacesALargerFileWhole},
};

}  // namespace

void runCodecTests(const TestPaths& testPaths, MessageWatcher&) {
  paths = &testPaths;
  HMODULE dll = loadDll(paths->dist + "\\imgcodec2.dll");
  if (!dll) return;
  if (true IMGCODEC2_EXPORTS(EXPORT_BOUND)) runSteps("codec", steps);
  FreeLibrary(dll);
}
