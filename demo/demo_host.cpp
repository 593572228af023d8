// A host program that uses all three libraries the way a real host does: it
// takes the screen with blitkit, loads a picture with imgcodec2 in the pixel
// format of the display mode, copies it onto the locked surface, and plays a
// generated sound through inbridge and our plug-ins (in_wav, out_wave on the
// sound device) while it shows the position as a progress bar, until its
// window hears of the end of the track.
//
//   demo_host PICTURE PLUGIN_DIR OUT_DIR [--mode WxHxBITS] [--seconds N]
//             [--screenshot]
//
// The mode is the desktop's unless --mode asks for another; the sound lasts
// 3 seconds unless --seconds says otherwise.
// OUT_DIR receives demo.wav (the sound played: 44.1 kHz 16-bit stereo, at
// full volume, so that a capture of the device can be compared with it byte
// for byte) and screen.bmp (the surface at the end, saved with imgcodec2).
// --screenshot writes OUT_DIR/screen.ready once the last frame is on the
// screen and waits (up to 60 s) for OUT_DIR/screen.done, so that a script can
// take a picture of the real screen. Exit status 0 when the sound played to
// its end; otherwise the last line says why (no sound device, a position that
// stopped moving).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "blitkit.h"
#include "compat/ddraw.h"
#include "compat/win32.h"
#include "drawing.h"
#include "host_window.h"
#include "imgcodec2.h"
#include "inbridge.h"
#include "wav_file.h"

namespace {

std::int64_t nowMs() {
  return static_cast<std::int64_t>(GetTickCount64());
}

#ifdef _WIN32
const char kSeparator = '\\';
#else
const char kSeparator = '/';
#endif

struct Options {
  std::string picture, plugins, out;
  demo::DisplayMode mode{0, 0, 0};  // 0: the desktop's
  int seconds = 3;
  bool screenshotHandshake = false;
};

bool parseOptions(int argc, char** argv, Options& o) {
  if (argc < 4) return false;
  o.picture = argv[1];
  o.plugins = argv[2];
  o.out = argv[3];
  for (int i = 4; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--screenshot")) {
      o.screenshotHandshake = true;
    } else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) {
      o.seconds = std::atoi(argv[++i]);
      if (o.seconds < 1 || o.seconds > 600) return false;
    } else if (!std::strcmp(argv[i], "--mode") && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%dx%d", &o.mode.width, &o.mode.height, &o.mode.bitsPerPixel) !=
          3)
        return false;
    } else {
      return false;
    }
  }
  return true;
}

std::string inDir(const std::string& dir, const char* name) {
  return dir + kSeparator + name;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool fileExists(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

// The picture in the display's pixel layout, packed rows.
struct Picture {
  std::vector<unsigned char> pixels;
  int width = 0, height = 0;
  unsigned char palette[768] = {};
};

// imgcodec2 gives 8, 15, 16 and 24 bits; a 32-bit display gets the 24-bit
// pixels widened here.
int codecDepthFor(const DDPIXELFORMAT& format) {
  const DWORD bits = format.dwRGBBitCount;
  if (bits == 16 && format.dwGBitMask == 0x03E0) return 15;
  return bits == 32 ? 24 : static_cast<int>(bits);
}

// An 8-bit file keeps its own palette on an 8-bit display; a 24-bit file is
// matched to the colour cube there, which becomes the display's palette.
bool loadPicture(const std::string& path, const DDPIXELFORMAT& format, Picture& picture) {
  const int depth = codecDepthFor(format);
  ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  BMPImage* image = LoadBMP(path.c_str());
  if (image->Status == BMP_OK && image->BitsPerPixel != depth) {
    UnloadBMP(image);
    demo::cubePalette(picture.palette);
    SetTrueColorPalette(picture.palette);
    ConfigBMP(BMP_CFG_TARGET_BPP, depth);
    image = LoadBMP(path.c_str());
    ConfigBMP(BMP_CFG_TARGET_BPP, 0);
  } else if (image->Status == BMP_OK && depth == 8) {
    std::memcpy(picture.palette, image->Palette, sizeof picture.palette);
  }
  if (image->Status != BMP_OK) {
    std::printf("demo: cannot load %s (status %d)\n", path.c_str(),
                static_cast<int>(image->Status));
    return false;
  }
  picture.width = image->Width;
  picture.height = image->Height;
  const size_t count = static_cast<size_t>(image->Width) * image->Height;
  if (format.dwRGBBitCount == 32) {
    picture.pixels.resize(count * 4);
    for (size_t i = 0; i < count; ++i) {
      std::memcpy(&picture.pixels[4 * i], image->Pixels + 3 * i, 3);
      picture.pixels[4 * i + 3] = 0;
    }
  } else {
    picture.pixels.assign(image->Pixels, image->Pixels + count * ((depth + 1) / 8));
  }
  UnloadBMP(image);
  return true;
}

void setDisplayPalette(const unsigned char* colours) {
  PALETTEENTRY entries[256];
  for (int i = 0; i < 256; ++i) {
    entries[i] = {colours[3 * i], colours[3 * i + 1], colours[3 * i + 2], 0};
  }
  DDSetPalette(entries);
}

// The locked surface as the demo draws on it.
demo::Surface lockedSurface(const DDPIXELFORMAT& format, const demo::DisplayMode& mode,
                            const Picture& picture) {
  demo::SurfaceFormat f{static_cast<int>(format.dwRGBBitCount + 7) / 8, format.dwRBitMask,
                        format.dwGBitMask, format.dwBBitMask, picture.palette};
  return {static_cast<unsigned char*>(DDGetSurfacePointer()), DDGetSurfacePitch(), mode.width,
          mode.height, f};
}

// The surface saved as a BMP file through imgcodec2, at the codec depth of
// the display (32-bit pixels narrowed to 24).
bool saveSurface(const demo::Surface& surface, const DDPIXELFORMAT& format, const Picture& picture,
                 const std::string& path) {
  const int depth = codecDepthFor(format);
  const int bytes = (depth + 1) / 8;
  std::vector<unsigned char> rows(static_cast<size_t>(surface.width) * surface.height * bytes);
  for (int y = 0; y < surface.height; ++y) {
    const unsigned char* from = surface.base + static_cast<long long>(y) * surface.pitch;
    unsigned char* to = &rows[static_cast<size_t>(y) * surface.width * bytes];
    for (int x = 0; x < surface.width; ++x) {
      std::memcpy(to + x * bytes, from + x * surface.format.bytesPerPixel, bytes);
    }
  }
  BMPImage source{};
  source.Pixels = rows.data();
  source.Width = surface.width;
  source.Height = surface.height;
  source.BitsPerPixel = depth;
  std::memcpy(source.Palette, picture.palette, sizeof source.Palette);
  BMPImage file = source;  // the file's depth: 8 from 8, else 24
  file.BitsPerPixel = depth == 8 ? 8 : 24;
  return SaveBMP(path.c_str(), &source, &file) == surface.width;
}

// A position that has not moved for this long will not move again: a device
// that plays nothing, or a plug-in that never tells of the end.
constexpr std::int64_t kStalledMs = 10000;

// Plays the sound to its end, drawing the position; false, with the reason
// said, when it did not start, stopped moving short of the end of the track,
// or the window was closed.
bool playWithProgress(const std::string& wavPath, const DDPIXELFORMAT& format,
                      const demo::DisplayMode& mode, const Picture& picture, int barX, int barY,
                      int barWidth) {
  if (!PlayX(wavPath.c_str())) {
    if (waveOutGetNumDevs() == 0) {
      std::printf("demo: no sound device: %s cannot play\n", wavPath.c_str());
    } else {
      std::printf("demo: the input plug-in cannot play %s\n", wavPath.c_str());
    }
    return false;
  }
  SetXVolume(255);
  SetXPan(0);
  std::int64_t nextLine = 0, movedAt = nowMs();
  int position = 0, seen = 0;
  const int length = GetXLength();
  while (demo::pumpMessages()) {
    position = GetXOutputTime();
    if (position != seen) {
      seen = position;
      movedAt = nowMs();
    }
    if (DDLockSurface() == 0) {
      demo::drawProgress(lockedSurface(format, mode, picture), barX, barY, barWidth, 16, position,
                         length);
      DDUnlockSurface();
    }
    if (nowMs() >= nextLine || position >= length) {
      std::printf("playing: %5.2f s of %.2f s\n", position / 1000.0, length / 1000.0);
      std::fflush(stdout);
      nextLine = nowMs() + 500;
    }
    if (demo::trackEnded()) return true;
    if (nowMs() - movedAt > kStalledMs) {
      std::printf(
          "demo: the position stopped at %d ms of %d ms and the end of the track never "
          "came%s\n",
          position, length, position == 0 ? ": the sound device plays nothing" : "");
      return false;
    }
    Sleep(40);
  }
  std::printf("demo: the window was closed at %d ms of %d ms\n", position, length);
  return false;
}

void handshakeScreenshot(const Options& options) {
  const std::string done = inDir(options.out, "screen.done");
  std::remove(done.c_str());
  writeFile(inDir(options.out, "screen.ready"), {});
  const std::int64_t deadline = nowMs() + 60000;
  while (!fileExists(done) && nowMs() < deadline && demo::pumpMessages()) Sleep(50);
}

int run(const Options& options) {
  const wav::Wav sound = wav::makeWav(44100, options.seconds * 1000);
  const std::string wavPath = inDir(options.out, "demo.wav");
  if (!writeFile(wavPath, sound.file)) {
    std::printf("demo: cannot write %s\n", wavPath.c_str());
    return 1;
  }

  void* window = demo::openWindow();
  if (!window || DDInit(window) != 0) return 1;
  demo::DisplayMode mode = demo::desktopMode();
  if (options.mode.width > 0) {
    if (demo::modeOffered(options.mode)) {
      mode = options.mode;
    } else {
      std::printf("demo: the display has no %dx%dx%d mode; keeping %dx%dx%d\n", options.mode.width,
                  options.mode.height, options.mode.bitsPerPixel, mode.width, mode.height,
                  mode.bitsPerPixel);
    }
  }
  if (DDSetGraphicsMode(mode.width, mode.height, mode.bitsPerPixel) != 0 ||
      DDCreatePrimarySurface() != 0) {
    DDClose();
    return 1;
  }
  const DDPIXELFORMAT format = *static_cast<const DDPIXELFORMAT*>(DDPixelFormatInfo());
  std::printf("display: %dx%d, %lu bits per pixel\n", mode.width, mode.height,
              static_cast<unsigned long>(format.dwRGBBitCount));

  Picture picture;
  if (!loadPicture(options.picture, format, picture)) {
    DDClose();
    return 1;
  }
  if (format.dwRGBBitCount == 8) setDisplayPalette(picture.palette);
  const int x = (mode.width - picture.width) / 2, y = (mode.height - picture.height) / 2 - 20;
  const int barWidth = picture.width > 200 ? picture.width : 200;
  const int barX = (mode.width - barWidth) / 2, barY = y + picture.height + 16;

  DDWaitRetrace();
  if (DDLockSurface() != 0) {
    DDClose();
    return 1;
  }
  demo::Surface surface = lockedSurface(format, mode, picture);
  demo::fillRect(surface, 0, 0, mode.width, mode.height,
                 demo::pixelValue(surface.format, 16, 32, 64));
  DDCopyToSurfaceMMX(x, y, picture.pixels.data(), picture.width, picture.height);
  DDUnlockSurface();
  std::printf("picture: %dx%d at (%d, %d)\n", picture.width, picture.height, x, y);

  SetXPlugParent(window);
  bool played = false;
  if (InitXPlug(inDir(options.plugins, "in_wav.dll").c_str())) {
    LoadX();
    played = playWithProgress(wavPath, format, mode, picture, barX, barY, barWidth);
  }

  if (options.screenshotHandshake) handshakeScreenshot(options);
  if (DDLockSurface() == 0) {
    if (!saveSurface(lockedSurface(format, mode, picture), format, picture,
                     inDir(options.out, "screen.bmp"))) {
      std::printf("demo: cannot save the screen\n");
    }
    DDUnlockSurface();
  }

  StopX();
  DeinitXPlug(1);
  DDClose();
  demo::closeWindow(window);
  if (played) {
    std::printf(
        "sound: %.3f s played through out_wave.dll; the window heard the end of the track\n",
        sound.lengthMs() / 1000.0);
  }
  return played ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: demo_host PICTURE PLUGIN_DIR OUT_DIR [--mode WxHxBITS] [--seconds N] "
                 "[--screenshot]\n");
    return 2;
  }
#ifdef _WIN32
  // Hosts keep "out_wave.dll" beside the input plug-ins.
  SetDllDirectoryA(options.plugins.c_str());
#endif
  return run(options);
}
