// Windows and messages, as far as a hidden window needs them: classes, a
// window procedure that can be replaced (subclassed), sent messages (the
// procedure is called at once, on the caller's thread) and posted ones (queued
// for the thread that made the window, handed out by PeekMessageA and
// DispatchMessageA). A destroyed window's handle is refused, never followed.
// Thread timers and WH_GETMESSAGE hooks, as plug-ins set them on the host's
// thread, reach that thread's message loop: a procedure left behind by a
// library that was freed is called there, as on Windows.
#include <unistd.h>

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "compat/win32.h"
#include "state.h"

namespace {

struct Window {
  WNDPROC proc;
  std::thread::id owner;
};

using Clock = std::chrono::steady_clock;

struct Timer {
  DWORD thread;
  UINT ms;
  TIMERPROC proc;
  Clock::time_point due;
};

struct Hook {
  DWORD thread;
  HOOKPROC proc;
};

struct Windows {
  std::mutex lock;
  std::map<std::string, WNDPROC> classes;
  std::set<Window*> live;
  std::map<std::thread::id, std::deque<MSG>> queues;
  std::map<UINT_PTR, Timer> timers;
  UINT_PTR lastTimer = 0;
  std::set<Hook*> hooks;
};

Windows& windows() {
  static Windows* w = new Windows;
  return *w;
}

Window* find(HWND handle) {
  auto* window = static_cast<Window*>(handle);
  return windows().live.count(window) ? window : nullptr;
}

// The window's procedure, looked up under the lock and called outside it,
// since a procedure may send or post messages itself.
WNDPROC procOf(HWND handle) {
  std::lock_guard<std::mutex> guard(windows().lock);
  Window* window = find(handle);
  return window ? window->proc : nullptr;
}

// A WM_TIMER of the calling thread's first due timer; called under the lock.
bool dueTimer(MSG& msg) {
  const DWORD self = GetCurrentThreadId();
  const Clock::time_point now = Clock::now();
  for (auto& [id, timer] : windows().timers) {
    if (timer.thread != self || timer.due > now) continue;
    timer.due = now + std::chrono::milliseconds(timer.ms);
    msg = MSG{nullptr, WM_TIMER, id, reinterpret_cast<LPARAM>(timer.proc), 0, {0, 0}};
    return true;
  }
  return false;
}

}  // namespace

namespace compat {

int liveWindowCount() {
  std::lock_guard<std::mutex> guard(windows().lock);
  return static_cast<int>(windows().live.size());
}

int windowClassCount() {
  std::lock_guard<std::mutex> guard(windows().lock);
  return static_cast<int>(windows().classes.size());
}

}  // namespace compat

extern "C" ATOM RegisterClassA(const WNDCLASSA* windowClass) {
  if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) return 0;
  std::lock_guard<std::mutex> guard(windows().lock);
  if (!windows().classes.emplace(windowClass->lpszClassName, windowClass->lpfnWndProc).second) {
    compat::setLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  return static_cast<ATOM>(windows().classes.size());
}

extern "C" BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  if (!className) return FALSE;
  std::lock_guard<std::mutex> guard(windows().lock);
  return windows().classes.erase(className) ? TRUE : FALSE;
}

extern "C" HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR, DWORD, int, int, int, int, HWND,
                                void*, HINSTANCE, LPVOID) {
  if (!className) return nullptr;
  std::lock_guard<std::mutex> guard(windows().lock);
  auto found = windows().classes.find(className);
  if (found == windows().classes.end()) return nullptr;
  auto* window = new Window{found->second, std::this_thread::get_id()};
  windows().live.insert(window);
  return window;
}

extern "C" BOOL DestroyWindow(HWND handle) {
  WNDPROC proc = procOf(handle);
  if (!proc) return FALSE;
  proc(handle, WM_DESTROY, 0, 0);
  proc = procOf(handle);  // the procedure may have changed meanwhile
  if (proc) proc(handle, WM_NCDESTROY, 0, 0);
  std::lock_guard<std::mutex> guard(windows().lock);
  Window* window = find(handle);
  if (!window) return FALSE;
  windows().live.erase(window);
  for (auto& queue : windows().queues) {
    for (auto it = queue.second.begin(); it != queue.second.end();) {
      it = it->hwnd == handle ? queue.second.erase(it) : it + 1;
    }
  }
  delete window;
  return TRUE;
}

extern "C" BOOL IsWindow(HWND handle) {
  return procOf(handle) ? TRUE : FALSE;
}

extern "C" LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}

extern "C" LRESULT CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM w, LPARAM l) {
  return proc ? proc(window, message, w, l) : 0;
}

extern "C" LONG_PTR GetWindowLongPtrA(HWND handle, int index) {
  if (index != GWLP_WNDPROC) return 0;
  return reinterpret_cast<LONG_PTR>(procOf(handle));
}

extern "C" LONG_PTR SetWindowLongPtrA(HWND handle, int index, LONG_PTR value) {
  std::lock_guard<std::mutex> guard(windows().lock);
  Window* window = find(handle);
  if (!window || index != GWLP_WNDPROC || !value) return 0;
  const WNDPROC old = window->proc;
  window->proc = reinterpret_cast<WNDPROC>(value);
  return reinterpret_cast<LONG_PTR>(old);
}

extern "C" LRESULT SendMessageA(HWND handle, UINT message, WPARAM w, LPARAM l) {
  WNDPROC proc = procOf(handle);
  return proc ? proc(handle, message, w, l) : 0;
}

// A null window posts to the calling thread itself, as on Windows.
extern "C" BOOL PostMessageA(HWND handle, UINT message, WPARAM w, LPARAM l) {
  std::lock_guard<std::mutex> guard(windows().lock);
  std::thread::id owner = std::this_thread::get_id();
  if (handle) {
    Window* window = find(handle);
    if (!window) return FALSE;
    owner = window->owner;
  }
  windows().queues[owner].push_back(MSG{handle, message, w, l, 0, {0, 0}});
  return TRUE;
}

// Posted messages first, then a due timer; the thread's hooks see the
// message before the caller does.
extern "C" BOOL PeekMessageA(MSG* msg, HWND handle, UINT first, UINT last, UINT remove) {
  if (!msg) return FALSE;
  const bool anyMessage = first == 0 && last == 0;
  std::vector<HOOKPROC> hooks;
  {
    std::lock_guard<std::mutex> guard(windows().lock);
    std::deque<MSG>& queue = windows().queues[std::this_thread::get_id()];
    auto it = queue.begin();
    while (it != queue.end() && ((handle && it->hwnd != handle) ||
                                 (!anyMessage && (it->message < first || it->message > last)))) {
      ++it;
    }
    if (it != queue.end()) {
      *msg = *it;
      if (remove & PM_REMOVE) queue.erase(it);
    } else if (handle || !(anyMessage || (first <= WM_TIMER && WM_TIMER <= last)) ||
               !dueTimer(*msg)) {
      return FALSE;
    }
    for (Hook* hook : windows().hooks)
      if (hook->thread == GetCurrentThreadId()) hooks.push_back(hook->proc);
  }
  for (HOOKPROC hook : hooks) hook(HC_ACTION, remove & PM_REMOVE, reinterpret_cast<LPARAM>(msg));
  return TRUE;
}

extern "C" LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
    return 0;
  }
  WNDPROC proc = procOf(msg->hwnd);
  return proc ? proc(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}

// Timers of the calling thread only (no window). An id that names a timer
// sets it anew; any other gets a new timer.
extern "C" UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT ms, TIMERPROC proc) {
  if (window) return 0;
  std::lock_guard<std::mutex> guard(windows().lock);
  if (!windows().timers.count(id)) id = ++windows().lastTimer;
  windows().timers[id] =
      Timer{GetCurrentThreadId(), ms, proc, Clock::now() + std::chrono::milliseconds(ms)};
  return id;
}

extern "C" BOOL KillTimer(HWND window, UINT_PTR id) {
  std::lock_guard<std::mutex> guard(windows().lock);
  return !window && windows().timers.erase(id) ? TRUE : FALSE;
}

// WH_GETMESSAGE on one thread only.
extern "C" HHOOK SetWindowsHookExA(int kind, HOOKPROC proc, HINSTANCE, DWORD threadId) {
  if (kind != WH_GETMESSAGE || !proc || !threadId) return nullptr;
  std::lock_guard<std::mutex> guard(windows().lock);
  Hook* hook = new Hook{threadId, proc};
  windows().hooks.insert(hook);
  return hook;
}

extern "C" BOOL UnhookWindowsHookEx(HHOOK handle) {
  std::lock_guard<std::mutex> guard(windows().lock);
  auto* hook = static_cast<Hook*>(handle);
  if (!windows().hooks.erase(hook)) return FALSE;
  delete hook;
  return TRUE;
}

// Every hook of the thread is called by PeekMessageA itself.
extern "C" LRESULT CallNextHookEx(HHOOK, int, WPARAM, LPARAM) {
  return 0;
}

extern "C" DWORD GetCurrentThreadId() {
  return static_cast<DWORD>(gettid());
}
