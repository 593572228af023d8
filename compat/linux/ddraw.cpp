// An in-memory DirectDraw with the first-version interfaces that blitkit
// calls: display modes of 320x200 up to 2048x1536 at 8, 15, 16, 24 and 32
// bits, a primary surface in system memory whose pitch is wider than a row
// (between canary bytes), surfaces lost by a mode change, palettes of 256
// entries and reference counts.
#include <cstring>

#include "compat/display.h"

namespace compat {

Display& display() {
  static Display d;
  return d;
}

void resetDisplay() {
  const int live = display().liveObjects;
  display() = Display{};
  display().liveObjects = live;
}

}  // namespace compat

namespace {

using compat::display;

DWORD bytesPerPixel(DWORD bpp) {
  return (bpp + 1) / 8;
}

void describe(DDPIXELFORMAT& pf, DWORD bpp) {
  pf.dwFlags = DDPF_RGB | (bpp == 8 ? DDPF_PALETTEINDEXED8 : 0);
  pf.dwFourCC = 0;
  pf.dwRGBBitCount = bpp == 15 ? 16 : bpp;
  pf.dwRBitMask = bpp == 15 ? 0x7C00 : bpp == 16 ? 0xF800 : bpp >= 24 ? 0xFF0000 : 0;
  pf.dwGBitMask = bpp == 15 ? 0x03E0 : bpp == 16 ? 0x07E0 : bpp >= 24 ? 0x00FF00 : 0;
  pf.dwBBitMask = bpp == 15 ? 0x001F : bpp == 16 ? 0x001F : bpp >= 24 ? 0x0000FF : 0;
  pf.dwRGBAlphaBitMask = 0;
}

template <class Interface>
class Counted : public Interface {
 public:
  Counted() { display().liveObjects++; }
  virtual ~Counted() { display().liveObjects--; }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 private:
  ULONG refs_ = 1;
};

class MemoryPalette final : public Counted<IDirectDrawPalette> {
 public:
  explicit MemoryPalette(const PALETTEENTRY* initial) {
    std::memcpy(entries_, initial, sizeof entries_);
  }
  HRESULT GetEntries(DWORD, DWORD base, DWORD count, PALETTEENTRY* out) override {
    if (!out || base > 256 || count > 256 - base) return DDERR_INVALIDPARAMS;
    std::memcpy(out, entries_ + base, count * sizeof *out);
    return DD_OK;
  }
  HRESULT SetEntries(DWORD, DWORD start, DWORD count, PALETTEENTRY* in) override {
    if (!in || start > 256 || count > 256 - start) return DDERR_INVALIDPARAMS;
    std::memcpy(entries_ + start, in, count * sizeof *in);
    return DD_OK;
  }

 private:
  PALETTEENTRY entries_[256];
};

class MemorySurface final : public Counted<IDirectDrawSurface> {
 public:
  MemorySurface(DWORD width, DWORD height, DWORD bpp)
      : width_(width),
        height_(height),
        bpp_(bpp),
        mode_(display().modeChanges),
        memory_(static_cast<std::size_t>(width * bytesPerPixel(bpp) + 32) * height) {
    const auto rowBytes = static_cast<LONG>(width * bytesPerPixel(bpp) + 32);
    pitch_ = display().bottomUp ? -rowBytes : rowBytes;
    address_ = display().bottomUp ? memory_.data() + memory_.bytes - rowBytes : memory_.data();
    display().surfaceMemory = &memory_;
    display().surfacePitch = pitch_;
  }
  ~MemorySurface() override {
    if (display().surfaceMemory == &memory_) display().surfaceMemory = nullptr;
    if (palette_) palette_->Release();
  }
  HRESULT Lock(RECT*, DDSURFACEDESC* desc, DWORD, HANDLE) override {
    if (lost()) return DDERR_SURFACELOST;
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    desc->dwFlags |= DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_LPSURFACE | DDSD_PIXELFORMAT;
    desc->dwWidth = width_;
    desc->dwHeight = height_;
    desc->lPitch = pitch_;
    desc->lpSurface = address_;
    desc->ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    describe(desc->ddpfPixelFormat, bpp_);
    return DD_OK;
  }
  HRESULT Unlock(LPVOID) override { return DD_OK; }
  HRESULT Restore() override { return lost() ? DDERR_WRONGMODE : DD_OK; }
  HRESULT GetPixelFormat(DDPIXELFORMAT* pf) override {
    if (!pf || pf->dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPARAMS;
    describe(*pf, bpp_);
    return DD_OK;
  }
  HRESULT SetPalette(IDirectDrawPalette* palette) override {
    // The surface holds its own reference, as DirectDraw does.
    if (palette) palette->AddRef();
    if (palette_) palette_->Release();
    palette_ = palette;
    return DD_OK;
  }

 private:
  bool lost() const { return mode_ != display().modeChanges; }
  DWORD width_, height_, bpp_;
  int mode_;  // display().modeChanges when made
  LONG pitch_;
  compat::SurfaceMemory memory_;
  std::uint8_t* address_;
  IDirectDrawPalette* palette_ = nullptr;
};

class MemoryDirectDraw final : public Counted<IDirectDraw> {
 public:
  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override {
    // Exclusive mode needs a window, as on Windows.
    return !window && (flags & DDSCL_EXCLUSIVE) ? DDERR_INVALIDPARAMS : DD_OK;
  }
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bpp) override {
    const bool depthOk = bpp == 8 || bpp == 15 || bpp == 16 || bpp == 24 || bpp == 32;
    if (!depthOk || width < 320 || width > 2048 || height < 200 || height > 1536)
      return DDERR_INVALIDMODE;
    display().width = width;
    display().height = height;
    display().bpp = bpp;
    display().modeChanges++;
    return DD_OK;
  }
  HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** surface, IUnknown*) override {
    if (!desc || !surface || desc->dwSize != sizeof(DDSURFACEDESC) ||
        !(desc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE)) {
      return DDERR_INVALIDPARAMS;
    }
    *surface = new MemorySurface(display().width, display().height, display().bpp);
    return DD_OK;
  }
  HRESULT CreatePalette(DWORD flags, PALETTEENTRY* entries, IDirectDrawPalette** palette,
                        IUnknown*) override {
    if (!entries || !palette || !(flags & DDPCAPS_8BIT)) return DDERR_INVALIDPARAMS;
    *palette = new MemoryPalette(entries);
    return DD_OK;
  }
  HRESULT WaitForVerticalBlank(DWORD, HANDLE) override { return DD_OK; }
};

}  // namespace

extern "C" HRESULT DirectDrawCreate(GUID*, IDirectDraw** directDraw, IUnknown*) {
  if (!directDraw) return DDERR_INVALIDPARAMS;
  *directDraw = new MemoryDirectDraw;
  return DD_OK;
}
