// The DLLs are built without the C runtime (no msvcrt.dll, no start-up code):
// the entry point is DllMain itself, and these are the memory and string
// routines that our code and the compiler call. Built with -fno-builtin so
// that the compiler does not turn their loops back into calls of themselves.
#include <stddef.h>

extern "C" {

// x86 string moves and stores, words first: they run at memory speed on the
// processors of the last decades, for any alignment.
void* memcpy(void* dst, const void* src, size_t n) {
  void* d = dst;
  size_t words = n >> 2, bytes = n & 3;
  __asm__ volatile("rep movsl" : "+D"(d), "+S"(src), "+c"(words) : : "memory");
  __asm__ volatile("rep movsb" : "+D"(d), "+S"(src), "+c"(bytes) : : "memory");
  return dst;
}

void* memset(void* dst, int value, size_t n) {
  void* d = dst;
  size_t words = n >> 2, bytes = n & 3;
  const unsigned fill = static_cast<unsigned char>(value) * 0x01010101u;
  __asm__ volatile("rep stosl" : "+D"(d), "+c"(words) : "a"(fill) : "memory");
  __asm__ volatile("rep stosb" : "+D"(d), "+c"(bytes) : "a"(fill) : "memory");
  return dst;
}

void* memmove(void* dst, const void* src, size_t n) {
  unsigned char* d = static_cast<unsigned char*>(dst);
  const unsigned char* s = static_cast<const unsigned char*>(src);
  if (d <= s || d >= s + n) return memcpy(dst, src, n);
  while (n--) d[n] = s[n];  // overlapping, destination above: from the end
  return dst;
}

int memcmp(const void* a, const void* b, size_t n) {
  const unsigned char* x = static_cast<const unsigned char*>(a);
  const unsigned char* y = static_cast<const unsigned char*>(b);
  for (size_t i = 0; i < n; ++i) {
    if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
  }
  return 0;
}

size_t strlen(const char* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return n;
}

}  // extern "C"

// Classes with virtual destructors refer to operator delete, though nothing
// in the DLLs is ever allocated with new.
void operator delete(void*) noexcept {
  __builtin_trap();
}
void operator delete(void*, size_t) noexcept {
  __builtin_trap();
}
