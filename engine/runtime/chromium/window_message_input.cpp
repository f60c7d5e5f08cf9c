#include "engine/runtime/chromium/window_message_input.h"

namespace mvengine {
namespace chromium {

namespace {

// wParam's MK_ bits (winuser.h) and the flags they become.
constexpr struct {
  uint64_t mk;
  uint32_t flag;
} kMouseKeys[] = {{0x0001, EVENTFLAG_LEFT_MOUSE_BUTTON},
                  {0x0002, EVENTFLAG_RIGHT_MOUSE_BUTTON},
                  {0x0004, EVENTFLAG_SHIFT_DOWN},
                  {0x0008, EVENTFLAG_CONTROL_DOWN},
                  {0x0010, EVENTFLAG_MIDDLE_MOUSE_BUTTON}};

constexpr uint32_t kFromWparam = EVENTFLAG_LEFT_MOUSE_BUTTON | EVENTFLAG_RIGHT_MOUSE_BUTTON |
                                 EVENTFLAG_MIDDLE_MOUSE_BUTTON | EVENTFLAG_SHIFT_DOWN | EVENTFLAG_CONTROL_DOWN;

// Coordinates are signed 16-bit halves: left of or above the window they are negative.
int LowWord(int64_t value) { return static_cast<int16_t>(value & 0xFFFF); }
int HighWord(int64_t value) { return static_cast<int16_t>((value >> 16) & 0xFFFF); }

uint32_t MouseModifiers(uint64_t wparam, uint32_t held) {
  uint32_t modifiers = held & ~kFromWparam;
  for (const auto& k : kMouseKeys)
    if (wparam & k.mk) modifiers |= k.flag;
  return modifiers;
}

}  // namespace

WindowInput TranslateWindowMessage(unsigned message, uint64_t wparam, int64_t lparam, uint32_t held, int client_x,
                                   int client_y) {
  WindowInput in;
  in.mouse.x = LowWord(lparam);
  in.mouse.y = HighWord(lparam);
  in.mouse.modifiers = MouseModifiers(wparam, held);
  switch (message) {
    case kWmMouseMove:
      in.kind = WindowInput::Kind::kMouseMove;
      return in;
    case kWmMouseWheel:
    case kWmMouseHWheel: {
      in.kind = WindowInput::Kind::kMouseWheel;
      in.mouse.x -= client_x;
      in.mouse.y -= client_y;
      const int delta = HighWord(static_cast<int64_t>(wparam));
      // A sideways wheel's positive delta means right in Win32 but left for the page, as in
      // Chromium's own Windows port; with Shift held the wheel scrolls sideways.
      if (message == kWmMouseHWheel) in.delta_x = -delta;
      else if (in.mouse.modifiers & EVENTFLAG_SHIFT_DOWN) in.delta_x = delta;
      else in.delta_y = delta;
      return in;
    }
    default:
      break;
  }
  // Buttons: three messages each, down, up and double-click, in the order left, right, middle.
  if (message >= kWmLButtonDown && message <= kWmMButtonDblClk) {
    static constexpr cef_mouse_button_type_t kButtons[] = {MBT_LEFT, MBT_RIGHT, MBT_MIDDLE};
    const unsigned index = message - kWmLButtonDown;
    in.kind = WindowInput::Kind::kMouseClick;
    in.button = kButtons[index / 3];
    in.mouse_up = index % 3 == 1;
    in.click_count = index % 3 == 2 ? 2 : 1;
    return in;
  }
  in.mouse = CefMouseEvent();
  switch (message) {
    case kWmKeyDown:
    case kWmSysKeyDown:
      in.key.type = KEYEVENT_RAWKEYDOWN;
      break;
    case kWmKeyUp:
    case kWmSysKeyUp:
      in.key.type = KEYEVENT_KEYUP;
      break;
    case kWmChar:
    case kWmSysChar:
      in.key.type = KEYEVENT_CHAR;
      in.key.character = static_cast<char16>(wparam & 0xFFFF);
      in.key.unmodified_character = in.key.character;
      break;
    default:
      return in;  // kNone
  }
  in.kind = WindowInput::Kind::kKey;
  in.key.windows_key_code = static_cast<int>(wparam & 0xFFFF);
  in.key.native_key_code = static_cast<int>(lparam & 0xFFFFFFFF);
  in.key.is_system_key = message == kWmSysKeyDown || message == kWmSysKeyUp || message == kWmSysChar;
  in.key.modifiers = held;
  // The keypad's digits and operators (VK_NUMPAD0 to VK_DIVIDE).
  if (in.key.type != KEYEVENT_CHAR && in.key.windows_key_code >= 0x60 && in.key.windows_key_code <= 0x6F)
    in.key.modifiers |= EVENTFLAG_IS_KEY_PAD;
  return in;
}

}  // namespace chromium
}  // namespace mvengine
