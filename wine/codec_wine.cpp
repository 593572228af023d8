// The codec through the real imgcodec2.dll: the shared scenarios (compared
// with the native build's output afterwards), files decoded to the bytes of
// their own pixels, the record's block, and the Windows file semantics.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "codec_scenarios.h"
#include "wine_tests.h"

namespace {

using Bytes = std::vector<unsigned char>;

// What the steps share.
CodecApi api;
const TestPaths* paths;

Bytes readAll(const std::string& path) {
  Bytes bytes;
  HANDLE f =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(f, nullptr));
  DWORD got = 0;
  if (!bytes.empty()) ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  bytes.resize(got);
  CloseHandle(f);
  return bytes;
}

bool writeAll(const std::string& path, const Bytes& bytes) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD put = 0;
  const bool written =
      f != INVALID_HANDLE_VALUE &&
      WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
      put == bytes.size();
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  return written;
}

unsigned le(const Bytes& b, size_t at, int n) {
  unsigned v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + i];
  return v;
}

// A bottom-up 8 or 24-bit file with the 40-byte header, read here without the
// codec: its pixels top row first (indices, or blue, green, red), and its
// colour table as red, green, blue.
struct FilePicture {
  int width = 0, height = 0, bits = 0;
  Bytes pixels, palette;
};

bool readPicture(const std::string& path, FilePicture& p) {
  const Bytes f = readAll(path);
  if (f.size() < 54 || f[0] != 'B' || f[1] != 'M' || le(f, 14, 4) != 40) return false;
  const unsigned offBits = le(f, 10, 4);
  p.width = static_cast<int>(le(f, 18, 4));
  p.height = static_cast<int>(le(f, 22, 4));
  p.bits = static_cast<int>(le(f, 28, 2));
  const size_t rowBytes = static_cast<size_t>(p.width) * p.bits / 8;
  const size_t stride = (rowBytes + 3) / 4 * 4;
  if (offBits + stride * p.height > f.size()) return false;
  for (size_t at = 54; p.bits == 8 && at + 4 <= offBits; at += 4)
    p.palette.insert(p.palette.end(), {f[at + 2], f[at + 1], f[at]});
  for (int row = p.height - 1; row >= 0; --row) {
    const auto* start = f.data() + offBits + static_cast<size_t>(row) * stride;
    p.pixels.insert(p.pixels.end(), start, start + rowBytes);
  }
  return true;
}

// The bytes that the file's own pixels give in a format and byte order.
Bytes expectedPixels(const FilePicture& f, int bpp, int order) {
  Bytes want;
  for (size_t i = 0; i < static_cast<size_t>(f.width) * f.height; ++i) {
    unsigned char b, g, r;
    if (f.bits == 8) {
      const unsigned char* e = f.palette.data() + 3 * f.pixels[i];
      r = e[0], g = e[1], b = e[2];
    } else {
      b = f.pixels[3 * i], g = f.pixels[3 * i + 1], r = f.pixels[3 * i + 2];
    }
    if (bpp == 8) {
      want.push_back(f.pixels[i]);
    } else if (bpp == 24) {
      want.insert(want.end(), {order ? r : b, g, order ? b : r});
    } else {
      const unsigned w = bpp == 16 ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
                                   : ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
      want.insert(want.end(), {static_cast<unsigned char>(w), static_cast<unsigned char>(w >> 8)});
    }
  }
  return want;
}

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

// Files decoded to the bytes that their own pixels give (the run-length file
// to those of its plain original) in each format, with the record's block,
// and a failed load after each. After the shared scenarios, whose dumps
// include the record's palette as the loads before them left it.
bool picturesDecodeToTheirOwnPixels() {
  FilePicture rgb, pal;
  if (!ok(readPicture(paths->suite + "\\g\\rgb24.bmp", rgb) && rgb.bits == 24, "rgb24.bmp") ||
      !ok(readPicture(paths->suite + "\\g\\pal8.bmp", pal) && pal.bits == 8, "pal8.bmp"))
    return true;
  struct Case {
    const FilePicture* file;
    const char* name;
    int target, order;
  };
  for (Case c : {Case{&rgb, "rgb24.bmp", 0, 0}, Case{&rgb, "rgb24.bmp", 24, 1},
                 Case{&rgb, "rgb24.bmp", 16, 0}, Case{&rgb, "rgb24.bmp", 15, 0},
                 Case{&pal, "pal8.bmp", 0, 0}, Case{&pal, "pal8.bmp", 24, 0},
                 Case{&pal, "pal8rle.bmp", 0, 0}, Case{&pal, "pal8rle.bmp", 16, 0}}) {
    const FilePicture& f = *c.file;
    api.ConfigBMP(BMP_CFG_TARGET_BPP, c.target);
    api.ConfigBMP(BMP_CFG_RGB_ORDER, c.order);
    std::memset(api.LoadBMP("missing.bmp")->Palette, 0x77, 768);
    BMPImage* image = api.LoadBMP((paths->suite + "\\g\\" + c.name).c_str());
    const int bpp = c.target ? c.target : f.bits;
    const size_t bytes = static_cast<size_t>(f.width) * f.height * ((bpp + 1) / 8);
    if (!ok(image->Status == BMP_OK && image->BitsPerPixel == bpp && image->Width == f.width &&
                image->Height == f.height,
            "%s to %d bits: status %d, %dx%dx%d", c.name, c.target, image->Status, image->Width,
            image->Height, image->BitsPerPixel))
      continue;
    ok(Bytes(image->Pixels, image->Pixels + bytes) == expectedPixels(f, bpp, c.order),
       "%s to %d bits, order %d: other pixels", c.name, c.target, c.order);
    if (bpp == 8) {
      ok(std::memcmp(image->Palette, f.palette.data(), f.palette.size()) == 0,
         "%s: another palette", c.name);
    } else {
      ok(image->Palette[0] == 0x77 && image->Palette[767] == 0x77, "%s to %d bits: palette set",
         c.name, c.target);
    }
    checkBlock(image, bytes);
    checkFailedLoadKeeps(image);
    api.UnloadBMP(image);
  }
  api.ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  api.ConfigBMP(BMP_CFG_RGB_ORDER, 0);
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
    {"pictures decode to their own pixels", picturesDecodeToTheirOwnPixels},
    {"missing and unshared files do not load", missingAndUnsharedFilesDoNotLoad},
    {"held or read-only targets keep their bytes", heldOrReadOnlyTargetsKeepTheirBytes},
    {"the codec shares its file with nobody", theCodecSharesItsFileWithNobody},
    {"a save replaces a larger file whole", aSaveReplacesALargerFileWhole},
};

}  // namespace

void runCodecTests(const TestPaths& testPaths, MessageWatcher&) {
  paths = &testPaths;
  HMODULE dll = LoadLibraryA((paths->dist + "\\imgcodec2.dll").c_str());
  if (!ok(dll != nullptr, "imgcodec2.dll not loaded, error %lu", GetLastError())) return;
  if (true IMGCODEC2_EXPORTS(EXPORT_BOUND)) runSteps("codec", steps);
  FreeLibrary(dll);
}
