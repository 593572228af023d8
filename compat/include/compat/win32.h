// The Win32 names the libraries call. On Windows this is <windows.h>; on Linux
// it declares the small stand-in layer of libwin32compat with the same names.
#pragma once

#ifdef _WIN32
#include <windows.h>
// after windows.h, whose types it uses
#include <mmsystem.h>
#else
#include <cstdint>

using BOOL = int;
using BYTE = unsigned char;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using UINT = unsigned int;
using LPVOID = void*;
using LPCVOID = const void*;
using LPCSTR = const char*;
using LPDWORD = DWORD*;
using HANDLE = void*;
using HGLOBAL = void*;
using HWND = void*;
using HINSTANCE = void*;
using HMODULE = void*;
using HMIXEROBJ = void*;
using FARPROC = void (*)();
using DWORD_PTR = std::uintptr_t;
using MMRESULT = UINT;

#define WINAPI
#define TRUE 1
#define FALSE 0
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define INVALID_FILE_SIZE 0xFFFFFFFFu
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000u;
constexpr UINT GMEM_MOVEABLE = 0x2;
constexpr UINT GMEM_ZEROINIT = 0x40;

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr int IDOK = 1;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr DWORD MIXER_OBJECTF_MIXER = 0x0;
constexpr DWORD MIXER_GETLINEINFOF_COMPONENTTYPE = 0x3;
constexpr DWORD MIXER_GETLINECONTROLSF_ONEBYTYPE = 0x2;
constexpr DWORD MIXER_GETCONTROLDETAILSF_VALUE = 0x0;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT = 0x1008;
constexpr DWORD MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;

// The mixer records, with the fields the libraries use.
struct MIXERLINEA {
  DWORD cbStruct;
  DWORD dwDestination;
  DWORD dwSource;
  DWORD dwLineID;
  DWORD fdwLine;
  DWORD_PTR dwUser;
  DWORD dwComponentType;
  DWORD cChannels;
  DWORD cConnections;
  DWORD cControls;
};
struct MIXERCONTROLA {
  DWORD cbStruct;
  DWORD dwControlID;
  DWORD dwControlType;
  DWORD fdwControl;
  DWORD cMultipleItems;
};
struct MIXERLINECONTROLSA {
  DWORD cbStruct;
  DWORD dwLineID;
  union {
    DWORD dwControlID;
    DWORD dwControlType;
  };
  DWORD cControls;
  DWORD cbmxctrl;
  MIXERCONTROLA* pamxctrl;
};
struct MIXERCONTROLDETAILS {
  DWORD cbStruct;
  DWORD dwControlID;
  DWORD cChannels;
  union {
    HWND hwndOwner;
    DWORD cMultipleItems;
  };
  DWORD cbDetails;
  LPVOID paDetails;
};
struct MIXERCONTROLDETAILS_UNSIGNED {
  DWORD dwValue;
};

extern "C" {
HMODULE LoadLibraryA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int wsprintfA(char* out, LPCSTR format, ...);
HWND GetFocus();

UINT mixerGetNumDevs();
MMRESULT mixerGetLineInfoA(HMIXEROBJ mixer, MIXERLINEA* line, DWORD flags);
MMRESULT mixerGetLineControlsA(HMIXEROBJ mixer, MIXERLINECONTROLSA* controls, DWORD flags);
MMRESULT mixerGetControlDetailsA(HMIXEROBJ mixer, MIXERCONTROLDETAILS* details, DWORD flags);

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, void* security, DWORD creation,
                   DWORD flags, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD done, void* overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD done, void* overlapped);
DWORD GetFileSize(HANDLE file, LPDWORD high);
BOOL CloseHandle(HANDLE handle);
BOOL MoveFileExA(LPCSTR existing, LPCSTR target, DWORD flags);
BOOL DeleteFileA(LPCSTR name);
DWORD GetFileAttributesA(LPCSTR name);

DWORD GetTickCount();
void Sleep(DWORD ms);

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
LPVOID GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
HGLOBAL GlobalFree(HGLOBAL block);
}
#endif
