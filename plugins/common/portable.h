// Threads, locks, sleeping and a millisecond clock for our plug-ins, over
// Win32 or POSIX (the MinGW compiler here has no std::thread).
#pragma once

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <time.h>
#include <unistd.h>
#endif

#ifdef _WIN32
#define PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace plugin {

class Mutex {
 public:
#ifdef _WIN32
  Mutex() {
    InitializeCriticalSection(&cs_);
  }
  ~Mutex() {
    DeleteCriticalSection(&cs_);
  }
  void lock() {
    EnterCriticalSection(&cs_);
  }
  void unlock() {
    LeaveCriticalSection(&cs_);
  }

 private:
  CRITICAL_SECTION cs_;
#else
  void lock() {
    pthread_mutex_lock(&m_);
  }
  void unlock() {
    pthread_mutex_unlock(&m_);
  }

 private:
  pthread_mutex_t m_ = PTHREAD_MUTEX_INITIALIZER;
#endif
};

class Lock {
 public:
  explicit Lock(Mutex& m) : m_(m) { m_.lock(); }
  ~Lock() { m_.unlock(); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  Mutex& m_;
};

// One worker thread running fn(arg).
class Thread {
 public:
  bool start(void (*fn)(void*), void* arg) {
    fn_ = fn;
    arg_ = arg;
#ifdef _WIN32
    handle_ = CreateThread(nullptr, 0, entry, this, 0, nullptr);
    running_ = handle_ != nullptr;
#else
    running_ = pthread_create(&thread_, nullptr, entry, this) == 0;
#endif
    return running_;
  }
  void join() {
    if (!running_) return;
#ifdef _WIN32
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
#else
    pthread_join(thread_, nullptr);
#endif
    running_ = false;
  }
  bool running() const {
    return running_;
  }

 private:
#ifdef _WIN32
  static DWORD WINAPI entry(LPVOID self) {
    static_cast<Thread*>(self)->fn_(static_cast<Thread*>(self)->arg_);
    return 0;
  }
  HANDLE handle_ = nullptr;
#else
  static void* entry(void* self) {
    static_cast<Thread*>(self)->fn_(static_cast<Thread*>(self)->arg_);
    return nullptr;
  }
  pthread_t thread_{};
#endif
  void (*fn_)(void*) = nullptr;
  void* arg_ = nullptr;
  bool running_ = false;
};

inline void sleepMs(unsigned ms) {
#ifdef _WIN32
  Sleep(ms);
#else
  usleep(ms * 1000u);
#endif
}

// Milliseconds of a monotonic clock.
inline std::int64_t nowMs() {
#ifdef _WIN32
  return static_cast<std::int64_t>(GetTickCount64());
#else
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
#endif
}

}  // namespace plugin
