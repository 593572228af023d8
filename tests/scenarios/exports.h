// The DLLs' exports by name, as lists X(name), for structs of pointers typed
// by the public headers' PFN_<name>: struct { BLITKIT_EXPORTS(EXPORT_POINTER) }.
// Natively the pointers are the functions themselves
// ({INBRIDGE_EXPORTS(EXPORT_ITSELF)}); under Wine they are bound from the DLL
// by name (wine/wine_tests.h).
#pragma once

#define EXPORT_POINTER(name) PFN_##name name = nullptr;
#define EXPORT_ITSELF(name) name,

// clang-format off
#define IMGCODEC2_EXPORTS(X) X(ConfigBMP) X(SetTrueColorPalette) X(LoadBMP) X(SaveBMP) X(UnloadBMP)

#define INBRIDGE_EXPORTS(X)                                                                        \
  X(InitXPlug) X(DeinitXPlug) X(LoadX) X(SetXPlugParent) X(PlayX) X(PauseX) X(StopX) X(GetXLength) \
  X(GetXOutputTime) X(SetXOutputTime) X(SetXVolume) X(SetXPan) X(GetXPlugCfg) X(SetXPlugCfg)

#define BLITKIT_EXPORTS(X)                                                                         \
  X(DDInit) X(DDSetGraphicsMode) X(DDCreatePrimarySurface) X(DDPixelFormatInfo) X(DDLockSurface)  \
  X(DDUnlockSurface) X(DDGetSurfacePointer) X(DDGetSurfacePitch) X(DDWaitRetrace) X(DDGotFocus)   \
  X(DDClose) X(DDSetPalette) X(DDSetColor) X(DDGetColor) X(DDCopyToSurface) X(DDCopyToSurfaceMMX)
// clang-format on
