// The hidden window that the input plug-in gets as its main window.
#pragma once

#include "compat/win32.h"

namespace inbridge {

// A new hidden window on the calling thread; null if none can be made.
HWND createPluginWindow();
// Destroys the window, with inbridge's own procedure put back first, so
// that nothing of a plug-in that subclassed it and never restored it is
// called; then the library may be freed.
void destroyPluginWindow(HWND window);

}  // namespace inbridge
