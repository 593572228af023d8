// blitkit the same way natively, over the in-memory display, and through the
// real blitkit.dll on Wine's DirectDraw, each on what the caller set up.
#pragma once

#include "blitkit.h"
#include "compat/ddraw.h"
#include "exports.h"

struct BlitkitApi {
  BLITKIT_EXPORTS(EXPORT_POINTER)
};

// What each harness sees its own way: natively through the spy, under Wine
// through the system.
struct BlitkitHarness {
  // Checks that the boxes shown since the last check were one of blitkit's:
  // caption "Error", this text, no owner, no icon, OK alone.
  void (*oneBox)(const char* text);
  // Checks that none was shown since the last check.
  void (*noBox)();
  // Gives window the keyboard focus; null: no window has it.
  void (*focusOn)(HWND window);
};

// Nothing started: the calls refuse or do nothing, and show no box.
void checkCallsOutOfOrderDoNothing(const BlitkitApi& api, const BlitkitHarness& harness);
// Exclusive full-screen access needs a window: DDInit(NULL) is refused.
void checkInitNeedsAWindow(const BlitkitApi& api, const BlitkitHarness& harness);

// With the primary surface of a bpp-bit mode, unlocked: its pixel format;
// the picture (width x height pixels of the mode) copied with both copies
// lands at DDGetSurfacePointer, rows DDGetSurfacePitch apart, and nothing
// else in those rows changes; the MMX copy leaves the x87 registers empty.
void checkPixelFormat(const BlitkitApi& api, int bpp);
void checkCopiesLandAtThePitch(const BlitkitApi& api, int bpp, const unsigned char* picture,
                               int width, int height);

// With the primary surface: a palette set, an entry set and read back, full
// 8-bit values at both ends, and indexes outside the palette doing nothing.
void checkPaletteRoundTrip(const BlitkitApi& api);

// DDGotFocus(w) is 1 exactly when GetFocus gives w.
void checkFocusIsPlainEquality(const BlitkitApi& api, const BlitkitHarness& harness, HWND window);

// DDClose twice is harmless, and a new cycle on window that keeps the
// desktop's mode has forgotten the old mode's pixel size: its copies write
// nothing. Ends closed.
void checkCloseTwiceAndStartOver(const BlitkitApi& api, const BlitkitHarness& harness, HWND window);
