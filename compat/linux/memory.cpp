// Movable global memory: the handle is a bookkeeping record, never the
// address of the data, so code that mixes the two up fails in tests. A call
// with a handle that names no live block (a freed one, say) is refused, and
// GetLastError tells a refusal from the last unlock, as on Windows.
#include <sys/mman.h>

#include <cstdlib>
#include <cstring>

#include "compat/win32.h"
#include "state.h"

using compat::MemoryBlock;
using compat::state;

namespace {

MemoryBlock* lookup(HGLOBAL handle) {
  auto* block = static_cast<MemoryBlock*>(handle);
  if (state().blocks.count(block)) return block;
  compat::setLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

}  // namespace

extern "C" HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  std::lock_guard<std::mutex> guard(state().lock);
  void* data =
      (flags & GMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
  if (!data) return nullptr;
  auto* block = new MemoryBlock{data, bytes, 0};
  state().blocks.insert(block);
  return block;
}

extern "C" LPVOID GlobalLock(HGLOBAL handle) {
  std::lock_guard<std::mutex> guard(state().lock);
  MemoryBlock* block = lookup(handle);
  if (!block) return nullptr;
  block->locks++;
  return block->data;
}

extern "C" BOOL GlobalUnlock(HGLOBAL handle) {
  std::lock_guard<std::mutex> guard(state().lock);
  MemoryBlock* block = lookup(handle);
  if (!block) return FALSE;
  if (block->locks == 0) {
    compat::setLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  if (--block->locks > 0) return TRUE;
  compat::setLastError(NO_ERROR);
  return FALSE;
}

extern "C" HGLOBAL GlobalFree(HGLOBAL handle) {
  std::lock_guard<std::mutex> guard(state().lock);
  MemoryBlock* block = lookup(handle);
  if (!block) return handle;
  state().blocks.erase(block);
  std::free(block->data);
  delete block;
  return nullptr;
}

// Pages of zeros of their own, as a new region of VirtualAlloc is; only the
// plain request (a new region, committed, read and write) is served.
extern "C" LPVOID VirtualAlloc(LPVOID address, std::size_t bytes, DWORD type, DWORD protect) {
  if (address || bytes == 0 || !(type & MEM_COMMIT) || protect != PAGE_READWRITE) return nullptr;
  void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return pages == MAP_FAILED ? nullptr : pages;
}
