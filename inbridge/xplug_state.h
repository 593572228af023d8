// The module state of inbridge: one plug-in pair per process.
#pragma once

#include <cstdint>

#include "compat/win32.h"
#include "winamp/plugin.h"

namespace inbridge {

constexpr std::size_t kTextBytes = 300;

// Win32 handles are named with an h and the plug-in's entry addresses with
// pfn (those the library looks up itself); the rest plainly.
struct XPlugState {
  HMODULE hOutDll;
  Out_Module* outModule;
  std::int32_t outLoaded;  // loaded and its Init called
  HMODULE hInDll;
  In_Module* inModule;
  std::int32_t inLoaded;  // loaded, bound and its Init called
  std::int32_t playing;   // a PlayX that started and was not stopped since
  std::int32_t paused;    // changed by PauseX only
  HWND hParent;           // where the input plug-in's end of track is passed on
  HWND hPluginWindow;     // the input plug-in's main window, inbridge's own
  char pluginPath[kTextBytes];
  char messageText[kTextBytes];
  PluginConfigFn pfnSetConfig;
  PluginConfigFn pfnGetConfig;
  WCHAR widePath[kTextBytes];  // PlayX's path for plug-ins that take UTF-16
};

XPlugState& state();

// The wave-out volume of mixer 0, first channel; false when it cannot be read.
bool readWaveOutVolume(std::uint32_t& value);

inline bool hasVersionFlag(const In_Module& in, unsigned flag) {
  return (static_cast<unsigned>(in.version) & flag) == flag;
}

// Calls a plug-in function unless the plug-in left it null.
template <class Fn, class... Args>
auto callPlugin(Fn fn, Args... args) -> decltype(fn(args...)) {
  using Result = decltype(fn(args...));
  if (!fn) return Result();
  return fn(args...);
}

// Stops a play started by PlayX, if one is going on.
inline void stopPlaying(XPlugState& s) {
  if (!s.playing) return;
  callPlugin(s.inModule->Stop);
  s.playing = 0;
}

}  // namespace inbridge
