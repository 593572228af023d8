/* imgcodec2: reads 8-bit and 24-bit BMP files into packed, top-down pixel
 * buffers of 8, 15, 16 or 24 bits per pixel, and writes such buffers back to
 * 8-bit or 24-bit BMP files.
 *
 * All exports are __stdcall on Win32 and share one module state: one image
 * record, three options and one reference palette. Calls must not overlap. */
#ifndef IMGCODEC2_H
#define IMGCODEC2_H

#include <stddef.h>

#include "dropin_common.h"

#if defined(_WIN32)
#define IMGCODEC2_API __stdcall
#else
#define IMGCODEC2_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The image record. Rows of Pixels are packed (no padding), top row first.
 * Palette holds 256 entries of red, green, blue for 8-bit buffers. */
typedef struct BMPImage {
  unsigned char* Pixels;
  int32_t Width;
  int32_t Height;
  void* Memory;         /* HGLOBAL of the pixel block; 0 when none is attached */
  int32_t BitsPerPixel; /* 8, 15 (x555), 16 (565) or 24 */
  int32_t Status;       /* result of the last LoadBMP */
  unsigned char Palette[768];
} BMPImage;

/* Offsets are part of the interface: 0, 4, 8, 12, 16, 20, Palette at 24 and
 * 792 bytes on Win32; 0, 8, 12, 16, 24, 28, Palette at 32 and 800 on x86-64. */
#define IMGCODEC2_CHECK(name, cond) typedef char imgcodec2_check_##name[(cond) ? 1 : -1]
IMGCODEC2_CHECK(width, offsetof(BMPImage, Width) == sizeof(void*));
IMGCODEC2_CHECK(memory, offsetof(BMPImage, Memory) == (sizeof(void*) == 4 ? 12 : 16));
IMGCODEC2_CHECK(bpp, offsetof(BMPImage, BitsPerPixel) == (sizeof(void*) == 4 ? 16 : 24));
IMGCODEC2_CHECK(status, offsetof(BMPImage, Status) == (sizeof(void*) == 4 ? 20 : 28));
IMGCODEC2_CHECK(palette, offsetof(BMPImage, Palette) == (sizeof(void*) == 4 ? 24 : 32));
IMGCODEC2_CHECK(size, sizeof(BMPImage) == (sizeof(void*) == 4 ? 792 : 800));
#undef IMGCODEC2_CHECK

/* Status codes (there is no 3). */
#define BMP_OK 0
#define BMP_ERR_FILE 1   /* cannot open / create, headers cut short, write failed */
#define BMP_ERR_FORMAT 2 /* not a BMP this codec reads, or an unsupported request */
#define BMP_ERR_MEMORY 4 /* the pixel block cannot be allocated */

/* ConfigBMP option numbers. */
#define BMP_CFG_RGB_ORDER 1     /* 0 (default): 24-bit buffers are B,G,R; else R,G,B */
#define BMP_CFG_TARGET_BPP 2    /* 0 (default): file depth; 8, 15, 16, 24: convert */
#define BMP_CFG_SAVE_TOP_DOWN 3 /* 3 (default), non-zero: buffers to save are top row first */

/* Stores value in option type (1 to 3); other types are ignored. */
void IMGCODEC2_API ConfigBMP(int32_t type, int32_t value);

/* Copies 256 entries of red, green, blue: the palette that 24-bit pixels are
 * matched against when loading to 8 bits. */
void IMGCODEC2_API SetTrueColorPalette(const unsigned char* colours);

/* Loads a file. Always returns the library's one record; Status tells the
 * outcome, and a failed load changes Status only. The pixel block belongs to
 * the caller until it is passed to UnloadBMP. A negative height (a top-down
 * file) loads the right way up with a positive Height. */
BMPImage* IMGCODEC2_API LoadBMP(const char* path);

/* Writes the top-left description->Width x description->Height pixels of
 * source as an 8-bit (8 from 8) or 24-bit (24 from 15, 16, 24) file. Returns
 * source->Width on success, BMP_ERR_FILE when the file cannot be created or
 * written in full, BMP_ERR_FORMAT for an unsupported pair of depths or sizes
 * (checked before the file is created, so an existing file stays intact). */
int32_t IMGCODEC2_API SaveBMP(const char* path, const BMPImage* source,
                              const BMPImage* description);

/* Releases the pixel block named by image->Memory (nothing when it is 0).
 * The record itself is not changed; pass each block only once. */
void IMGCODEC2_API UnloadBMP(BMPImage* image);

/* The exports as function pointer types, for hosts that bind them with
 * GetProcAddress(library, "LoadBMP") and the like. */
typedef void(IMGCODEC2_API* PFN_ConfigBMP)(int32_t type, int32_t value);
typedef void(IMGCODEC2_API* PFN_SetTrueColorPalette)(const unsigned char* colours);
typedef BMPImage*(IMGCODEC2_API* PFN_LoadBMP)(const char* path);
typedef int32_t(IMGCODEC2_API* PFN_SaveBMP)(const char* path, const BMPImage* source,
                                            const BMPImage* description);
typedef void(IMGCODEC2_API* PFN_UnloadBMP)(BMPImage* image);

#ifdef __cplusplus
}
#endif

#endif /* IMGCODEC2_H */
