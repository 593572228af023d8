/* What the three headers share: the release's version (one number for the
 * DLLs, the plug-ins and the SDK; the build reads it from here), the 32-bit
 * integer type, and the refusal of 64-bit Windows builds, since the DLLs are
 * 32-bit x86 code that a 64-bit process cannot load. */
#ifndef DROPIN_COMMON_H
#define DROPIN_COMMON_H

#define DROPIN_VERSION_MAJOR 1
#define DROPIN_VERSION_MINOR 1
#define DROPIN_VERSION_PATCH 0
#define DROPIN_VERSION_STRING "1.1.0"
/* 0xMMmmpp, for comparisons: DROPIN_VERSION >= 0x010000 */
#define DROPIN_VERSION \
  ((DROPIN_VERSION_MAJOR << 16) | (DROPIN_VERSION_MINOR << 8) | DROPIN_VERSION_PATCH)

#ifndef RC_INVOKED

#if defined(_WIN64)
#error "imgcodec2, inbridge and blitkit are 32-bit DLLs: build the host for 32-bit x86 (Win32)."
#endif

/* Visual C++ before 2010 has no <stdint.h>. */
#if defined(_MSC_VER) && _MSC_VER < 1600
typedef __int32 int32_t;
#else
#include <stdint.h>
#endif

#endif /* RC_INVOKED */

#endif /* DROPIN_COMMON_H */
