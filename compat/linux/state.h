// Bookkeeping shared by the stand-in's files: the objects it holds.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_set>

#include "compat/stand_in.h"
#include "compat/win32.h"

namespace compat {

struct FileObject {
  int fd;
};

struct ThreadObject;

struct MemoryBlock {
  void* data;
  std::size_t size;
  int locks;
};

struct State {
  std::mutex lock;  // plug-in threads may reach the layer too
  std::unordered_set<FileObject*> files;
  std::unordered_set<MemoryBlock*> blocks;
  std::unordered_set<void*> libraries;
  std::unordered_set<ThreadObject*> threads;
};

State& state();
// The calling thread's last error, for GetLastError.
void setLastError(DWORD code);
// A thread's handle closed, under the lock: false when it names no thread.
bool closeThread(HANDLE handle);
// UTF-16 text as UTF-8, the stand-in's ANSI code page.
std::string utf8Of(LPCWSTR text);

}  // namespace compat
