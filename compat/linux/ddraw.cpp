// An in-memory DirectDraw with the first-version interfaces that blitkit
// calls: display modes of 320x200 up to 2048x1536 at 8, 15, 16, 24 and 32
// bits, a primary surface in system memory whose pitch is wider than a row
// (between canary bytes), surfaces lost by a mode change, palettes of 256
// entries, reference counts, and scripted results.
#include <cstring>
#include <memory>

#include "compat/ddraw_hooks.h"

namespace compat {

FakeDisplay& display() {
  static FakeDisplay d;
  return d;
}

void resetDisplay() {
  const int live = display().liveObjects;
  display() = FakeDisplay{};
  display().liveObjects = live;
}

}  // namespace compat

namespace {

using compat::display;

// The next scripted result of a call, logged under its name and numbers.
HRESULT call(const std::string& name, std::initializer_list<long long> numbers = {}) {
  std::string entry = name;
  for (long long n : numbers) entry += " " + std::to_string(n);
  auto& calls = display().calls;
  if (calls.size() >= 4096) calls.erase(calls.begin(), calls.begin() + 2048);
  calls.push_back(entry);
  auto& queue = display().script[name];
  if (queue.empty()) return DD_OK;
  HRESULT result = queue.front();
  queue.pop_front();
  return result;
}

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
  void addRef() { ++refs_; }
  virtual ~Counted() { display().liveObjects--; }
  ULONG Release() override {
    display().calls.push_back(name() + ".Release");
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual std::string name() const = 0;

 private:
  ULONG refs_ = 1;
};

class FakePalette final : public Counted<IDirectDrawPalette> {
 public:
  explicit FakePalette(const PALETTEENTRY* initial) {
    std::memcpy(entries_, initial, sizeof entries_);
  }
  HRESULT GetEntries(DWORD flags, DWORD base, DWORD count, PALETTEENTRY* out) override {
    HRESULT r = call("GetEntries", {flags, base, count});
    if (r != DD_OK) return r;
    if (!out || base > 256 || count > 256 - base) return DDERR_INVALIDPARAMS;
    std::memcpy(out, entries_ + base, count * sizeof *out);
    return DD_OK;
  }
  HRESULT SetEntries(DWORD flags, DWORD start, DWORD count, PALETTEENTRY* in) override {
    HRESULT r = call("SetEntries", {flags, start, count});
    if (r != DD_OK) return r;
    if (!in || start > 256 || count > 256 - start) return DDERR_INVALIDPARAMS;
    std::memcpy(entries_ + start, in, count * sizeof *in);
    return DD_OK;
  }

 private:
  std::string name() const override { return "Palette"; }
  PALETTEENTRY entries_[256];
};

class FakeSurface final : public Counted<IDirectDrawSurface> {
 public:
  FakeSurface(DWORD width, DWORD height, DWORD bpp)
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
  ~FakeSurface() override {
    if (display().surfaceMemory == &memory_) display().surfaceMemory = nullptr;
    if (palette_) palette_->Release();
  }
  HRESULT Lock(RECT* rect, DDSURFACEDESC* desc, DWORD flags, HANDLE) override {
    display().lockRectWasNull = rect == nullptr;
    display().lockDescSize = desc ? desc->dwSize : 0;
    HRESULT r = call("Lock", {flags});
    if (r != DD_OK) return r;
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
  HRESULT Unlock(LPVOID address) override {
    display().unlockAddress = address;
    return call("Unlock");
  }
  HRESULT Restore() override {
    HRESULT r = call("Restore");
    return r == DD_OK && lost() ? DDERR_WRONGMODE : r;
  }
  HRESULT GetPixelFormat(DDPIXELFORMAT* pf) override {
    display().pixelFormatSizeIn = pf ? pf->dwSize : 0;
    display().pixelFormatFlagsIn = pf ? pf->dwFlags : 0;
    HRESULT r = call("GetPixelFormat");
    if (r != DD_OK) return r;
    if (!pf || pf->dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPARAMS;
    describe(*pf, bpp_);
    return DD_OK;
  }
  HRESULT SetPalette(IDirectDrawPalette* palette) override {
    HRESULT r = call("SetPalette");
    if (r != DD_OK) return r;
    // The surface holds its own reference, as DirectDraw does.
    if (palette) static_cast<FakePalette*>(palette)->addRef();
    if (palette_) palette_->Release();
    palette_ = palette;
    return DD_OK;
  }

 private:
  std::string name() const override { return "Surface"; }
  bool lost() const { return mode_ != display().modeChanges; }
  DWORD width_, height_, bpp_;
  int mode_;  // display().modeChanges when made
  LONG pitch_;
  compat::SurfaceMemory memory_;
  std::uint8_t* address_;
  IDirectDrawPalette* palette_ = nullptr;
};

class FakeDirectDraw final : public Counted<IDirectDraw> {
 public:
  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override {
    display().cooperativeWindow = window;
    HRESULT r = call("SetCooperativeLevel", {flags});
    // Exclusive mode needs a window, as on Windows.
    return r == DD_OK && !window && (flags & DDSCL_EXCLUSIVE) ? DDERR_INVALIDPARAMS : r;
  }
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bpp) override {
    HRESULT r = call("SetDisplayMode", {width, height, bpp});
    if (r != DD_OK) return r;
    const bool depthOk = bpp == 8 || bpp == 15 || bpp == 16 || bpp == 24 || bpp == 32;
    if (!depthOk || width < 320 || width > 2048 || height < 200 || height > 1536)
      return DDERR_INVALIDMODE;
    display().width = width;
    display().height = height;
    display().bpp = bpp;
    display().modeChanges++;
    return DD_OK;
  }
  HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** surface,
                        IUnknown* outer) override {
    display().surfaceDescSize = desc ? desc->dwSize : 0;
    display().surfaceFlags = desc ? desc->dwFlags : 0;
    display().surfaceCaps = desc ? desc->ddsCaps.dwCaps : 0;
    display().outerWasNull = outer == nullptr;
    HRESULT r = call("CreateSurface");
    if (r != DD_OK) return r;
    if (!desc || !surface || desc->dwSize != sizeof(DDSURFACEDESC) ||
        !(desc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE)) {
      return DDERR_INVALIDPARAMS;
    }
    *surface = new FakeSurface(display().width, display().height, display().bpp);
    return DD_OK;
  }
  HRESULT CreatePalette(DWORD flags, PALETTEENTRY* entries, IDirectDrawPalette** palette,
                        IUnknown* outer) override {
    display().outerWasNull = outer == nullptr;
    HRESULT r = call("CreatePalette", {flags});
    if (r != DD_OK) return r;
    if (!entries || !palette || !(flags & DDPCAPS_8BIT)) return DDERR_INVALIDPARAMS;
    display().initialPalette.assign(entries, entries + 256);
    *palette = new FakePalette(entries);
    return DD_OK;
  }
  HRESULT WaitForVerticalBlank(DWORD flags, HANDLE) override {
    return call("WaitForVerticalBlank", {flags});
  }

 private:
  std::string name() const override { return "DirectDraw"; }
};

}  // namespace

extern "C" HRESULT DirectDrawCreate(GUID* guid, IDirectDraw** directDraw, IUnknown* outer) {
  display().outerWasNull = outer == nullptr;
  HRESULT r = call("DirectDrawCreate", {guid == nullptr ? 0 : 1});
  if (r != DD_OK) return r;
  if (!directDraw) return DDERR_INVALIDPARAMS;
  *directDraw = new FakeDirectDraw;
  return DD_OK;
}
