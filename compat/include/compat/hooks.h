// Test hooks of the Linux stand-in layer: call counters and injected failures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace compat {

struct CallCounts {
  int createFile = 0;
  int readFile = 0;
  int writeFile = 0;
  int getFileSize = 0;
  int closeHandle = 0;
  int globalAlloc = 0;
  int globalLock = 0;
  int globalUnlock = 0;
  int globalFree = 0;
  int virtualAlloc = 0;
  // GlobalLock, GlobalUnlock or GlobalFree refused: a handle that names no
  // live block (never allocated, or freed already), or an unlock of a block
  // that is not locked.
  int refusedGlobal = 0;
  int moveFile = 0;
  int deleteFile = 0;
  int sleep = 0;
  int loadLibrary = 0;
  int freeLibrary = 0;
  int messageBox = 0;
  int mixerGetNumDevs = 0;
  int mixerGetLineInfo = 0;
  int mixerGetLineControls = 0;
  int mixerGetControlDetails = 0;
};

// A message box as the library showed it.
struct MessageBoxRecord {
  void* owner;
  std::string text;
  std::string caption;
  unsigned type;
};

// The system mixer as the stand-in shows it: by default there is none.
struct FakeMixer {
  bool present = false;
  std::uint32_t left = 0;
  std::uint32_t right = 0;
  // 1: mixerGetLineInfoA fails, 2: mixerGetLineControlsA, 3: mixerGetControlDetailsA;
  // 4: mixerGetNumDevs reports no device while the other calls still answer.
  int failingCall = 0;
  // mixerGetControlDetailsA reports success without writing the values, as
  // Wine's does.
  bool leavesValuesUnwritten = false;
  std::uint32_t lineId = 7;
  std::uint32_t controlId = 42;
  // What the last calls asked for.
  std::uint32_t askedComponentType = 0;
  std::uint32_t askedControlType = 0;
  std::uint32_t askedControlId = 0;
  std::uint32_t askedChannels = 0;
  std::uintptr_t askedMixer = ~std::uintptr_t{0};
};

// The sound card: one wave-out device, present unless a test removes it,
// playing in real time times speed (0: it takes buffers and never plays).
// A program starts with the card COMPAT_WAVEOUT names: "absent" or "stalled".
struct WaveOutSettings {
  bool present = true;
  double speed = 1.0;
  int pauseDelayMs = 50;  // how long a paused device still plays
};

// What reached the card: the bytes played, and the calls that change its
// state ("Open 44100 2 16", "Pause", "Restart", "Reset", "SetVolume FFFF8000",
// "Close").
struct WaveOutRecord {
  std::vector<std::uint8_t> played;
  std::vector<std::string> calls;
  int openDevices = 0;
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

// Time as GetTickCount and Sleep see it: the monotonic clock, or with
// virtualTime a clock that only Sleep moves, at once and without waiting.
struct FakeClock {
  bool virtualTime = false;
  std::uint32_t now = 0;
  std::uint64_t slept = 0;  // milliseconds passed to Sleep
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

CallCounts& calls();
LastCalls& lastCalls();
FakeClock& clock();
Faults& faults();
// Files and memory blocks currently open / allocated.
int openFileCount();
// Message boxes shown since the last reset; with capture on (the default in
// tests) they are recorded instead of written to standard error.
std::vector<MessageBoxRecord>& messageBoxes();
void captureMessageBoxes(bool on);
FakeMixer& mixer();
// What GetFocus returns.
void setFocusWindow(void* window);
// Libraries loaded through LoadLibraryA and not freed yet.
int loadedLibraryCount();
int liveBlockCount();
// Windows not destroyed yet, and window classes registered.
int liveWindowCount();
int windowClassCount();
WaveOutSettings& waveOutSettings();
// A copy of what the card has played so far.
WaveOutRecord waveOutRecord();
// Settings back to the defaults and the record emptied.
void resetWaveOut();
// Clears the counters, recorded arguments, clock, faults, boxes, mixer, focus
// and the card's settings and record (not open files, blocks, libraries,
// windows or wave devices).
void resetHooks();

}  // namespace compat
