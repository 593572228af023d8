/* The Winamp 2 plug-in records in their published layout: In_Module (input
 * plug-ins, from winampGetInModule2) and Out_Module (output plug-ins, from
 * winampGetOutModule). Every function pointer uses the C convention. */
#ifndef WINAMP_PLUGIN_H
#define WINAMP_PLUGIN_H

#include <stddef.h>

#ifdef _WIN32
#include <windows.h>
#define WINAMP_CDECL __cdecl
#else
#define WINAMP_CDECL
typedef void* HWND;
typedef void* HINSTANCE;
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct Out_Module {
  int version; /* 0x10 */
  char* description;
  int id;
  HWND hMainWindow;
  HINSTANCE hDllInstance;
  void(WINAMP_CDECL* Config)(HWND parent);
  void(WINAMP_CDECL* About)(HWND parent);
  void(WINAMP_CDECL* Init)(void);
  void(WINAMP_CDECL* Quit)(void);
  int(WINAMP_CDECL* Open)(int rate, int channels, int bits, int buffer_ms, int prebuffer_ms);
  void(WINAMP_CDECL* Close)(void);
  int(WINAMP_CDECL* Write)(char* buf, int len);
  int(WINAMP_CDECL* CanWrite)(void);
  int(WINAMP_CDECL* IsPlaying)(void);
  int(WINAMP_CDECL* Pause)(int pause);
  void(WINAMP_CDECL* SetVolume)(int volume);
  void(WINAMP_CDECL* SetPan)(int pan);
  void(WINAMP_CDECL* Flush)(int ms);
  int(WINAMP_CDECL* GetOutputTime)(void);
  int(WINAMP_CDECL* GetWrittenTime)(void);
} Out_Module;

typedef struct In_Module {
  int version; /* 0x100 */
  char* description;
  HWND hMainWindow;
  HINSTANCE hDllInstance;
  char* FileExtensions;
  int is_seekable;
  int UsesOutputPlug;
  void(WINAMP_CDECL* Config)(HWND parent);
  void(WINAMP_CDECL* About)(HWND parent);
  void(WINAMP_CDECL* Init)(void);
  void(WINAMP_CDECL* Quit)(void);
  void(WINAMP_CDECL* GetFileInfo)(char* file, char* title, int* length_ms);
  int(WINAMP_CDECL* InfoBox)(char* file, HWND parent);
  int(WINAMP_CDECL* IsOurFile)(char* file);
  int(WINAMP_CDECL* Play)(char* file);
  void(WINAMP_CDECL* Pause)(void);
  void(WINAMP_CDECL* UnPause)(void);
  int(WINAMP_CDECL* IsPaused)(void);
  void(WINAMP_CDECL* Stop)(void);
  int(WINAMP_CDECL* GetLength)(void);
  int(WINAMP_CDECL* GetOutputTime)(void);
  void(WINAMP_CDECL* SetOutputTime)(int ms);
  void(WINAMP_CDECL* SetVolume)(int volume);
  void(WINAMP_CDECL* SetPan)(int pan);
  void(WINAMP_CDECL* SAVSAInit)(int max_latency_ms, int sample_rate);
  void(WINAMP_CDECL* SAVSADeInit)(void);
  void(WINAMP_CDECL* SAAddPCMData)(void* pcm, int channels, int bits, int timestamp);
  int(WINAMP_CDECL* SAGetMode)(void);
  void(WINAMP_CDECL* SAAdd)(void* data, int timestamp, int mode);
  void(WINAMP_CDECL* VSAAddPCMData)(void* pcm, int channels, int bits, int timestamp);
  int(WINAMP_CDECL* VSAGetMode)(int* spec_channels, int* wave_channels);
  void(WINAMP_CDECL* VSAAdd)(void* data, int timestamp);
  void(WINAMP_CDECL* VSASetInfo)(int a, int b);
  int(WINAMP_CDECL* dsp_isactive)(void);
  int(WINAMP_CDECL* dsp_dosamples)(short* samples, int count, int bits, int channels, int rate);
  void(WINAMP_CDECL* EQSet)(int on, char data[10], int preamp);
  void(WINAMP_CDECL* SetInfo)(int bitrate, int sample_rate, int stereo, int synched);
  Out_Module* outMod;
} In_Module;

/* Flags OR-ed into In_Module's version by newer plug-ins. IN_UNICODE: Play,
 * IsOurFile, GetFileInfo and InfoBox take UTF-16 paths. IN_INIT_RET: Init
 * returns int (0 success), and the record has a further word after outMod. */
#define IN_UNICODE 0x0F000000u
#define IN_INIT_RET 0xF0000000u
typedef int(WINAMP_CDECL* InitWithResultFn)(void);

/* Posted by an input plug-in to hMainWindow once its track has played out. */
#define WM_WA_MPEG_EOF (0x0400 + 2)

typedef In_Module*(WINAMP_CDECL* GetInModuleFn)(void);
typedef Out_Module*(WINAMP_CDECL* GetOutModuleFn)(void);
typedef int(WINAMP_CDECL* PluginConfigFn)(int value);

/* The published 32-bit layout. */
#define WINAMP_CHECK(name, cond) typedef char winamp_check_##name[(cond) ? 1 : -1]
#if defined(_WIN32) && !defined(_WIN64)
WINAMP_CHECK(in_size, sizeof(In_Module) == 152);
WINAMP_CHECK(in_hwnd, offsetof(In_Module, hMainWindow) == 8);
WINAMP_CHECK(in_init, offsetof(In_Module, Init) == 36);
WINAMP_CHECK(in_play, offsetof(In_Module, Play) == 56);
WINAMP_CHECK(in_savsainit, offsetof(In_Module, SAVSAInit) == 96);
WINAMP_CHECK(in_setinfo, offsetof(In_Module, SetInfo) == 144);
WINAMP_CHECK(in_outmod, offsetof(In_Module, outMod) == 148);
WINAMP_CHECK(out_size, sizeof(Out_Module) == 80);
WINAMP_CHECK(out_hwnd, offsetof(Out_Module, hMainWindow) == 12);
WINAMP_CHECK(out_init, offsetof(Out_Module, Init) == 28);
WINAMP_CHECK(out_written, offsetof(Out_Module, GetWrittenTime) == 76);
#endif
#undef WINAMP_CHECK

#ifdef __cplusplus
}
#endif

#endif /* WINAMP_PLUGIN_H */
