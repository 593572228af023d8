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

/* Status codes (there is no 3). SaveBMP never returns BMP_OK: it returns
 * the source's Width on success. Among the files refused with BMP_ERR_FORMAT:
 * 8-bit files compressed other than with RLE8 (1), top-down RLE8 files, and
 * 24-bit files whose header says JPEG (4) or PNG (5); other compression
 * values on 24-bit files are read as plain rows. */
#define BMP_OK 0
#define BMP_ERR_FILE 1   /* cannot open / create / replace, headers cut short, write failed */
#define BMP_ERR_FORMAT 2 /* not a BMP this codec reads, or an unsupported request */
#define BMP_ERR_MEMORY 4 /* the pixel block cannot be allocated */

/* ConfigBMP option numbers.
 * BMP_CFG_RGB_ORDER: byte order of 24-bit buffers, 0 (default) B,G,R. Loading
 *   stores R,G,B for any non-zero value; saving takes the buffer as R,G,B only
 *   for 1 (any other value writes its bytes unchanged).
 * BMP_CFG_TARGET_BPP: 0 (default) the file's depth; 8, 15, 16, 24: convert.
 * BMP_CFG_SAVE_TOP_DOWN: 3 (default) or any non-zero value: 8 and 24-bit
 *   buffers to save are top row first; 0: bottom row first. */
#define BMP_CFG_RGB_ORDER 1
#define BMP_CFG_TARGET_BPP 2
#define BMP_CFG_SAVE_TOP_DOWN 3

/* Stores value in option type (1 to 3); other types are ignored. */
void IMGCODEC2_API ConfigBMP(int32_t type, int32_t value);

/* Copies 256 entries of red, green, blue: the palette that 24-bit pixels are
 * matched against when loading to 8 bits. */
void IMGCODEC2_API SetTrueColorPalette(const unsigned char* colours);

/* Loads a file. Always returns the library's one record; Status tells the
 * outcome, and a failed load changes Status only. The pixel block belongs to
 * the caller until it is passed to UnloadBMP. A negative height (a top-down
 * file) loads the right way up with a positive Height. 8-bit files may be
 * run-length encoded (RLE8): pixels that no code sets are index 0, as in the
 * same picture stored uncompressed. */
BMPImage* IMGCODEC2_API LoadBMP(const char* path);

/* Writes the top-left description->Width x description->Height pixels of
 * source as an 8-bit (8 from 8) or 24-bit (24 from 15, 16, 24) file. Returns
 * source->Width on success (never BMP_OK; a source 1 or 2 pixels wide returns
 * 1 or 2, the values of the failure codes), BMP_ERR_FILE when the file cannot
 * be created, written in full or put in place of an existing one (held open
 * elsewhere, read-only), BMP_ERR_FORMAT for an unsupported pair of depths or
 * sizes. The file is written beside the target and replaces it only when
 * complete, so a failed save leaves an existing file as it was. The
 * description's Height is not checked against the source's rows: the
 * caller's buffer must hold them. */
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
