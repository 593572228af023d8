// The ANSI code page of the stand-in is UTF-8, as file names are on Linux;
// MultiByteToWideChar turns it into UTF-16 as Windows does from its code page,
// and the wide calls (CreateFileW) turn UTF-16 back into it.
#include <string>

#include "compat/win32.h"
#include "state.h"

namespace {

thread_local DWORD lastError = 0;
constexpr DWORD kInsufficientBuffer = 122;
constexpr char32_t kReplacement = 0xFFFD;

// One code point from text (at most end), advancing it; malformed bytes give
// the replacement character, one byte at a time.
char32_t decodeUtf8(const unsigned char*& text, const unsigned char* end) {
  const unsigned char lead = *text++;
  if (lead < 0x80) return lead;
  const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (more < 0 || lead > 0xF4 || end - text < more) return kReplacement;
  char32_t code = lead & (0x3F >> more);
  for (int i = 0; i < more; ++i) {
    if ((text[i] & 0xC0) != 0x80) return kReplacement;
    code = (code << 6) | (text[i] & 0x3F);
  }
  static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    return kReplacement;
  }
  text += more;
  return code;
}

}  // namespace

namespace compat {

void setLastError(DWORD code) {
  lastError = code;
}

// A surrogate without its pair is written as its own code point.
std::string utf8Of(LPCWSTR text) {
  std::string out;
  while (*text) {
    char32_t c = *text++;
    if (c >= 0xD800 && c < 0xDC00 && *text >= 0xDC00 && *text < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (*text++ - 0xDC00);
    }
    const int more = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    static const unsigned char kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[more] | (c >> (6 * more)));
    for (int i = more - 1; i >= 0; --i) out += static_cast<char>(0x80 | ((c >> (6 * i)) & 0x3F));
  }
  return out;
}

}  // namespace compat

extern "C" DWORD GetLastError() {
  return lastError;
}

extern "C" void SetLastError(DWORD code) {
  lastError = code;
}

// bytes -1: the text and its terminator. room 0: only counts.
extern "C" int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR text, int bytes, WCHAR* out,
                                   int room) {
  if (codePage != CP_ACP || !text || bytes == 0 || bytes < -1 || room < 0) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* end = p + (bytes == -1 ? std::char_traits<char>::length(text) + 1 : bytes);
  int count = 0;
  while (p < end) {
    const char32_t code = decodeUtf8(p, end);
    WCHAR units[2];
    int n = 1;
    if (code >= 0x10000) {
      units[0] = static_cast<WCHAR>(0xD800 + ((code - 0x10000) >> 10));
      units[1] = static_cast<WCHAR>(0xDC00 + ((code - 0x10000) & 0x3FF));
      n = 2;
    } else {
      units[0] = static_cast<WCHAR>(code);
    }
    if (room > 0) {
      if (count + n > room) {
        compat::setLastError(kInsufficientBuffer);
        return 0;
      }
      for (int i = 0; i < n; ++i) out[count + i] = units[i];
    }
    count += n;
  }
  return count;
}
