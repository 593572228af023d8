/* A small host of all three libraries: it takes the screen with blitkit,
 * shows a BMP file loaded with imgcodec2 in the display's pixel format, and
 * plays a WAV file through inbridge with in_wav.dll and out_wave.dll until
 * the end of the track (or Escape). It never waits for ever: without a sound
 * device the play cannot start, and a position that stops moving short of
 * the end of the track ends the wait; the last line says why.
 *
 *   host.exe PICTURE.bmp SOUND.wav
 *
 * The three DLLs lie beside host.exe, the plug-ins in plugins\ beside it. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "blitkit.h"
#include "imgcodec2.h"
#include "inbridge.h"

#define END_OF_TRACK (WM_USER + 2) /* what inbridge passes on from the plug-in */
/* A position that has not moved for this long will not move again. */
#define STALLED_MS 10000

static int running = 1, ended = 0;

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == END_OF_TRACK) ended = 1;
  if (message == END_OF_TRACK || (message == WM_KEYDOWN && w == VK_ESCAPE)) running = 0;
  return DefWindowProcA(window, message, w, l);
}

/* The wave-out devices there are (winmm's, looked up at run time). */
static UINT soundDevices(void) {
  typedef UINT(WINAPI * NumDevs)(void);
  HMODULE winmm = LoadLibraryA("winmm.dll");
  NumDevs numDevs =
      winmm ? (NumDevs)(void (*)(void))GetProcAddress(winmm, "waveOutGetNumDevs") : NULL;
  UINT devices = numDevs ? numDevs() : 0;
  if (winmm) FreeLibrary(winmm);
  return devices;
}

/* Handles messages until the end of the track, Escape, or a position that
 * has not moved for STALLED_MS; a timer wakes the loop to look. */
static void waitForTheEnd(HWND window) {
  MSG msg;
  int position = (int)GetXOutputTime(), now;
  DWORD movedAt = GetTickCount();
  SetTimer(window, 1, 250, NULL);
  while (running && GetMessageA(&msg, NULL, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    now = (int)GetXOutputTime();
    if (now != position) {
      position = now;
      movedAt = GetTickCount();
    } else if (running && GetTickCount() - movedAt > STALLED_MS) {
      printf("the position stopped at %d ms of %d ms and the end of the track never came%s\n",
             position, (int)GetXLength(), position == 0 ? ": the sound device plays nothing" : "");
      break;
    }
  }
  KillTimer(window, 1);
  if (ended) printf("ended at %d ms\n", (int)GetXOutputTime());
  if (!ended && !running) printf("stopped at %d ms (Escape)\n", (int)GetXOutputTime());
}

static HWND openWindow(void) {
  WNDCLASSA wc;
  memset(&wc, 0, sizeof wc);
  wc.lpfnWndProc = windowProc;
  wc.hInstance = GetModuleHandleA(NULL);
  wc.lpszClassName = "dropin example";
  RegisterClassA(&wc);
  return CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "dropin example", WS_POPUP | WS_VISIBLE,
                         0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), NULL,
                         NULL, wc.hInstance, NULL);
}

/* The folder of host.exe followed by name. */
static void besideProgram(const char* name, char* path, DWORD size) {
  char* slash;
  GetModuleFileNameA(NULL, path, size);
  slash = strrchr(path, '\\');
  if (slash) slash[1] = '\0';
  strncat(path, name, size - strlen(path) - 1);
}

/* The picture at 16 bits per pixel, centred on the locked 640x480x16 screen. */
static int showPicture(const char* file) {
  BMPImage* image;
  int x, y;
  ConfigBMP(BMP_CFG_TARGET_BPP, 16);
  image = LoadBMP(file);
  if (image->Status != BMP_OK) {
    printf("cannot load %s (status %d)\n", file, (int)image->Status);
    return 0;
  }
  x = image->Width < 640 ? (640 - image->Width) / 2 : 0;
  y = image->Height < 480 ? (480 - image->Height) / 2 : 0;
  if (DDLockSurface() == 0) {
    DDCopyToSurface(x, y, image->Pixels, image->Width < 640 ? image->Width : 640,
                    image->Height < 480 ? image->Height : 480);
    DDUnlockSurface();
  }
  printf("picture: %dx%d\n", (int)image->Width, (int)image->Height);
  UnloadBMP(image);
  return 1;
}

int main(int argc, char** argv) {
  char plugins[MAX_PATH], inWav[MAX_PATH];
  HWND window;
  if (argc != 3) {
    printf("usage: host PICTURE.bmp SOUND.wav\n");
    return 2;
  }
  window = openWindow();
  if (!window || DDInit(window) != 0 || DDSetGraphicsMode(640, 480, 16) != 0 ||
      DDCreatePrimarySurface() != 0) {
    DDClose();
    return 1;
  }
  showPicture(argv[1]);

  /* out_wave.dll is loaded by plain name: its folder goes on the search path. */
  besideProgram("plugins", plugins, sizeof plugins);
  SetDllDirectoryA(plugins);
  besideProgram("plugins\\in_wav.dll", inWav, sizeof inWav);
  SetXPlugParent(window);
  if (!InitXPlug(inWav)) {
    printf("cannot load %s\n", inWav);
  } else if (!PlayX(argv[2])) {
    printf("cannot play %s: %s\n", argv[2],
           soundDevices() == 0 ? "no sound device" : "not a PCM WAV file that in_wav.dll plays");
  } else {
    printf("playing %s (%d ms)\n", argv[2], (int)GetXLength());
    waitForTheEnd(window);
  }
  StopX();
  DeinitXPlug(1);
  DDClose();
  DestroyWindow(window);
  return ended ? 0 : 1;
}
