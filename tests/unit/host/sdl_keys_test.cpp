#include "host/sdl_keys.h"

#include <gtest/gtest.h>

namespace mvhost {
namespace {

TEST(SdlKeys, PhysicalKeysToVirtualKeysAndMakeCodes) {
  struct Case {
    SDL_Scancode scancode;
    bool num_lock;
    int vk;
    unsigned scan;
    bool extended;
    int side_vk;
  };
  const Case cases[] = {
      {SDL_SCANCODE_A, false, 'A', 0x1E, false, 0},
      {SDL_SCANCODE_M, false, 'M', 0x32, false, 0},
      {SDL_SCANCODE_1, false, '1', 0x02, false, 0},
      {SDL_SCANCODE_0, false, '0', 0x0B, false, 0},
      {SDL_SCANCODE_F1, false, VK_F1, 0x3B, false, 0},
      {SDL_SCANCODE_F12, false, VK_F12, 0x58, false, 0},
      {SDL_SCANCODE_RETURN, false, VK_RETURN, 0x1C, false, 0},
      {SDL_SCANCODE_KP_ENTER, false, VK_RETURN, 0x1C, true, 0},
      {SDL_SCANCODE_LEFT, false, VK_LEFT, 0x4B, true, 0},
      {SDL_SCANCODE_KP_4, false, VK_LEFT, 0x4B, false, 0},     // keypad arrow, Num Lock off
      {SDL_SCANCODE_KP_4, true, VK_NUMPAD4, 0x4B, false, 0},
      {SDL_SCANCODE_KP_PERIOD, true, VK_DECIMAL, 0x53, false, 0},
      {SDL_SCANCODE_KP_PERIOD, false, VK_DELETE, 0x53, false, 0},
      {SDL_SCANCODE_DELETE, true, VK_DELETE, 0x53, true, 0},
      {SDL_SCANCODE_LSHIFT, false, VK_SHIFT, 0x2A, false, VK_LSHIFT},
      {SDL_SCANCODE_RSHIFT, false, VK_SHIFT, 0x36, false, VK_RSHIFT},
      {SDL_SCANCODE_LCTRL, false, VK_CONTROL, 0x1D, false, VK_LCONTROL},
      {SDL_SCANCODE_RCTRL, false, VK_CONTROL, 0x1D, true, VK_RCONTROL},
      {SDL_SCANCODE_RALT, false, VK_MENU, 0x38, true, VK_RMENU},
      {SDL_SCANCODE_SEMICOLON, false, 0xBA, 0x27, false, 0},
  };
  for (const Case& c : cases) {
    const Win32Key key = Win32KeyForScancode(c.scancode, c.num_lock);
    EXPECT_EQ(key.vk, c.vk) << "scancode " << static_cast<int>(c.scancode);
    EXPECT_EQ(key.scan_code, c.scan) << "scancode " << static_cast<int>(c.scancode);
    EXPECT_EQ(key.extended, c.extended) << "scancode " << static_cast<int>(c.scancode);
    EXPECT_EQ(key.side_vk, c.side_vk) << "scancode " << static_cast<int>(c.scancode);
  }
  EXPECT_EQ(Win32KeyForScancode(SDL_SCANCODE_UNKNOWN, false).vk, 0);
}

TEST(SdlKeys, ControlCharactersWindowsTypes) {
  EXPECT_EQ(ControlCharacter(VK_RETURN, false), u'\r');
  EXPECT_EQ(ControlCharacter(VK_BACK, false), 0x08);
  EXPECT_EQ(ControlCharacter(VK_TAB, false), u'\t');
  EXPECT_EQ(ControlCharacter(VK_ESCAPE, false), 0x1B);
  EXPECT_EQ(ControlCharacter('A', true), 0x01);
  EXPECT_EQ(ControlCharacter('Z', true), 0x1A);
  EXPECT_EQ(ControlCharacter('A', false), 0);  // SDL's text event types plain letters
  EXPECT_EQ(ControlCharacter(VK_LEFT, true), 0);
}

TEST(SdlKeys, SystemKeyMessagesWhileAltIsHeld) {
  EXPECT_EQ(KeyMessage('A', true, false), static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(KeyMessage('A', false, false), static_cast<UINT>(WM_KEYUP));
  EXPECT_EQ(KeyMessage('A', true, true), static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(KeyMessage(VK_MENU, false, false), static_cast<UINT>(WM_SYSKEYUP));
  EXPECT_EQ(KeyMessage(VK_F10, true, false), static_cast<UINT>(WM_SYSKEYDOWN));
}

}  // namespace
}  // namespace mvhost
