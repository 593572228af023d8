// The tests' spy on the stand-in's DirectDraw (libwin32spy): DirectDrawCreate
// is taken over and every object it gives is wrapped, so that each call is
// logged, answers a scripted result first, and leaves its arguments; the
// objects underneath are the stand-in's (compat/display.h).
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "compat/display.h"

namespace spy {

struct DirectDrawSpy {
  // Results to give, in turn, by call name ("Lock", "SetDisplayMode", ...);
  // a call whose queue is empty goes on to the stand-in.
  std::map<std::string, std::deque<HRESULT>> script;
  // Every call, in order: its name and, where it has some, its numbers;
  // Release as "Surface.Release" and the like. The oldest half is dropped
  // whenever it reaches 4096 entries.
  std::vector<std::string> calls;

  // Arguments of the last calls.
  HWND cooperativeWindow = nullptr;
  DWORD surfaceDescSize = 0, surfaceFlags = 0, surfaceCaps = 0;
  bool lockRectWasNull = false;
  DWORD lockDescSize = 0;
  void* unlockAddress = nullptr;
  DWORD pixelFormatSizeIn = 0, pixelFormatFlagsIn = 0;
  bool outerWasNull = true;
};

DirectDrawSpy& ddraw();

}  // namespace spy
