// The tests' spy in front of the stand-in (libwin32spy). It defines some of
// the Win32 names the stand-in exports, and the test programs load it before
// the stand-in, so that the libraries and plug-ins are bound to it: it counts
// those calls, keeps their arguments, captures message boxes, plays a mixer
// and a clock of its own, injects the failures below, and hands everything
// else on to the stand-in. What the stand-in holds is in compat/stand_in.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compat/stand_in.h"

namespace spy {

struct CallCounts {
  int readFile = 0;
  int writeFile = 0;
  int moveFile = 0;
  int globalAlloc = 0;
  int globalUnlock = 0;
  int globalFree = 0;
  int virtualAlloc = 0;
  // GlobalLock, GlobalUnlock or GlobalFree refused: a handle that names no
  // live block (never allocated, or freed already), or an unlock of a block
  // that is not locked.
  int refusedGlobal = 0;
  int loadLibrary = 0;
  int freeLibrary = 0;
};

// The arguments of a CreateFileA call.
struct CreateFileArgs {
  std::string name;
  std::uint32_t access;
  std::uint32_t share;
  std::uint32_t creation;
  std::uint32_t flags;
};

// Arguments of the latest calls.
struct LastCalls {
  std::vector<CreateFileArgs> createFile;  // oldest first, at most the latest 16
  std::uint32_t globalAllocFlags = 0;
};

// A message box as the library showed it.
struct MessageBoxRecord {
  void* owner;
  std::string text;
  std::string caption;
  unsigned type;
};

// Time as GetTickCount and Sleep see it: the stand-in's clock, or with
// virtualTime a clock that only Sleep moves, at once and without waiting.
struct FakeClock {
  bool virtualTime = false;
  std::uint32_t now = 0;
};

struct Faults {
  // GlobalAlloc fails for the call with this number (1 = the next one); 0: never.
  int failAllocCall = 0;
  // GlobalAlloc fails for any request larger than this; 0: no limit.
  std::uint64_t allocLimit = 0;
  // WriteFile stores at most this many more bytes in all, then comes up short; -1: no limit.
  std::int64_t writeBudget = -1;
  // VirtualAlloc fails.
  bool failVirtualAlloc = false;
};

// Where the fake mixer fails: one of its calls, or mixerGetNumDevs reporting
// no device while the others still answer, or mixerGetControlDetailsA
// reporting success without writing the values, as Wine's does.
enum class MixerFault { None, LineInfo, LineControls, ControlDetails, NoDevice, ValuesUnwritten };

// A mixer with a wave-out volume control, in place of the stand-in's (which
// has none) while present.
struct FakeMixer {
  bool present = false;
  std::uint32_t left = 0;
  std::uint32_t right = 0;
  MixerFault fault = MixerFault::None;
  std::uint32_t lineId = 7;
  std::uint32_t controlId = 42;
  // What the last calls asked for.
  std::uint32_t askedComponentType = 0;
  std::uint32_t askedControlType = 0;
  std::uint32_t askedControlId = 0;
  std::uint32_t askedChannels = 0;
  std::uintptr_t askedMixer = ~std::uintptr_t{0};
};

// What reached the card: the bytes played, the calls that change its state
// ("Open 44100 2 16", "Pause", "Restart", "Reset", "SetVolume FFFF8000",
// "Close"), and the devices open now.
struct WaveOutRecord {
  std::vector<std::uint8_t> played;
  std::vector<std::string> calls;
  int openDevices = 0;
};

CallCounts& calls();
LastCalls& lastCalls();
FakeClock& clock();
Faults& faults();
// Message boxes shown since the last reset; with capture on they are
// recorded instead of reaching the stand-in.
std::vector<MessageBoxRecord>& messageBoxes();
void captureMessageBoxes(bool on);
FakeMixer& mixer();
// What GetFocus returns.
void setFocusWindow(void* window);
// A copy of what has reached the card so far.
WaveOutRecord waveOutRecord();
// The card's settings back to the program's start, and its record emptied.
void resetWaveOut();
// Clears the counters, arguments, clock, faults, boxes, mixer, focus, the
// card's record and the DirectDraw spy's, and resets the card's settings.
void reset();

// The stand-in's own definition of a name the spy takes over.
void* standIn(const char* name);
#define STAND_IN(fn) static const auto standIn = reinterpret_cast<decltype(&fn)>(spy::standIn(#fn))

}  // namespace spy
