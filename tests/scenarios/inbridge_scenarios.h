// inbridge with our own plug-ins, the same natively and through the real
// inbridge.dll under Wine: in_wav played into the recording output
// (tests/plugins/out_record.cpp, the "out_wave.dll" on the library path), and
// the quirk plug-ins (tests/plugins/in_quirk.cpp) beside a host that answers
// as a dialog. Each starts and ends with nothing loaded and no host window
// named.
#pragma once

#include <functional>
#include <string>

#include "compat/win32.h"
#include "exports.h"
#include "inbridge.h"

struct InbridgeApi {
  INBRIDGE_EXPORTS(EXPORT_POINTER)
};

// What each harness sees its own way: natively through the spy and the
// stand-in, under Wine through the system.
struct InbridgeHarness {
  // The library loaded from path (or by that plain name) while it is loaded;
  // null once it is not.
  HMODULE (*loaded)(const std::string& path);
  // Checks that the boxes shown since the last check were one: this caption
  // and text, no owner, the warning icon, OK alone.
  void (*oneBox)(const char* caption, const std::string& text);
  // Checks that none was shown since the last check.
  void (*noBox)();
  // The windows alive that the calling thread made.
  int (*windows)();
};

// Handles the calling thread's messages until condition holds (true) or ms
// have passed (false).
bool pumpUntil(const std::function<bool()>& condition, DWORD ms);

// Once the play is past ms, a pause holds the position until it goes on.
void checkPauseHoldsThePosition(const InbridgeApi& api, int ms);

// A window of the host's, for SetXPlugParent: it counts the ends of tracks
// that reach it in endsHeard().
HWND makeHostWindow();
int& endsHeard();

// The in_wav build at plugin plays a WAV file that it writes as dir + name
// (dir ends in a path separator) into the recording output: what inbridge
// wrote into both records, the configuration, a pause that holds the
// position, volume and pan, every sample once and the end of the track
// passed on to the host, seeks back to the start and to a position that
// play the rest again, the stop, a missing file, and every call the output
// saw.
void runRecordedPlay(const InbridgeApi& api, const InbridgeHarness& harness,
                     const std::string& plugin, const std::string& dir, const std::string& name);

// Each quirk plug-in in quirkDir (which ends in a path separator) twice in a
// row, with dialog as the host's window: its window is its own and answers
// its queries with 0, its DSP hands the samples back, its timer and hook run
// in the host's loop until the unload; then its window, timer, hook and
// library are gone, and the dialog and its loop go on as before.
void runQuirkPlugins(const InbridgeApi& api, const InbridgeHarness& harness, HWND dialog,
                     const std::string& quirkDir);
