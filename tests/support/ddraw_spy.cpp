// Each wrapper logs a call, gives its scripted result if one is queued, and
// otherwise hands the call on to the stand-in's object. Every reference goes
// through the wrappers (a surface holds its palette's wrapper), so a wrapper
// goes with the last reference to its object, and every Release is logged.
#include "ddraw_spy.h"

#include "win32_spy.h"

namespace spy {

DirectDrawSpy& ddraw() {
  static DirectDrawSpy d;
  return d;
}

}  // namespace spy

namespace {

using spy::ddraw;

// The next scripted result of a call, logged under its name and numbers.
HRESULT call(const std::string& name, std::initializer_list<long long> numbers = {}) {
  std::string entry = name;
  for (long long n : numbers) entry += " " + std::to_string(n);
  auto& calls = ddraw().calls;
  if (calls.size() >= 4096) calls.erase(calls.begin(), calls.begin() + 2048);
  calls.push_back(entry);
  auto& queue = ddraw().script[name];
  if (queue.empty()) return DD_OK;
  HRESULT result = queue.front();
  queue.pop_front();
  return result;
}

template <class Interface>
class Spied : public Interface {
 public:
  Spied(Interface* real, const char* name) : real_(real), name_(name) {}
  virtual ~Spied() = default;
  ULONG AddRef() override { return real_->AddRef(); }
  ULONG Release() override {
    ddraw().calls.push_back(std::string(name_) + ".Release");
    const ULONG left = real_->Release();
    if (left == 0) delete this;
    return left;
  }

 protected:
  Interface* real_;

 private:
  const char* name_;
};

class SpiedPalette final : public Spied<IDirectDrawPalette> {
 public:
  using Spied::Spied;
  HRESULT GetEntries(DWORD flags, DWORD base, DWORD count, PALETTEENTRY* out) override {
    const HRESULT r = call("GetEntries", {flags, base, count});
    return r != DD_OK ? r : real_->GetEntries(flags, base, count, out);
  }
  HRESULT SetEntries(DWORD flags, DWORD start, DWORD count, PALETTEENTRY* in) override {
    const HRESULT r = call("SetEntries", {flags, start, count});
    return r != DD_OK ? r : real_->SetEntries(flags, start, count, in);
  }
};

class SpiedSurface final : public Spied<IDirectDrawSurface> {
 public:
  using Spied::Spied;
  HRESULT Lock(RECT* rect, DDSURFACEDESC* desc, DWORD flags, HANDLE event) override {
    ddraw().lockRectWasNull = rect == nullptr;
    ddraw().lockDescSize = desc ? desc->dwSize : 0;
    const HRESULT r = call("Lock", {flags});
    return r != DD_OK ? r : real_->Lock(rect, desc, flags, event);
  }
  HRESULT Unlock(LPVOID address) override {
    ddraw().unlockAddress = address;
    const HRESULT r = call("Unlock");
    return r != DD_OK ? r : real_->Unlock(address);
  }
  HRESULT Restore() override {
    const HRESULT r = call("Restore");
    return r != DD_OK ? r : real_->Restore();
  }
  HRESULT GetPixelFormat(DDPIXELFORMAT* pf) override {
    ddraw().pixelFormatSizeIn = pf ? pf->dwSize : 0;
    ddraw().pixelFormatFlagsIn = pf ? pf->dwFlags : 0;
    const HRESULT r = call("GetPixelFormat");
    return r != DD_OK ? r : real_->GetPixelFormat(pf);
  }
  HRESULT SetPalette(IDirectDrawPalette* palette) override {
    const HRESULT r = call("SetPalette");
    return r != DD_OK ? r : real_->SetPalette(palette);
  }
};

class SpiedDirectDraw final : public Spied<IDirectDraw> {
 public:
  using Spied::Spied;
  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override {
    ddraw().cooperativeWindow = window;
    const HRESULT r = call("SetCooperativeLevel", {flags});
    return r != DD_OK ? r : real_->SetCooperativeLevel(window, flags);
  }
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bpp) override {
    const HRESULT r = call("SetDisplayMode", {width, height, bpp});
    return r != DD_OK ? r : real_->SetDisplayMode(width, height, bpp);
  }
  HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** surface,
                        IUnknown* outer) override {
    ddraw().surfaceDescSize = desc ? desc->dwSize : 0;
    ddraw().surfaceFlags = desc ? desc->dwFlags : 0;
    ddraw().surfaceCaps = desc ? desc->ddsCaps.dwCaps : 0;
    ddraw().outerWasNull = outer == nullptr;
    HRESULT r = call("CreateSurface");
    if (r == DD_OK) r = real_->CreateSurface(desc, surface, outer);
    if (r == DD_OK) *surface = new SpiedSurface(*surface, "Surface");
    return r;
  }
  HRESULT CreatePalette(DWORD flags, PALETTEENTRY* entries, IDirectDrawPalette** palette,
                        IUnknown* outer) override {
    ddraw().outerWasNull = outer == nullptr;
    HRESULT r = call("CreatePalette", {flags});
    if (r == DD_OK) r = real_->CreatePalette(flags, entries, palette, outer);
    if (r != DD_OK) return r;
    *palette = new SpiedPalette(*palette, "Palette");
    return r;
  }
  HRESULT WaitForVerticalBlank(DWORD flags, HANDLE event) override {
    const HRESULT r = call("WaitForVerticalBlank", {flags});
    return r != DD_OK ? r : real_->WaitForVerticalBlank(flags, event);
  }
};

}  // namespace

extern "C" HRESULT DirectDrawCreate(GUID* guid, IDirectDraw** directDraw, IUnknown* outer) {
  STAND_IN(DirectDrawCreate);
  ddraw().outerWasNull = outer == nullptr;
  HRESULT r = call("DirectDrawCreate", {guid == nullptr ? 0 : 1});
  if (r == DD_OK) r = standIn(guid, directDraw, outer);
  if (r == DD_OK) *directDraw = new SpiedDirectDraw(*directDraw, "DirectDraw");
  return r;
}
