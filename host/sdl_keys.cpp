#include "host/sdl_keys.h"

namespace mvhost {
namespace {

constexpr unsigned char kLetterScan[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                           0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                           0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

struct Entry {
  SDL_Scancode scancode;
  Win32Key key;
};

// Extended (E0-prefixed) keys: the arrow and navigation blocks, right Ctrl/Alt, the Windows
// keys, the keypad's Enter and divide, Num Lock.
constexpr Entry kKeys[] = {
    {SDL_SCANCODE_RETURN, {VK_RETURN, 0x1C}},
    {SDL_SCANCODE_ESCAPE, {VK_ESCAPE, 0x01}},
    {SDL_SCANCODE_BACKSPACE, {VK_BACK, 0x0E}},
    {SDL_SCANCODE_TAB, {VK_TAB, 0x0F}},
    {SDL_SCANCODE_SPACE, {VK_SPACE, 0x39}},
    {SDL_SCANCODE_MINUS, {0xBD, 0x0C}},
    {SDL_SCANCODE_EQUALS, {0xBB, 0x0D}},
    {SDL_SCANCODE_LEFTBRACKET, {0xDB, 0x1A}},
    {SDL_SCANCODE_RIGHTBRACKET, {0xDD, 0x1B}},
    {SDL_SCANCODE_BACKSLASH, {0xDC, 0x2B}},
    {SDL_SCANCODE_SEMICOLON, {0xBA, 0x27}},
    {SDL_SCANCODE_APOSTROPHE, {0xDE, 0x28}},
    {SDL_SCANCODE_GRAVE, {0xC0, 0x29}},
    {SDL_SCANCODE_COMMA, {0xBC, 0x33}},
    {SDL_SCANCODE_PERIOD, {0xBE, 0x34}},
    {SDL_SCANCODE_SLASH, {0xBF, 0x35}},
    {SDL_SCANCODE_CAPSLOCK, {VK_CAPITAL, 0x3A}},
    {SDL_SCANCODE_F11, {VK_F11, 0x57}},
    {SDL_SCANCODE_F12, {VK_F12, 0x58}},
    {SDL_SCANCODE_SCROLLLOCK, {VK_SCROLL, 0x46}},
    {SDL_SCANCODE_PAUSE, {VK_PAUSE, 0x45}},
    {SDL_SCANCODE_INSERT, {VK_INSERT, 0x52, true}},
    {SDL_SCANCODE_HOME, {VK_HOME, 0x47, true}},
    {SDL_SCANCODE_PAGEUP, {VK_PRIOR, 0x49, true}},
    {SDL_SCANCODE_DELETE, {VK_DELETE, 0x53, true}},
    {SDL_SCANCODE_END, {VK_END, 0x4F, true}},
    {SDL_SCANCODE_PAGEDOWN, {VK_NEXT, 0x51, true}},
    {SDL_SCANCODE_RIGHT, {VK_RIGHT, 0x4D, true}},
    {SDL_SCANCODE_LEFT, {VK_LEFT, 0x4B, true}},
    {SDL_SCANCODE_DOWN, {VK_DOWN, 0x50, true}},
    {SDL_SCANCODE_UP, {VK_UP, 0x48, true}},
    {SDL_SCANCODE_NUMLOCKCLEAR, {VK_NUMLOCK, 0x45, true}},
    {SDL_SCANCODE_KP_DIVIDE, {VK_DIVIDE, 0x35, true}},
    {SDL_SCANCODE_KP_MULTIPLY, {VK_MULTIPLY, 0x37}},
    {SDL_SCANCODE_KP_MINUS, {VK_SUBTRACT, 0x4A}},
    {SDL_SCANCODE_KP_PLUS, {VK_ADD, 0x4E}},
    {SDL_SCANCODE_KP_ENTER, {VK_RETURN, 0x1C, true}},
    {SDL_SCANCODE_APPLICATION, {VK_APPS, 0x5D, true}},
    {SDL_SCANCODE_LCTRL, {VK_CONTROL, 0x1D, false, VK_LCONTROL}},
    {SDL_SCANCODE_LSHIFT, {VK_SHIFT, 0x2A, false, VK_LSHIFT}},
    {SDL_SCANCODE_LALT, {VK_MENU, 0x38, false, VK_LMENU}},
    {SDL_SCANCODE_LGUI, {VK_LWIN, 0x5B, true}},
    {SDL_SCANCODE_RCTRL, {VK_CONTROL, 0x1D, true, VK_RCONTROL}},
    {SDL_SCANCODE_RSHIFT, {VK_SHIFT, 0x36, false, VK_RSHIFT}},
    {SDL_SCANCODE_RALT, {VK_MENU, 0x38, true, VK_RMENU}},
    {SDL_SCANCODE_RGUI, {VK_RWIN, 0x5C, true}},
};

// Keypad 1-9, 0 and the decimal point: make code, the key with Num Lock on, and off.
struct KeypadKey {
  SDL_Scancode scancode;
  unsigned scan_code;
  int vk_on, vk_off;
};
constexpr KeypadKey kKeypad[] = {
    {SDL_SCANCODE_KP_1, 0x4F, VK_NUMPAD1, VK_END},    {SDL_SCANCODE_KP_2, 0x50, VK_NUMPAD2, VK_DOWN},
    {SDL_SCANCODE_KP_3, 0x51, VK_NUMPAD3, VK_NEXT},   {SDL_SCANCODE_KP_4, 0x4B, VK_NUMPAD4, VK_LEFT},
    {SDL_SCANCODE_KP_5, 0x4C, VK_NUMPAD5, VK_CLEAR},  {SDL_SCANCODE_KP_6, 0x4D, VK_NUMPAD6, VK_RIGHT},
    {SDL_SCANCODE_KP_7, 0x47, VK_NUMPAD7, VK_HOME},   {SDL_SCANCODE_KP_8, 0x48, VK_NUMPAD8, VK_UP},
    {SDL_SCANCODE_KP_9, 0x49, VK_NUMPAD9, VK_PRIOR},  {SDL_SCANCODE_KP_0, 0x52, VK_NUMPAD0, VK_INSERT},
    {SDL_SCANCODE_KP_PERIOD, 0x53, VK_DECIMAL, VK_DELETE},
};

}  // namespace

Win32Key Win32KeyForScancode(SDL_Scancode scancode, bool num_lock) {
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
    const int index = scancode - SDL_SCANCODE_A;
    return {'A' + index, kLetterScan[index]};
  }
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
    const int index = scancode - SDL_SCANCODE_1;
    return {'1' + index, 0x02u + index};
  }
  if (scancode == SDL_SCANCODE_0) return {'0', 0x0B};
  if (scancode >= SDL_SCANCODE_F1 && scancode <= SDL_SCANCODE_F10) {
    const int index = scancode - SDL_SCANCODE_F1;
    return {VK_F1 + index, 0x3Bu + index};
  }
  for (const KeypadKey& k : kKeypad)
    if (k.scancode == scancode) return {num_lock ? k.vk_on : k.vk_off, k.scan_code};
  for (const Entry& e : kKeys)
    if (e.scancode == scancode) return e.key;
  return {};
}

char16_t ControlCharacter(int vk, bool control_held) {
  switch (vk) {
    case VK_RETURN: return u'\r';
    case VK_BACK: return 0x08;
    case VK_TAB: return u'\t';
    case VK_ESCAPE: return 0x1B;
    default: break;
  }
  if (control_held && vk >= 'A' && vk <= 'Z') return static_cast<char16_t>(vk - 'A' + 1);
  return 0;
}

UINT KeyMessage(int vk, bool down, bool alt_held) {
  const bool system = alt_held || vk == VK_F10 || vk == VK_MENU;
  if (down) return system ? WM_SYSKEYDOWN : WM_KEYDOWN;
  return system ? WM_SYSKEYUP : WM_KEYUP;
}

}  // namespace mvhost
