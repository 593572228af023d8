// The codec through the real imgcodec2.dll: the shared scenarios (compared
// with the native build's output afterwards) and the Windows file semantics.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "codec_scenarios.h"
#include "wine_tests.h"

namespace {

using Bytes = std::vector<unsigned char>;

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
  const bool ok = f != INVALID_HANDLE_VALUE &&
                  WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
                  put == bytes.size();
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  return ok;
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

// Files decoded to the bytes that their own pixels give (the run-length
// file to those of its plain original), and the record's
// fields: the block is a movable global block that the load locked once,
// at the address in Pixels.
void checkKnownPictures(const CodecApi& api, const TestPaths& paths) {
  FilePicture rgb, pal;
  if (!CHECK(readPicture(paths.suite + "\\g\\rgb24.bmp", rgb) && rgb.bits == 24) ||
      !CHECK(readPicture(paths.suite + "\\g\\pal8.bmp", pal) && pal.bits == 8))
    return;
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
    BMPImage* image = api.LoadBMP((paths.suite + "\\g\\" + c.name).c_str());
    const int bpp = c.target ? c.target : f.bits;
    const int bytes = bpp == 8 ? 1 : (bpp == 24 ? 3 : 2);
    if (!CHECK_EQ(image->Status, BMP_OK) || !CHECK_EQ(image->BitsPerPixel, bpp) ||
        !CHECK(image->Width == f.width && image->Height == f.height))
      continue;
    const size_t pixels = static_cast<size_t>(f.width) * f.height;
    Bytes want;
    for (size_t i = 0; i < pixels; ++i) {
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
        want.insert(want.end(), {c.order ? r : b, g, c.order ? b : r});
      } else {
        const unsigned w = bpp == 16 ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
                                     : ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        want.insert(want.end(),
                    {static_cast<unsigned char>(w), static_cast<unsigned char>(w >> 8)});
      }
    }
    CHECK(Bytes(image->Pixels, image->Pixels + pixels * bytes) == want);
    if (bpp == 8) {
      CHECK(std::memcmp(image->Palette, f.palette.data(), f.palette.size()) == 0);
    } else {
      CHECK(image->Palette[0] == 0x77 && image->Palette[767] == 0x77);
    }
    CHECK(GlobalSize(image->Memory) >= pixels * bytes);
    CHECK_EQ(GlobalFlags(image->Memory) & GMEM_LOCKCOUNT, 1u);
    CHECK(GlobalHandle(image->Pixels) == image->Memory);
    // A failed load changes Status alone.
    const BMPImage before = *image;
    BMPImage* failed = api.LoadBMP("missing.bmp");
    CHECK(failed == image && failed->Status == BMP_ERR_FILE && failed->Pixels == before.Pixels &&
          failed->Memory == before.Memory && failed->Width == before.Width &&
          failed->Height == before.Height && failed->BitsPerPixel == before.BitsPerPixel &&
          std::memcmp(failed->Palette, before.Palette, 768) == 0);
    BMPImage copy = before;
    api.UnloadBMP(&copy);
  }
  api.ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  api.ConfigBMP(BMP_CFG_RGB_ORDER, 0);
}

// The options and the reference palette as the DLL starts with them: saving
// takes buffers as top row first, and every reference colour is black.
void checkDefaults(const CodecApi& api, const TestPaths& paths) {
  unsigned char rows[2] = {1, 2};
  BMPImage image{};
  image.Pixels = rows;
  image.Width = 1;
  image.Height = 2;
  image.BitsPerPixel = 8;
  const std::string two = paths.out + "\\two.bmp";
  CHECK_EQ(api.SaveBMP(two.c_str(), &image, &image), 1);
  const Bytes file = readAll(two);
  CHECK(file.size() == 1078 + 8 && file[1078] == 2 && file[1082] == 1);
  api.ConfigBMP(BMP_CFG_TARGET_BPP, 8);
  BMPImage* loaded = api.LoadBMP((paths.suite + "\\g\\rgb24.bmp").c_str());
  api.ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  if (!CHECK_EQ(loaded->Status, BMP_OK)) return;
  bool allZero = true;
  for (int i = 0; i < loaded->Width * loaded->Height; ++i) allZero = allZero && !loaded->Pixels[i];
  CHECK(allZero);
  api.UnloadBMP(loaded);
}

// Nothing of a save is left beside its target.
bool noPartialFiles(const std::string& target) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((target + ".~*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return true;
  FindClose(search);
  std::printf("left beside %s: %s\n", target.c_str(), found.cFileName);
  return false;
}

}  // namespace

void runCodecTests(const TestPaths& paths, MessageWatcher&) {
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

  checkDefaults(api, paths);

  const std::string outDir = paths.out + "\\codec";
  CreateDirectoryA(outDir.c_str(), nullptr);
  CHECK(runCodecScenarios(api, paths.suite, outDir, '\\') > 100);
  // After the shared scenarios, whose dumps include the record's palette as
  // the loads before them left it.
  checkKnownPictures(api, paths);

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
  // A target that another opener holds, sharing or not, or a read-only one,
  // cannot be replaced: BMP_ERR_FILE, the old bytes stay, and no partial file
  // is left beside it.
  const Bytes old = readAll(saved);
  for (DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
    held = CreateFileA(saved.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(held != INVALID_HANDLE_VALUE);
    CHECK_EQ(api.SaveBMP(saved.c_str(), &copy, &copy), BMP_ERR_FILE);
    CloseHandle(held);
  }
  CHECK(SetFileAttributesA(saved.c_str(), FILE_ATTRIBUTE_READONLY));
  CHECK_EQ(api.SaveBMP(saved.c_str(), &copy, &copy), BMP_ERR_FILE);
  CHECK(SetFileAttributesA(saved.c_str(), FILE_ATTRIBUTE_NORMAL));
  CHECK(readAll(saved) == old);
  CHECK(noPartialFiles(saved));
  // The codec's own opener denies all others, even one that shares reading.
  held =
      CreateFileA(saved.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  CHECK_EQ(api.LoadBMP(saved.c_str())->Status, BMP_ERR_FILE);
  CloseHandle(held);
  // A save over a file replaces it whole.
  CHECK(writeAll(saved, Bytes(100000, 0xEE)));
  CHECK_EQ(api.SaveBMP(saved.c_str(), &copy, &copy), copy.Width);
  CHECK(readAll(saved).size() ==
        54 + static_cast<size_t>((copy.Width * 3 + 3) / 4 * 4) * copy.Height);
  CHECK(noPartialFiles(saved));
  BMPImage* back = api.LoadBMP(saved.c_str());
  CHECK_EQ(back->Status, BMP_OK);
  CHECK(back->Status == BMP_OK && back->Width == copy.Width && back->Height == copy.Height &&
        memcmp(back->Pixels, copy.Pixels, static_cast<size_t>(copy.Width) * copy.Height * 3) == 0);
  api.UnloadBMP(back);
  api.UnloadBMP(&copy);
  FreeLibrary(dll);
}
