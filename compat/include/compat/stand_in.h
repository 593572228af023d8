// What the stand-in holds and how its sound card is set up, for the programs
// that run over it. It keeps no record of the calls made and fails none on
// purpose: the tests' spy does that in front of it (tests/support/win32_spy.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace compat {

// Files open, global memory blocks allocated, libraries loaded through
// LoadLibraryA and not freed, windows not destroyed, window classes
// registered, wave-out devices open.
int openFileCount();
int liveBlockCount();
int loadedLibraryCount();
int liveWindowCount();
int windowClassCount();
int openWaveOutCount();

// The sound card: one wave-out device, present unless set otherwise, playing
// in real time times speed (0: it takes buffers and never plays). A program
// starts with the card COMPAT_WAVEOUT names: "absent" or "stalled"; with
// COMPAT_WAVEOUT_CAPTURE naming a file, every byte the card plays is appended
// to it.
struct WaveOutSettings {
  bool present = true;
  double speed = 1.0;
  int pauseDelayMs = 50;  // how long a paused device still plays
};
WaveOutSettings& waveOutSettings();
// The settings the program started with.
void resetWaveOut();
// Every byte the card plays, as it plays it, is handed to the listener on
// the card's own thread (nullptr: to none).
using WaveOutListener = void (*)(const std::uint8_t* bytes, std::size_t count);
void listenToWaveOut(WaveOutListener listener);

}  // namespace compat
