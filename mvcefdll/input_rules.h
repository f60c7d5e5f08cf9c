// How the host's Win32 input messages map onto the engine's mouse and key events: plain functions
// of the message values and of the key state, which the callers read live on the host's thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "include/internal/cef_types.h"

namespace mvcef {

// Client or screen coordinates packed into a mouse message's lParam, each a signed 16-bit word:
// positions left of or above the origin stay negative.
inline int XFromLParam(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
inline int YFromLParam(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

// A coordinate less the view's offset. Any offset a host passes gives a point, the farthest one
// in int range at worst, never an overflow.
inline int LessOffset(int coordinate, int offset) {
  const long long difference = static_cast<long long>(coordinate) - offset;
  return static_cast<int>(difference < INT32_MIN ? INT32_MIN : difference > INT32_MAX ? INT32_MAX : difference);
}

// Wheel distance of WM_MOUSEWHEEL (120 a notch, negative towards the user).
inline int WheelDelta(WPARAM wParam) { return static_cast<short>(HIWORD(wParam)); }

// Modifiers of a press, move, leave or wheel event: Shift, Ctrl and the buttons from the MK_* bits
// of wParam, Alt and the two locks from the live key state.
uint32_t MouseModifiers(WPARAM wParam, bool alt_down, bool num_lock_on, bool caps_lock_on);

// WM_LBUTTONDOWN and WM_RBUTTONDOWN name their buttons; any other message is the middle button.
cef_mouse_button_type_t ButtonForPress(UINT message);
// The same for WM_LBUTTONUP and WM_RBUTTONUP.
cef_mouse_button_type_t ButtonForRelease(UINT message);

// WM_SETFOCUS gives the page focus; anything else takes it away.
inline bool FocusGained(UINT message) { return message == WM_SETFOCUS; }

// Key downs are raw key downs, key ups key ups, and every other message a character.
cef_key_event_type_t KeyEventTypeFor(UINT message);
// WM_SYSKEYDOWN, WM_SYSKEYUP and WM_SYSCHAR.
bool IsSystemKeyMessage(UINT message);

// Live key state a key event depends on.
struct KeyState {
  bool shift = false;  // held
  bool control = false;
  bool alt = false;
  bool num_lock_on = false;  // toggled
  bool caps_lock_on = false;
  bool left_shift = false, right_shift = false;  // held, by side
  bool left_control = false, right_control = false;
  bool left_alt = false, right_alt = false;
};

// Reads KeyState through a GetKeyState-like function (int virtual key -> SHORT state; high bit
// held, low bit toggled).
template <typename GetKeyStateFn>
KeyState ReadKeyState(GetKeyStateFn get_key_state) {
  auto held = [&](int vk) { return (static_cast<unsigned short>(get_key_state(vk)) & 0x8000u) != 0; };
  auto on = [&](int vk) { return (static_cast<unsigned short>(get_key_state(vk)) & 0x0001u) != 0; };
  KeyState k;
  k.shift = held(VK_SHIFT);
  k.control = held(VK_CONTROL);
  k.alt = held(VK_MENU);
  k.num_lock_on = on(VK_NUMLOCK);
  k.caps_lock_on = on(VK_CAPITAL);
  k.left_shift = held(VK_LSHIFT);
  k.right_shift = held(VK_RSHIFT);
  k.left_control = held(VK_LCONTROL);
  k.right_control = held(VK_RCONTROL);
  k.left_alt = held(VK_LMENU);
  k.right_alt = held(VK_RMENU);
  return k;
}

// Modifiers of a key event: the held and toggled keys, plus the keypad or side flag that wParam,
// read as a virtual-key code whatever the message, and the extended bit of lParam call for.
uint32_t KeyModifiers(const KeyState& keys, WPARAM wParam, LPARAM lParam);

}  // namespace mvcef
