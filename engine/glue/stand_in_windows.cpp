// Linked into the library where the Win32 stand-in provides the windows: a
// windowed browser gets a real stand-in child window, so what the library does
// to it (hide until loaded, show) is what the host sees.
#include <windows.h>

#include "mvengine/runtime.h"
#include "mvwin32/stand_in.h"

namespace {

CefWindowHandle CreateChild(CefWindowHandle parent, int x, int y, int width, int height) {
  HWND parent_window = reinterpret_cast<HWND>(parent);
  POINT origin = {x, y};
  if (!parent_window || !ClientToScreen(parent_window, &origin)) return kNullWindowHandle;
  RECT screen = {origin.x, origin.y, origin.x + (width > 0 ? width : 0), origin.y + (height > 0 ? height : 0)};
  return reinterpret_cast<CefWindowHandle>(mvw32_create_window(parent_window, screen, TRUE));
}

void DestroyChild(CefWindowHandle window) { mvw32_destroy_window(reinterpret_cast<HWND>(window)); }

// Registered when the library loads, before any browser can exist.
const bool kRegistered = [] {
  mvengine::ChildWindowHooks hooks;
  hooks.create = &CreateChild;
  hooks.destroy = &DestroyChild;
  mvengine::SetChildWindowHooks(hooks);
  return true;
}();

}  // namespace
