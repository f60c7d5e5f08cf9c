#include "mvcefdll/input_rules.h"

namespace mvcef {

uint32_t MouseModifiers(WPARAM wParam, bool alt_down, bool num_lock_on, bool caps_lock_on) {
  uint32_t m = 0;
  if (wParam & MK_SHIFT) m |= EVENTFLAG_SHIFT_DOWN;
  if (wParam & MK_CONTROL) m |= EVENTFLAG_CONTROL_DOWN;
  if (alt_down) m |= EVENTFLAG_ALT_DOWN;
  if (wParam & MK_LBUTTON) m |= EVENTFLAG_LEFT_MOUSE_BUTTON;
  if (wParam & MK_MBUTTON) m |= EVENTFLAG_MIDDLE_MOUSE_BUTTON;
  if (wParam & MK_RBUTTON) m |= EVENTFLAG_RIGHT_MOUSE_BUTTON;
  if (num_lock_on) m |= EVENTFLAG_NUM_LOCK_ON;
  if (caps_lock_on) m |= EVENTFLAG_CAPS_LOCK_ON;
  return m;
}

cef_mouse_button_type_t ButtonForPress(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN: return MBT_LEFT;
    case WM_RBUTTONDOWN: return MBT_RIGHT;
    default: return MBT_MIDDLE;
  }
}

cef_mouse_button_type_t ButtonForRelease(UINT message) {
  switch (message) {
    case WM_LBUTTONUP: return MBT_LEFT;
    case WM_RBUTTONUP: return MBT_RIGHT;
    default: return MBT_MIDDLE;
  }
}

cef_key_event_type_t KeyEventTypeFor(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: return KEYEVENT_RAWKEYDOWN;
    case WM_KEYUP:
    case WM_SYSKEYUP: return KEYEVENT_KEYUP;
    default: return KEYEVENT_CHAR;
  }
}

bool IsSystemKeyMessage(UINT message) {
  return message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR;
}

namespace {

uint32_t Side(bool left, bool right) {
  if (left) return EVENTFLAG_IS_LEFT;
  if (right) return EVENTFLAG_IS_RIGHT;
  return 0;
}

}  // namespace

uint32_t KeyModifiers(const KeyState& keys, WPARAM wParam, LPARAM lParam) {
  uint32_t m = 0;
  if (keys.shift) m |= EVENTFLAG_SHIFT_DOWN;
  if (keys.control) m |= EVENTFLAG_CONTROL_DOWN;
  if (keys.alt) m |= EVENTFLAG_ALT_DOWN;
  if (keys.num_lock_on) m |= EVENTFLAG_NUM_LOCK_ON;
  if (keys.caps_lock_on) m |= EVENTFLAG_CAPS_LOCK_ON;

  // The same virtual key comes from two places on a full keyboard; the extended bit tells which.
  const bool extended = (HIWORD(lParam) & KF_EXTENDED) != 0;
  switch (wParam) {
    case VK_RETURN:
      if (extended) m |= EVENTFLAG_IS_KEY_PAD;
      break;
    case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME:
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
    case VK_INSERT: case VK_DELETE:
      if (!extended) m |= EVENTFLAG_IS_KEY_PAD;
      break;
    case VK_CLEAR:
    case VK_NUMPAD0: case VK_NUMPAD1: case VK_NUMPAD2: case VK_NUMPAD3: case VK_NUMPAD4:
    case VK_NUMPAD5: case VK_NUMPAD6: case VK_NUMPAD7: case VK_NUMPAD8: case VK_NUMPAD9:
    case VK_MULTIPLY: case VK_ADD: case VK_SUBTRACT: case VK_DECIMAL: case VK_DIVIDE:
    case VK_NUMLOCK:
      m |= EVENTFLAG_IS_KEY_PAD;
      break;
    case VK_SHIFT:
      m |= Side(keys.left_shift, keys.right_shift);
      break;
    case VK_CONTROL:
      m |= Side(keys.left_control, keys.right_control);
      break;
    case VK_MENU:
      m |= Side(keys.left_alt, keys.right_alt);
      break;
    case VK_LWIN:
      m |= EVENTFLAG_IS_LEFT;
      break;
    case VK_RWIN:
      m |= EVENTFLAG_IS_RIGHT;
      break;
    default:
      break;
  }
  return m;
}

}  // namespace mvcef
