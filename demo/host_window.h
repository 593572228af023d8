// The window the demo shows its picture in, and the desktop's display mode,
// one implementation per platform.
#pragma once

namespace demo {

struct DisplayMode {
  int width, height, bitsPerPixel;
};

// A full-screen top-level window with the focus; nullptr when none can be made.
void* openWindow();
// Handles the window's pending messages; false once it has been closed.
bool pumpMessages();
// Whether the window has been told of the end of a track (the input
// plug-in's message, which inbridge passes on to the host's window).
bool trackEnded();
void closeWindow(void* window);
// The mode the desktop is in, for displays that cannot switch modes.
DisplayMode desktopMode();
// Whether the display offers the mode (asking for one it lacks would end in
// blitkit's message box).
bool modeOffered(const DisplayMode& mode);

}  // namespace demo
