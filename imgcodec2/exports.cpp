// The five exports of imgcodec2.
#include <cstring>

#include "codec_state.h"
#include "decoder.h"
#include "encoder.h"
#include "file_stream.h"

using imgcodec2::CodecState;
using imgcodec2::codecState;

namespace imgcodec2 {

CodecState& codecState() {
  static CodecState state;
  return state;
}

namespace {

constexpr DWORD kFileFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN;

// The colour search's lists take a megabyte: asked of the system the first
// time a load maps true colours to the reference palette, and kept. Without
// it the search still gives the same answers, only slower.
void giveSearchMemory(CodecState& s) {
  if (s.layout.bitCount == 24 && s.layout.outputBpp == 8 && !s.nearest.hasMemory()) {
    constexpr std::size_t bytes = NearestColor::kMemoryBytes;
    s.nearest.attachMemory(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE),
                           bytes);
  }
}

void closeFile(CodecState& s) {
  CloseHandle(s.hFile);
  s.hFile = nullptr;
}

// Room for a target's path and the suffix of its partial file.
constexpr std::size_t kPartPathBytes = 1024;

// A save is written to a partial file beside the target, named after it with
// ".~0" to ".~9" appended (the first of them that does not exist yet), and
// replaces the target only once every byte is in it. Opens the partial file
// into s.hFile; false when none can be created.
bool createPartFile(CodecState& s, const char* path, char (&part)[kPartPathBytes]) {
  const std::size_t n = path ? std::strlen(path) : 0;
  if (!path || n + 4 > sizeof part) return false;
  std::memcpy(part, path, n);
  std::memcpy(part + n, ".~0", 4);
  for (char digit = '0'; digit <= '9'; ++digit) {
    part[n + 2] = digit;
    s.hFile = CreateFileA(part, GENERIC_WRITE, 0, nullptr, CREATE_NEW, kFileFlags, nullptr);
    if (s.hFile != INVALID_HANDLE_VALUE) return true;
  }
  s.hFile = nullptr;
  return false;
}

// A failed load reports through Status alone.
BMPImage* failLoad(CodecState& s, int status) {
  closeFile(s);
  s.image.Status = status;
  return &s.image;
}

}  // namespace
}  // namespace imgcodec2

extern "C" void IMGCODEC2_API ConfigBMP(int32_t type, int32_t value) {
  CodecState& s = codecState();
  switch (type) {
    case BMP_CFG_RGB_ORDER:
      s.rgbOrder = value;
      break;
    case BMP_CFG_TARGET_BPP:
      s.targetBpp = value;
      break;
    case BMP_CFG_SAVE_TOP_DOWN:
      s.saveTopDown = value;
      break;
    default:
      break;
  }
}

extern "C" void IMGCODEC2_API SetTrueColorPalette(const unsigned char* colours) {
  if (!colours) return;
  CodecState& s = codecState();
  for (int n = 0; n < 256; ++n) {
    s.trueColorPalette.entries[n] = {colours[3 * n], colours[3 * n + 1], colours[3 * n + 2]};
  }
  s.nearest.setPalette(s.trueColorPalette);
}

extern "C" BMPImage* IMGCODEC2_API LoadBMP(const char* path) {
  using namespace imgcodec2;
  CodecState& s = codecState();
  s.hFile = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, kFileFlags, nullptr);
  if (s.hFile == INVALID_HANDLE_VALUE) {
    s.hFile = nullptr;
    s.image.Status = BMP_ERR_FILE;
    return &s.image;
  }
  DWORD high = 0;
  const DWORD low = GetFileSize(s.hFile, &high);
  const std::uint64_t fileSize = (static_cast<std::uint64_t>(high) << 32) | low;

  FileSource source(s.hFile);
  int status = readBmpHeaders(source, fileSize, s.targetBpp, s.headerStore, s.layout);
  if (status != BMP_OK) return failLoad(s, status);

  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, s.layout.bufferBytes);
  if (!block) return failLoad(s, BMP_ERR_MEMORY);
  auto* pixels = static_cast<std::uint8_t*>(GlobalLock(block));
  if (!pixels) {
    GlobalFree(block);
    return failLoad(s, BMP_ERR_MEMORY);
  }

  s.image.BitsPerPixel = static_cast<int32_t>(s.layout.outputBpp);
  giveSearchMemory(s);
  const DecodeTarget target{pixels, s.image.Palette, s.paletteBlock, s.rgbOrder != 0, &s.nearest,
                            s.io,   sizeof s.io};
  decodeBmp(source, s.layout, target);
  closeFile(s);

  s.image.Width = static_cast<int32_t>(s.layout.width);
  s.image.Height = static_cast<int32_t>(s.layout.height);
  s.image.Pixels = pixels;
  s.image.Memory = block;
  s.image.Status = BMP_OK;
  return &s.image;
}

extern "C" int32_t IMGCODEC2_API SaveBMP(const char* path, const BMPImage* source,
                                         const BMPImage* description) {
  using namespace imgcodec2;
  if (!source || !description) return BMP_ERR_FORMAT;
  CodecState& s = codecState();
  const SaveRequest request{
      source->Pixels,       static_cast<std::uint32_t>(source->Width < 0 ? 0 : source->Width),
      source->BitsPerPixel, description->Width,
      description->Height,  description->BitsPerPixel,
      description->Palette, s.rgbOrder == 1,
      s.saveTopDown != 0};
  // Checked before the file is created, so a refused call leaves any
  // existing file of that name as it was.
  if (checkSave(request) != BMP_OK) return BMP_ERR_FORMAT;

  // A save that fails part-way (a full disk, a short write) must not leave a
  // fragment in place of a good file: the target is replaced, by a rename
  // that either happens whole or not at all, only when the partial file holds
  // every byte. An existing target is opened first as a save always opened
  // it (for writing, no sharing) and held meanwhile, so one that is
  // read-only or that another opener holds still gives BMP_ERR_FILE, on
  // every platform, and keeps its bytes.
  HANDLE target = nullptr;
  const DWORD attributes = path ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_READONLY) return BMP_ERR_FILE;
    target = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, kFileFlags, nullptr);
    if (target == INVALID_HANDLE_VALUE) return BMP_ERR_FILE;
  }
  char part[kPartPathBytes];
  if (!createPartFile(s, path, part)) {
    if (target) CloseHandle(target);
    return BMP_ERR_FILE;
  }
  FileSink sink(s.hFile);
  bool written = writeBmp(sink, request, s.headerStore, s.io, sizeof s.io);
  written = CloseHandle(s.hFile) && written;
  s.hFile = nullptr;
  if (target) CloseHandle(target);
  if (!written || !MoveFileExA(part, path, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(part);
    return BMP_ERR_FILE;
  }
  return source->Width;
}

extern "C" void IMGCODEC2_API UnloadBMP(BMPImage* image) {
  if (!image || !image->Memory) return;
  GlobalUnlock(image->Memory);
  GlobalFree(image->Memory);
}
