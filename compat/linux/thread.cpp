// Threads and critical sections over the C++ library's. A thread's handle is
// waited for without a time limit, by one waiter; closing the handle of a
// thread that still runs lets it run on, as on Windows. A critical section
// may be entered again by the thread that holds it, as on Windows.
#include <mutex>
#include <thread>

#include "compat/win32.h"
#include "state.h"

using compat::state;
using compat::ThreadObject;

namespace compat {

struct ThreadObject {
  std::thread thread;
};

// Called by CloseHandle under the lock.
bool closeThread(HANDLE handle) {
  auto* t = static_cast<ThreadObject*>(handle);
  if (!state().threads.erase(t)) return false;
  if (t->thread.joinable()) t->thread.detach();
  delete t;
  return true;
}

}  // namespace compat

// The thread's id is not given.
extern "C" HANDLE CreateThread(void*, std::size_t, LPTHREAD_START_ROUTINE start, LPVOID arg,
                               DWORD flags, DWORD* threadId) {
  if (threadId) *threadId = 0;
  if (!start || flags != 0) return nullptr;
  auto* t = new ThreadObject;
  try {
    t->thread = std::thread(start, arg);
  } catch (const std::system_error&) {
    delete t;
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(state().lock);
  state().threads.insert(t);
  return t;
}

extern "C" DWORD WaitForSingleObject(HANDLE handle, DWORD ms) {
  ThreadObject* t;
  {
    std::lock_guard<std::mutex> guard(state().lock);
    t = static_cast<ThreadObject*>(handle);
    if (ms != INFINITE || !state().threads.count(t)) return WAIT_FAILED;
  }
  if (t->thread.joinable()) t->thread.join();
  return WAIT_OBJECT_0;
}

extern "C" void InitializeCriticalSection(CRITICAL_SECTION* section) {
  section->lock = new std::recursive_mutex;
}

extern "C" void EnterCriticalSection(CRITICAL_SECTION* section) {
  static_cast<std::recursive_mutex*>(section->lock)->lock();
}

extern "C" void LeaveCriticalSection(CRITICAL_SECTION* section) {
  static_cast<std::recursive_mutex*>(section->lock)->unlock();
}

extern "C" void DeleteCriticalSection(CRITICAL_SECTION* section) {
  delete static_cast<std::recursive_mutex*>(section->lock);
  section->lock = nullptr;
}
