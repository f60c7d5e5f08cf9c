// Child windows of the Win32 stand-in: what the library does to a windowed browser's window (hide
// it until loaded, show it) is what a host on this system sees.
#include "engine/runtime/chromium/child_window.h"

#include <windows.h>

#include "mvwin32/stand_in.h"

namespace mvengine {
namespace chromium {

// The stand-in's windows get no input of their own: the host's reaches the page through the
// library's input exports.
CefWindowHandle CreateChildWindow(CefWindowHandle parent, int x, int y, int width, int height,
                                  CefRefPtr<CefBrowserHost> input) {
  HWND parent_window = reinterpret_cast<HWND>(parent);
  POINT origin = {x, y};
  if (!parent_window || !ClientToScreen(parent_window, &origin)) return kNullWindowHandle;
  RECT screen = {origin.x, origin.y, origin.x + (width > 0 ? width : 0), origin.y + (height > 0 ? height : 0)};
  return reinterpret_cast<CefWindowHandle>(mvw32_create_window(parent_window, screen, TRUE));
}

void DestroyChildWindow(CefWindowHandle window) { mvw32_destroy_window(reinterpret_cast<HWND>(window)); }

void PaintChildWindow(CefWindowHandle window, const void* bgra, int width, int height) {
  mvw32_paint_window(reinterpret_cast<HWND>(window), bgra, width, height);
}

}  // namespace chromium
}  // namespace mvengine
