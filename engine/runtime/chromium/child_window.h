// The window a windowed browser reports: headless Chromium draws into none, so the runtime makes
// one of the system's own, which the application may show, hide and move, and paints the page's
// frames into it. One implementation per system: a real child window on Windows
// (child_window_win.cpp), the Win32 stand-in's windows where there is no Win32.
#pragma once

#include "include/cef_browser.h"

namespace mvengine {
namespace chromium {

// A child of `parent` at (x, y, width, height) in the parent's client coordinates; null when
// there is no such parent. The window's own mouse, wheel, key and IME input goes to `input`,
// which it holds until destroyed.
CefWindowHandle CreateChildWindow(CefWindowHandle parent, int x, int y, int width, int height,
                                  CefRefPtr<CefBrowserHost> input);
// From any thread; the window need not be the caller's.
void DestroyChildWindow(CefWindowHandle window);
// Shows `bgra` (width x height, top row first) in the window, scaled to it; any thread. Nothing
// when the window is gone.
void PaintChildWindow(CefWindowHandle window, const void* bgra, int width, int height);

}  // namespace chromium
}  // namespace mvengine
