// The engine's input events as DevTools Input-domain commands. Pure functions of
// values; the flag, button and key-event numbers are the engine API's own
// (EVENTFLAG_*, MBT_*, KEYEVENT_*), so this file needs none of its headers.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace mvengine {
namespace chromium {

using Json = nlohmann::json;

// EVENTFLAG_* bits to the protocol's modifiers (Alt=1, Ctrl=2, Meta=4, Shift=8).
int ProtocolModifiers(uint32_t event_flags);
// EVENTFLAG_*_MOUSE_BUTTON bits to the protocol's "buttons" mask (1 left, 2 right, 4 middle).
int ProtocolButtons(uint32_t event_flags);
// MBT_LEFT/MIDDLE/RIGHT (0/1/2) to "left"/"middle"/"right"; anything else "none".
const char* ProtocolButtonName(int mouse_button_type);

// Input.dispatchMouseEvent parameters.
Json MouseClickParams(int x, int y, uint32_t event_flags, int mouse_button_type, bool mouse_up,
                      int click_count);
Json MouseMoveParams(int x, int y, uint32_t event_flags, bool mouse_leave);
// The engine's wheel deltas are Windows-style (positive = up/left); the
// protocol's are DOM-style (positive = down/right).
Json MouseWheelParams(int x, int y, uint32_t event_flags, int delta_x, int delta_y);

struct KeyInput {
  int type = 0;  // KEYEVENT_RAWKEYDOWN 0, KEYDOWN 1, KEYUP 2, CHAR 3
  uint32_t modifiers = 0;
  int windows_key_code = 0;
  int native_key_code = 0;
  bool is_system_key = false;
  char16_t character = 0;
  char16_t unmodified_character = 0;
};

// Input.dispatchKeyEvent parameters. A CHAR event carries its character as
// "text" (which is what types it); the others carry "key"/"code" so that page
// handlers and editing keys (Backspace, arrows, Enter) behave.
Json KeyEventParams(const KeyInput& key);

// The DOM key name of a Windows virtual-key code ("Backspace", "ArrowLeft", "a"),
// or "" when there is none.
std::string DomKeyForVirtualKey(int windows_key_code, bool shift);
// The DOM code of a Windows virtual-key code ("KeyA", "Digit1", "Enter"), or "".
std::string DomCodeForVirtualKey(int windows_key_code);


}  // namespace chromium
}  // namespace mvengine
