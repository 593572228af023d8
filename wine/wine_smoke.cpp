// Whether Wine can run what the scenarios need here: a window, and a message
// box that another thread finds and closes. The runner skips the scenarios
// (rather than failing them) when this does not finish in time.
#include <windows.h>

#include <cstdio>

namespace {

DWORD WINAPI closeBox(LPVOID) {
  for (int i = 0; i < 6000; ++i) {
    if (HWND box = FindWindowA("#32770", "wine smoke")) {
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      return 0;
    }
    Sleep(50);
  }
  return 1;
}

}  // namespace

int main() {
  HWND window = CreateWindowExA(0, "STATIC", "wine smoke", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  HANDLE closer = CreateThread(nullptr, 0, closeBox, nullptr, 0, nullptr);
  const int answer = MessageBoxA(nullptr, "smoke", "wine smoke", MB_OK);
  WaitForSingleObject(closer, INFINITE);
  DestroyWindow(window);
  // Getting here is what counts: the scenarios check windows and boxes themselves.
  std::printf("wine smoke: window %s, box answer %d\n", window ? "made" : "not made", answer);
  return 0;
}
