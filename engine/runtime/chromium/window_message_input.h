// What a windowed browser's own window messages mean to its page: a plain function of a message's
// number and parameters, so it is tested where there is no Win32. The window procedure reads the
// state a message does not carry (held keys, where its client area lies) and hands it in.
#pragma once

#include <cstdint>

#include "include/internal/cef_types_wrappers.h"

namespace mvengine {
namespace chromium {

// The Win32 messages translated (winuser.h's numbers).
enum WindowMessage : unsigned {
  kWmKeyDown = 0x0100,
  kWmKeyUp = 0x0101,
  kWmChar = 0x0102,
  kWmSysKeyDown = 0x0104,
  kWmSysKeyUp = 0x0105,
  kWmSysChar = 0x0106,
  kWmMouseMove = 0x0200,
  kWmLButtonDown = 0x0201,
  kWmLButtonUp = 0x0202,
  kWmLButtonDblClk = 0x0203,
  kWmRButtonDown = 0x0204,
  kWmRButtonUp = 0x0205,
  kWmRButtonDblClk = 0x0206,
  kWmMButtonDown = 0x0207,
  kWmMButtonUp = 0x0208,
  kWmMButtonDblClk = 0x0209,
  kWmMouseWheel = 0x020A,
  kWmMouseHWheel = 0x020E,
};

struct WindowInput {
  enum class Kind { kNone, kMouseMove, kMouseClick, kMouseWheel, kKey };
  Kind kind = Kind::kNone;
  CefMouseEvent mouse;  // client coordinates
  cef_mouse_button_type_t button = MBT_LEFT;
  bool mouse_up = false;
  int click_count = 1;
  int delta_x = 0, delta_y = 0;
  CefKeyEvent key;
};

// `held` are the EVENTFLAG_ bits of the keys and locks held as the message came (Shift, Ctrl,
// Alt, Caps and Num Lock); mouse messages take their buttons, Shift and Ctrl from wParam instead.
// `client_x`, `client_y` are the screen position of the client area's origin: wheel messages
// carry screen coordinates.
WindowInput TranslateWindowMessage(unsigned message, uint64_t wparam, int64_t lparam, uint32_t held, int client_x,
                                   int client_y);

}  // namespace chromium
}  // namespace mvengine
