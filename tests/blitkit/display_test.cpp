// blitkit's calls, arguments, order and messages over the in-memory display,
// with the scenarios that the Win32 test program runs too.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "blitkit_scenarios.h"
#include "ddraw_spy.h"
#include "win32_spy.h"

using Calls = std::vector<std::string>;

namespace {

HWND window() {
  return reinterpret_cast<HWND>(0x5150);
}

// The texts of the boxes shown since the last call, each one of blitkit's.
std::vector<std::string> boxes() {
  std::vector<std::string> texts;
  for (const auto& b : spy::messageBoxes()) {
    EXPECT_EQ(b.caption, "Error");
    EXPECT_EQ(b.type, 0u);
    EXPECT_EQ(b.owner, nullptr);
    texts.push_back(b.text);
  }
  spy::messageBoxes().clear();
  return texts;
}

const BlitkitApi api{BLITKIT_EXPORTS(EXPORT_ITSELF)};
const BlitkitHarness harness{
    [](const char* text) { EXPECT_EQ(boxes(), std::vector<std::string>{text}); },
    [] { EXPECT_EQ(boxes(), std::vector<std::string>{}); },
    [](HWND focus) { spy::setFocusWindow(focus); }};

}  // namespace

class Display : public ::testing::Test {
 protected:
  void SetUp() override {
    DDClose();
    spy::reset();
    spy::captureMessageBoxes(true);
    compat::resetDisplay();
    EXPECT_EQ(compat::display().liveObjects, 0);
  }
  void TearDown() override {
    DDClose();
    EXPECT_EQ(compat::display().liveObjects, 0) << "an object was not released";
  }
  static Calls take() {
    Calls calls = spy::ddraw().calls;
    spy::ddraw().calls.clear();
    return calls;
  }
  // DDInit, a mode and the primary surface.
  void open(int bpp = 16) {
    ASSERT_EQ(DDInit(window()), 0);
    ASSERT_EQ(DDSetGraphicsMode(640, 480, bpp), 0);
    ASSERT_EQ(DDCreatePrimarySurface(), 0);
    take();
  }
};

TEST_F(Display, SetUpCallsAndArguments) {
  checkInitNeedsAWindow(api, harness);
  take();

  EXPECT_EQ(DDInit(window()), 0);
  EXPECT_EQ(spy::ddraw().cooperativeWindow, window());
  EXPECT_EQ(DDSetGraphicsMode(640, 480, 15), 0);
  EXPECT_EQ(DDCreatePrimarySurface(), 0);
  EXPECT_EQ(spy::ddraw().surfaceDescSize, sizeof(DDSURFACEDESC));
  EXPECT_EQ(spy::ddraw().surfaceFlags, DDSD_CAPS);
  EXPECT_EQ(spy::ddraw().surfaceCaps, DDSCAPS_PRIMARYSURFACE);
  EXPECT_TRUE(spy::ddraw().outerWasNull);
  DDWaitRetrace();
  EXPECT_EQ(take(),
            (Calls{"DirectDrawCreate 0", "SetCooperativeLevel 17", "SetDisplayMode 640 480 15",
                   "CreateSurface", "WaitForVerticalBlank 1"}));
  EXPECT_TRUE(boxes().empty());
}

// The copies and the pixel format of every mode, at a pitch wider than a row.
TEST_F(Display, PixelSizeOfEachMode) {
  for (int bpp : {8, 15, 16, 24, 32}) {
    open(bpp);
    std::vector<std::uint8_t> picture(10 * 3 * 4);
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<std::uint8_t>(i + 1);
    checkCopiesLandAtThePitch(api, bpp, picture.data(), 10, 3);
    checkPixelFormat(api, bpp);
    EXPECT_EQ(spy::ddraw().pixelFormatSizeIn, sizeof(DDPIXELFORMAT));
    EXPECT_EQ(spy::ddraw().pixelFormatFlagsIn, DDPF_RGB);
    DDClose();
  }
}

struct FailureCase {
  const char* call;
  const char* message;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.call;
}

class DisplayFailure : public Display, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DisplayFailure, ShowsTheMessageAndReturnsOne) {
  const FailureCase& c = GetParam();
  spy::ddraw().script[c.call] = {DDERR_GENERIC};
  int result = DDInit(window());
  if (result == 0) result = DDSetGraphicsMode(640, 480, 8);
  if (result == 0) result = DDCreatePrimarySurface();
  if (result == 0) result = DDLockSurface();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(boxes(), std::vector<std::string>{c.message});
}

INSTANTIATE_TEST_SUITE_P(
    Blitkit, DisplayFailure,
    ::testing::Values(FailureCase{"DirectDrawCreate", "Couldn't init DirectDraw"},
                      FailureCase{"SetCooperativeLevel",
                                  "Couldn't set DirectDraw cooperative level"},
                      FailureCase{"SetDisplayMode", "Couldn't set display mode"},
                      FailureCase{"CreateSurface", "Couldn't create primary surface"},
                      FailureCase{"Lock", "Couldn't lock surface"}),
    [](const ::testing::TestParamInfo<FailureCase>& i) { return std::string(i.param.call); });

TEST_F(Display, FailedModeChangeKeepsThePixelSize) {
  open(16);
  spy::ddraw().script["SetDisplayMode"] = {DDERR_GENERIC};
  EXPECT_EQ(DDSetGraphicsMode(800, 600, 32), 1);
  boxes();
  ASSERT_EQ(DDLockSurface(), 0);
  std::vector<std::uint8_t> src(8, 0x11);
  DDCopyToSurface(0, 0, src.data(), 2, 1);
  EXPECT_EQ((*compat::display().surfaceMemory)[3], 0x11);
  EXPECT_EQ((*compat::display().surfaceMemory)[4], 0) << "still 2 bytes per pixel";
}

TEST_F(Display, LostSurfaceIsRestoredAndLockedAgain) {
  open();
  spy::ddraw().script["Lock"] = {DDERR_SURFACELOST, DDERR_SURFACELOST};
  EXPECT_EQ(DDLockSurface(), 0);
  EXPECT_EQ(take(), (Calls{"Lock 1", "Restore", "Lock 1", "Restore", "Lock 1"}));
  EXPECT_TRUE(spy::ddraw().lockRectWasNull);
  EXPECT_EQ(spy::ddraw().lockDescSize, sizeof(DDSURFACEDESC));
  EXPECT_TRUE(boxes().empty());
  EXPECT_NE(DDGetSurfacePointer(), nullptr);
  EXPECT_EQ(DDGetSurfacePointer(), compat::display().surfaceMemory->data());
  EXPECT_EQ(DDGetSurfacePitch(), compat::display().surfacePitch);
  EXPECT_GT(DDGetSurfacePitch(), 640 * 2);
  DDUnlockSurface();
  EXPECT_EQ(spy::ddraw().unlockAddress, compat::display().surfaceMemory->data());
  EXPECT_EQ(DDGetSurfacePointer(), compat::display().surfaceMemory->data())
      << "kept after the unlock";
}

// A lost surface is restored and locked again for about a second, with short
// waits once a first Restore has not helped; a count of attempts would let a
// fast machine give up on a surface lost for a moment. A mode change loses
// the surface for good: Restore cannot bring it back.
TEST_F(Display, LostSurfaceRetriesForASecond) {
  struct Case {
    int lost;  // Lock answers DDERR_SURFACELOST this often; -1: after a mode change
    int result;
    std::uint32_t minMs, maxMs;  // time spent
  };
  for (Case c : {Case{1, 0, 0, 0}, Case{80, 0, 700, 900}, Case{1000, 1, 1000, 1020},
                 Case{-1, 1, 1000, 1020}}) {
    open();
    spy::clock().virtualTime = true;
    spy::clock().now = 0xFFFFFF00u;  // the tick count wraps on the way
    if (c.lost >= 0) {
      spy::ddraw().script["Lock"] = std::deque<HRESULT>(c.lost, DDERR_SURFACELOST);
    } else {
      ASSERT_EQ(DDSetGraphicsMode(640, 480, 8), 0);
    }
    EXPECT_EQ(DDLockSurface(), c.result) << c.lost;
    const std::uint32_t spent = spy::clock().now - 0xFFFFFF00u;
    EXPECT_GE(spent, c.minMs) << c.lost;
    EXPECT_LE(spent, c.maxMs) << c.lost;
    EXPECT_EQ(boxes(), c.result ? std::vector<std::string>{"Couldn't lock surface"}
                                : std::vector<std::string>{})
        << c.lost;
    DDClose();
    spy::reset();
    spy::captureMessageBoxes(true);
    compat::resetDisplay();
  }
}

TEST_F(Display, CallsOutOfOrderDoNothing) {
  checkCallsOutOfOrderDoNothing(api, harness);
  EXPECT_TRUE(take().empty());

  // A surface but no lock: the copies write nothing.
  open();
  std::uint8_t src[16] = {};
  DDCopyToSurface(0, 0, src, 2, 2);
  for (std::uint8_t b : *compat::display().surfaceMemory) ASSERT_EQ(b, 0);
}

TEST_F(Display, CloseReleasesEverythingOnceAndInitCanStartOver) {
  open(8);
  PALETTEENTRY entries[256] = {};
  DDSetPalette(entries);
  DDSetPalette(entries);
  take();
  DDClose();
  Calls calls = take();
  EXPECT_EQ(calls,
            (Calls{"Surface.Release", "Palette.Release", "Palette.Release", "DirectDraw.Release"}));
  EXPECT_EQ(compat::display().liveObjects, 0);
  checkCloseTwiceAndStartOver(api, harness, window());
  EXPECT_EQ(take(), (Calls{"DirectDrawCreate 0", "SetCooperativeLevel 17", "CreateSurface",
                           "Lock 1", "Unlock", "Surface.Release", "DirectDraw.Release"}));

  // A second DDInit lets go of what the first held.
  open(8);
  EXPECT_EQ(DDInit(window()), 0);
  EXPECT_EQ(compat::display().liveObjects, 1);
  EXPECT_EQ(DDCreatePrimarySurface(), 0);
  // A second surface replaces the first, which is let go first.
  take();
  EXPECT_EQ(DDCreatePrimarySurface(), 0);
  EXPECT_EQ(take(), (Calls{"Surface.Release", "CreateSurface"}));
  EXPECT_EQ(compat::display().liveObjects, 2);
}

TEST_F(Display, PaletteRoundTrip) {
  open(8);
  checkPaletteRoundTrip(api);
  // Indexes outside the palette never reach DirectDraw.
  EXPECT_EQ(take(), (Calls{"CreatePalette 68", "SetPalette", "SetEntries 0 200 1",
                           "GetEntries 0 200 1", "GetEntries 0 255 1", "GetEntries 0 0 1",
                           "GetEntries 0 200 1", "GetEntries 0 255 1"}));

  // A failed creation keeps the palette in use.
  spy::ddraw().script["CreatePalette"] = {DDERR_GENERIC};
  PALETTEENTRY entries[256] = {}, got = {};
  DDSetPalette(entries);
  EXPECT_EQ(take(), (Calls{"CreatePalette 68"}));
  DDGetColor(200, &got);
  EXPECT_EQ(got.peRed, 0x12);
  EXPECT_TRUE(boxes().empty());
}

// The guard holds against the surface actually locked, whatever the host
// did with modes: every byte a copy writes lies in its row of the locked
// surface. Canary bytes around the surface show strays of both copies
// (ASan does not see the MMX copy's writes).
struct GuardCase {
  const char* name;
  bool bottomUp;  // rows going up: a negative pitch
  int bpp;        // the mode opened with
  std::function<void()> beforeLock, afterLock;
  std::int32_t x, y, width, height;
  bool writes;  // false: the copy must write nothing
};

void PrintTo(const GuardCase& c, std::ostream* os) {
  *os << c.name;
}

void newCycleInTheDesktopMode() {
  DDClose();
  compat::display().width = 1024;
  compat::display().height = 768;
  compat::display().bpp = 16;
  ASSERT_EQ(DDInit(window()), 0);
  ASSERT_EQ(DDCreatePrimarySurface(), 0);
}

class CopyGuard : public Display, public ::testing::WithParamInterface<GuardCase> {};

TEST_P(CopyGuard, WritesOnlyInsideTheLockedSurface) {
  const GuardCase& c = GetParam();
  compat::display().bottomUp = c.bottomUp;
  open(c.bpp);
  if (c.beforeLock) c.beforeLock();
  ASSERT_EQ(DDLockSurface(), 0);
  boxes();
  // The surface as made, in the mode opened with (the in-memory display's
  // pitch is 32 bytes wider than a row).
  compat::SurfaceMemory& memory = *compat::display().surfaceMemory;
  const auto* base = static_cast<std::uint8_t*>(DDGetSurfacePointer());
  const std::int64_t pitch = DDGetSurfacePitch();
  ASSERT_EQ(pitch < 0, c.bottomUp);
  const std::int64_t pitchBytes = pitch < 0 ? -pitch : pitch;
  const int bytes = (c.bpp + 1) / 8;
  const auto surfaceW = (pitchBytes - 32) / bytes;
  const auto surfaceH = static_cast<std::int64_t>(memory.bytes) / pitchBytes;
  if (c.afterLock) c.afterLock();

  std::vector<std::uint8_t> src(static_cast<std::size_t>(c.width) * c.height * 4);
  for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::uint8_t>(i % 251 + 1);
  const std::vector<std::uint8_t> before = memory.block;
  std::vector<std::uint8_t> want = before;
  const std::int64_t at = base - memory.block.data();
  for (std::int64_t row = 0; row < c.height && c.writes; ++row) {
    for (std::int64_t col = 0; col < c.width; ++col) {
      const std::int64_t dx = c.x + col, dy = c.y + row;
      if (dx < 0 || dx >= surfaceW || dy < 0 || dy >= surfaceH) continue;
      for (int k = 0; k < bytes; ++k)
        want[static_cast<std::size_t>(at + dy * pitch + dx * bytes + k)] =
            src[static_cast<std::size_t>((row * c.width + col) * bytes + k)];
    }
  }
  for (auto copy : {DDCopyToSurface, DDCopyToSurfaceMMX}) {
    memory.block = before;
    copy(c.x, c.y, src.data(), c.width, c.height);
    EXPECT_TRUE(memory.guardsIntact()) << (copy == DDCopyToSurface ? "4-byte" : "MMX");
    EXPECT_TRUE(memory.block == want) << (copy == DDCopyToSurface ? "4-byte" : "MMX");
  }
  DDUnlockSurface();
}

INSTANTIATE_TEST_SUITE_P(
    Blitkit, CopyGuard,
    ::testing::Values(
        GuardCase{"PastTheBottomRight", false, 16, nullptr, nullptr, 635, 478, 10, 3, true},
        GuardCase{"WholeWidthAtTheLastRow", false, 32, nullptr, nullptr, -3, 479, 1024, 1, true},
        GuardCase{"RowsGoingUp", true, 16, nullptr, nullptr, -3, -2, 20, 5, true},
        GuardCase{"RowsGoingUpPastTheBottomRight", true, 24, nullptr, nullptr, 630, 470, 20, 20,
                  true},
        // A new cycle keeps the desktop's 16-bit mode after a 32-bit or a
        // 16-bit one: the old mode's pixel size is gone with DDClose.
        GuardCase{"NewCycleWithoutAModeAfter32", false, 32, newCycleInTheDesktopMode, nullptr, 0,
                  767, 1024, 1, false},
        GuardCase{"NewCycleWithoutAModeAfter16", false, 16, newCycleInTheDesktopMode, nullptr, 0,
                  767, 1024, 1, false},
        // The mode changes while the surface is locked: 8-bit rows, 4-byte pixels.
        GuardCase{"ModeChangedWhileLocked", false, 8, nullptr,
                  [] { ASSERT_EQ(DDSetGraphicsMode(640, 480, 32), 0); }, 0, 0, 640, 2, false},
        // A larger mode of the same depth: still the locked surface's size.
        GuardCase{"LargerModeWhileLocked", false, 16, nullptr,
                  [] { ASSERT_EQ(DDSetGraphicsMode(800, 600, 16), 0); }, 630, 470, 20, 20, true}),
    [](const ::testing::TestParamInfo<GuardCase>& i) { return std::string(i.param.name); });

TEST_F(Display, FocusIsPlainEquality) {
  checkFocusIsPlainEquality(api, harness, window());
}
