// The window a windowed browser reports: headless Chromium draws into none, so the runtime makes
// one of the system's own, which the application may show, hide and move. One implementation per
// system: the Win32 stand-in's windows where there is no Win32.
#pragma once

#include "include/cef_base.h"

namespace mvengine {
namespace chromium {

// A child of `parent` at (x, y, width, height) in the parent's client coordinates; null when
// there is no such parent.
CefWindowHandle CreateChildWindow(CefWindowHandle parent, int x, int y, int width, int height);
void DestroyChildWindow(CefWindowHandle window);

}  // namespace chromium
}  // namespace mvengine
