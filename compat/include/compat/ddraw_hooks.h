// Test hooks of the in-memory display: scripted results, the calls made in
// order, the arguments of the last calls, and the objects still alive.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "compat/ddraw.h"

namespace compat {

struct FakeDisplay {
  // Results to give, in turn, by call name ("Lock", "SetDisplayMode", ...);
  // a call whose queue is empty succeeds.
  std::map<std::string, std::deque<HRESULT>> script;
  // Every call, in order: its name and, where it has some, its numbers.
  std::vector<std::string> calls;
  int liveObjects = 0;

  // The display mode; the primary surface is made in the mode current when
  // it is created, with a pitch 32 bytes wider than a row.
  DWORD width = 1024, height = 768, bpp = 32;

  // Arguments of the last calls.
  HWND cooperativeWindow = nullptr;
  DWORD surfaceDescSize = 0, surfaceFlags = 0, surfaceCaps = 0;
  bool lockRectWasNull = false;
  DWORD lockDescSize = 0;
  void* unlockAddress = nullptr;
  DWORD pixelFormatSizeIn = 0, pixelFormatFlagsIn = 0;
  std::vector<PALETTEENTRY> initialPalette;
  bool outerWasNull = true;

  // The memory of the newest primary surface.
  std::vector<std::uint8_t>* surfaceMemory = nullptr;
  LONG surfacePitch = 0;
};

FakeDisplay& display();
void resetDisplay();

}  // namespace compat
