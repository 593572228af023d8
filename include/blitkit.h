/* blitkit: one exclusive full-screen DirectDraw display: mode, primary
 * surface, 256-colour palette, locking, and rectangle copies.
 *
 * All exports are __stdcall on Win32 and share one module state; calls must
 * not overlap. Order: DDInit, DDSetGraphicsMode, DDCreatePrimarySurface,
 * DDSetPalette; per frame DDWaitRetrace (optional), DDLockSurface, the copies
 * or DDGetSurfacePointer/DDGetSurfacePitch, DDUnlockSurface; DDClose.
 *
 * Failures show a box with caption "Error" and return 1: "Couldn't init
 * DirectDraw", "Couldn't set DirectDraw cooperative level", "Couldn't set
 * display mode", "Couldn't create primary surface", "Couldn't lock surface".
 * Calls out of order (before DDInit, a lock with no surface) do nothing and
 * return 1 where they return a status, without a box. */
#ifndef BLITKIT_H
#define BLITKIT_H

#include "dropin_common.h"

#if defined(_WIN32)
#define BLITKIT_API __stdcall
#else
#define BLITKIT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* 0 success, 1 failure; exclusive mode needs the window (NULL fails). */
int32_t BLITKIT_API DDInit(void* window);
int32_t BLITKIT_API DDSetGraphicsMode(int32_t width, int32_t height, int32_t bitsPerPixel);
int32_t BLITKIT_API DDCreatePrimarySurface(void);
void* BLITKIT_API DDPixelFormatInfo(void); /* a DDPIXELFORMAT owned by the library */
/* A lost surface is restored and the lock retried for about a second. */
int32_t BLITKIT_API DDLockSurface(void);
void BLITKIT_API DDUnlockSurface(void);
void* BLITKIT_API DDGetSurfacePointer(void);
int32_t BLITKIT_API DDGetSurfacePitch(void); /* negative where rows go up */
void BLITKIT_API DDWaitRetrace(void);
int32_t BLITKIT_API DDGotFocus(void* window); /* 1 if window has the keyboard focus */
/* Releases the surface, the palette and DirectDraw, and forgets the mode's
 * pixel size; safe to call again. */
void BLITKIT_API DDClose(void);

/* entries: 256 PALETTEENTRY (red, green, blue, flags), full 8-bit values. */
void BLITKIT_API DDSetPalette(void* entries);
/* index 0 to 255; any other index does nothing. */
void BLITKIT_API DDSetColor(int32_t index, void* entry);
void BLITKIT_API DDGetColor(int32_t index, void* entry);
/* Packed rows of width * bytes-per-pixel bytes (of the mode set in this
 * DDInit cycle) to (x, y) of the locked surface, with 4-byte word moves or
 * 8-byte MMX moves. Guarded by the surface as locked: clipped to its rows,
 * and nothing written when the mode's pixel size is not the surface's. */
void BLITKIT_API DDCopyToSurface(int32_t x, int32_t y, const void* source, int32_t width,
                                 int32_t height);
void BLITKIT_API DDCopyToSurfaceMMX(int32_t x, int32_t y, const void* source, int32_t width,
                                    int32_t height);
/* The low byte of colour at buffer + y * width + x, unchecked (height is
 * not used); _safe drops pixels outside 0 <= x < width, 0 <= y < height. */
void BLITKIT_API PutPixel8(void* buffer, int32_t width, int32_t height, int32_t x, int32_t y,
                           int32_t colour);
void BLITKIT_API PutPixel8_safe(void* buffer, int32_t width, int32_t height, int32_t x, int32_t y,
                                int32_t colour);

/* The exports as function pointer types, for hosts that bind them with
 * GetProcAddress(library, "DDInit") and the like. */
typedef int32_t(BLITKIT_API* PFN_DDInit)(void* window);
typedef int32_t(BLITKIT_API* PFN_DDSetGraphicsMode)(int32_t width, int32_t height,
                                                    int32_t bitsPerPixel);
typedef int32_t(BLITKIT_API* PFN_DDCreatePrimarySurface)(void);
typedef void*(BLITKIT_API* PFN_DDPixelFormatInfo)(void);
typedef int32_t(BLITKIT_API* PFN_DDLockSurface)(void);
typedef void(BLITKIT_API* PFN_DDUnlockSurface)(void);
typedef void*(BLITKIT_API* PFN_DDGetSurfacePointer)(void);
typedef int32_t(BLITKIT_API* PFN_DDGetSurfacePitch)(void);
typedef void(BLITKIT_API* PFN_DDWaitRetrace)(void);
typedef int32_t(BLITKIT_API* PFN_DDGotFocus)(void* window);
typedef void(BLITKIT_API* PFN_DDClose)(void);
typedef void(BLITKIT_API* PFN_DDSetPalette)(void* entries);
typedef void(BLITKIT_API* PFN_DDSetColor)(int32_t index, void* entry);
typedef void(BLITKIT_API* PFN_DDGetColor)(int32_t index, void* entry);
typedef void(BLITKIT_API* PFN_DDCopyToSurface)(int32_t x, int32_t y, const void* source,
                                               int32_t width, int32_t height);
typedef void(BLITKIT_API* PFN_DDCopyToSurfaceMMX)(int32_t x, int32_t y, const void* source,
                                                  int32_t width, int32_t height);
typedef void(BLITKIT_API* PFN_PutPixel8)(void* buffer, int32_t width, int32_t height, int32_t x,
                                         int32_t y, int32_t colour);
typedef void(BLITKIT_API* PFN_PutPixel8_safe)(void* buffer, int32_t width, int32_t height,
                                              int32_t x, int32_t y, int32_t colour);

#ifdef __cplusplus
}
#endif

#endif /* BLITKIT_H */
