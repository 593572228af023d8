/* inbridge: plays audio files through Winamp 2 plug-ins, one input plug-in
 * named by the host and the output plug-in "out_wave.dll".
 *
 * All exports are __stdcall on Win32, take and return 32-bit values, and share
 * one module state; calls must not overlap. Order: SetXPlugParent (optional),
 * InitXPlug, then the playback calls, and DeinitXPlug(1) before unloading. */
#ifndef INBRIDGE_H
#define INBRIDGE_H

#include "dropin_common.h"

#if defined(_WIN32)
#define INBRIDGE_API __stdcall
#else
#define INBRIDGE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Loads "out_wave.dll" (if not loaded yet, by that plain name: beside the
 * program or in a folder named with SetDllDirectoryA) and the input plug-in at
 * path (fewer than 300 characters; NULL is an empty path, which fails); 1 when
 * an input plug-in is loaded on return. A plug-in with IN_INIT_RET whose Init
 * fails counts as not found. A failure message shows at most 266 characters
 * of the path.
 * Failures show a warning box: "A required .DLL file, OUT_WAVE.DLL, was not
 * found." (caption "Error Starting Program") or "A requried file, <path>, was
 * not found." (caption "Error Loading Plugin"). A library without the entry
 * or whose entry gives no record counts as not found. While an input plug-in
 * is loaded, returns 1 at once and changes nothing.
 * The visualisation, DSP and information callbacks handed to the input
 * plug-in do nothing, and those with a result return 0, except dsp_dosamples:
 * it returns the sample count it was given, samples untouched, since plug-ins
 * call it without asking dsp_isactive and write as many samples as it returns
 * (0 would silence them). */
int32_t INBRIDGE_API InitXPlug(const char* path);
/* Stops a play, unloads the input plug-in, and the output plug-in as well when
 * unloadOutput is non-zero. */
void INBRIDGE_API DeinitXPlug(int32_t unloadOutput);
int32_t INBRIDGE_API LoadX(void); /* always 1 */
/* The host's window; returns it. The output plug-in gets it as hMainWindow.
 * The input plug-in gets a hidden window of inbridge's own instead (plug-ins
 * subclass their main window and ask it questions meant for the player):
 * that window answers every WM_USER query with 0 and posts WM_USER + 2, the
 * plug-in's end of a track, on to this window. Call InitXPlug and DeinitXPlug
 * on the thread of the host's message loop. */
void* INBRIDGE_API SetXPlugParent(void* window);

/* 1 when the play started (and when nothing is loaded), 0 when the plug-in's
 * Play failed. A play in progress is stopped first. A plug-in with IN_UNICODE
 * gets the path converted from the ANSI code page to UTF-16; one that does
 * not fit 300 units gives 0 and calls nothing. */
int32_t INBRIDGE_API PlayX(const char* file);
/* Pauses or resumes; returns the new paused flag. With no input plug-in
 * loaded: calls nothing, returns 0 and keeps the flag. */
int32_t INBRIDGE_API PauseX(void);
void INBRIDGE_API StopX(void);
/* The plug-in's answers unchanged, in milliseconds; 0 with no input plug-in. */
int32_t INBRIDGE_API GetXLength(void);
int32_t INBRIDGE_API GetXOutputTime(void);
/* Passed to the plug-in unchanged; nothing happens with no input plug-in. */
void INBRIDGE_API SetXOutputTime(int32_t ms);
void INBRIDGE_API SetXVolume(int32_t volume); /* 0 to 255 */
void INBRIDGE_API SetXPan(int32_t pan);       /* -127 to 127 */
/* The input plug-in's GetConfig / SetConfig exports, result unchanged; 0 when
 * no input plug-in is loaded or it lacks the export. */
int32_t INBRIDGE_API GetXPlugCfg(int32_t value);
int32_t INBRIDGE_API SetXPlugCfg(int32_t value);

/* The exports as function pointer types, for hosts that bind them with
 * GetProcAddress(library, "InitXPlug") and the like. */
typedef int32_t(INBRIDGE_API* PFN_InitXPlug)(const char* path);
typedef void(INBRIDGE_API* PFN_DeinitXPlug)(int32_t unloadOutput);
typedef int32_t(INBRIDGE_API* PFN_LoadX)(void);
typedef void*(INBRIDGE_API* PFN_SetXPlugParent)(void* window);
typedef int32_t(INBRIDGE_API* PFN_PlayX)(const char* file);
typedef int32_t(INBRIDGE_API* PFN_PauseX)(void);
typedef void(INBRIDGE_API* PFN_StopX)(void);
typedef int32_t(INBRIDGE_API* PFN_GetXLength)(void);
typedef int32_t(INBRIDGE_API* PFN_GetXOutputTime)(void);
typedef void(INBRIDGE_API* PFN_SetXOutputTime)(int32_t ms);
typedef void(INBRIDGE_API* PFN_SetXVolume)(int32_t volume);
typedef void(INBRIDGE_API* PFN_SetXPan)(int32_t pan);
typedef int32_t(INBRIDGE_API* PFN_GetXPlugCfg)(int32_t value);
typedef int32_t(INBRIDGE_API* PFN_SetXPlugCfg)(int32_t value);

#ifdef __cplusplus
}
#endif

#endif /* INBRIDGE_H */
