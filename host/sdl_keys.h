// Keys of an SDL window as the Win32 key messages a Windows host receives for them.
#pragma once

#include <SDL2/SDL_keycode.h>
#include <SDL2/SDL_scancode.h>

#include <windows.h>

namespace mvhost {

struct Win32Key {
  int vk = 0;            // the virtual key in wParam (generic VK_SHIFT, not VK_LSHIFT)
  unsigned scan_code = 0;
  bool extended = false;
  int side_vk = 0;       // VK_LSHIFT, VK_RCONTROL, ... for modifiers: what the key state records
};

// The key at `scancode` (a physical position, US layout); vk 0 when Windows has none. The
// keypad's digits are navigation keys while Num Lock is off, as on Windows.
Win32Key Win32KeyForScancode(SDL_Scancode scancode, bool num_lock);

// The character Windows types with WM_CHAR for keys that SDL reports no text for: Enter,
// Backspace, Tab, Escape and Ctrl+letter; 0 for none.
char16_t ControlCharacter(int vk, bool control_held);

// WM_KEYDOWN/WM_KEYUP, or the WM_SYS forms while Alt is held (and for F10 and Alt itself).
UINT KeyMessage(int vk, bool down, bool alt_held);

}  // namespace mvhost
