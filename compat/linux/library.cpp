// Dynamic loading over dlopen: the name goes to dlopen unchanged, so a plain
// name such as "out_wave.dll" is looked up on the library search path
// (LD_LIBRARY_PATH and the like) and a name with a slash is a path.
#include <dlfcn.h>

#include "compat/win32.h"
#include "state.h"

using compat::state;

extern "C" HMODULE LoadLibraryA(LPCSTR name) {
  if (!name || !*name) return nullptr;
  void* handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (handle) {
    std::lock_guard<std::mutex> guard(state().lock);
    state().libraries.insert(handle);
  }
  return handle;
}

extern "C" FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (!module || !name) return nullptr;
  return reinterpret_cast<FARPROC>(dlsym(module, name));
}

extern "C" BOOL FreeLibrary(HMODULE module) {
  {
    std::lock_guard<std::mutex> guard(state().lock);
    if (!state().libraries.erase(module)) return FALSE;
  }
  return dlclose(module) == 0 ? TRUE : FALSE;
}
