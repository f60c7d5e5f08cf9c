// A windowed browser's own window messages as the page's input.
#include <gtest/gtest.h>

#include "engine/runtime/chromium/window_message_input.h"

namespace mvengine {
namespace chromium {
namespace {

using Kind = WindowInput::Kind;

int64_t Point(int x, int y) { return (static_cast<int64_t>(static_cast<uint16_t>(y)) << 16) | static_cast<uint16_t>(x); }
uint64_t Wheel(int delta, uint64_t mk = 0) { return (static_cast<uint64_t>(static_cast<uint16_t>(delta)) << 16) | mk; }

TEST(WindowMessageInput, MouseMessagesBecomeEventsAtTheirClientPoint) {
  const uint32_t alt = EVENTFLAG_ALT_DOWN, held_shift = EVENTFLAG_SHIFT_DOWN;
  const struct {
    const char* name;
    unsigned message;
    uint64_t wparam;
    int64_t lparam;
    uint32_t held;
    Kind kind;
    int x, y;
    uint32_t modifiers;
    cef_mouse_button_type_t button;
    bool up;
    int clicks, dx, dy;
  } cases[] = {
      {"move, left held, Ctrl", kWmMouseMove, 0x0009, Point(5, 7), alt, Kind::kMouseMove, 5, 7,
       EVENTFLAG_LEFT_MOUSE_BUTTON | EVENTFLAG_CONTROL_DOWN | alt, MBT_LEFT, false, 1, 0, 0},
      // Shift counts as wParam says, not as held when the message is read.
      {"left down left of the window", kWmLButtonDown, 0x0001, Point(-3, 4), held_shift, Kind::kMouseClick, -3, 4,
       EVENTFLAG_LEFT_MOUSE_BUTTON, MBT_LEFT, false, 1, 0, 0},
      {"left up", kWmLButtonUp, 0, Point(1, 2), 0, Kind::kMouseClick, 1, 2, 0, MBT_LEFT, true, 1, 0, 0},
      {"left double", kWmLButtonDblClk, 0x0001, Point(1, 2), 0, Kind::kMouseClick, 1, 2, EVENTFLAG_LEFT_MOUSE_BUTTON,
       MBT_LEFT, false, 2, 0, 0},
      {"right down", kWmRButtonDown, 0x0002, Point(1, 2), 0, Kind::kMouseClick, 1, 2, EVENTFLAG_RIGHT_MOUSE_BUTTON,
       MBT_RIGHT, false, 1, 0, 0},
      {"middle up", kWmMButtonUp, 0x0004, Point(1, 2), 0, Kind::kMouseClick, 1, 2, EVENTFLAG_SHIFT_DOWN, MBT_MIDDLE,
       true, 1, 0, 0},
      // Wheels carry screen coordinates; the client area starts at (100, 50).
      {"wheel away", kWmMouseWheel, Wheel(120), Point(110, 60), 0, Kind::kMouseWheel, 10, 10, 0, MBT_LEFT, false, 1,
       0, 120},
      {"wheel towards", kWmMouseWheel, Wheel(-240), Point(90, 40), 0, Kind::kMouseWheel, -10, -10, 0, MBT_LEFT, false,
       1, 0, -240},
      {"Shift wheel", kWmMouseWheel, Wheel(120, 0x0004), Point(100, 50), 0, Kind::kMouseWheel, 0, 0,
       EVENTFLAG_SHIFT_DOWN, MBT_LEFT, false, 1, 120, 0},
      {"wheel right", kWmMouseHWheel, Wheel(120), Point(100, 50), 0, Kind::kMouseWheel, 0, 0, 0, MBT_LEFT, false, 1,
       -120, 0},
  };
  for (const auto& c : cases) {
    const WindowInput in = TranslateWindowMessage(c.message, c.wparam, c.lparam, c.held, 100, 50);
    EXPECT_EQ(in.kind, c.kind) << c.name;
    EXPECT_EQ(in.mouse.x, c.x) << c.name;
    EXPECT_EQ(in.mouse.y, c.y) << c.name;
    EXPECT_EQ(in.mouse.modifiers, c.modifiers) << c.name;
    if (c.kind == Kind::kMouseClick) {
      EXPECT_EQ(in.button, c.button) << c.name;
      EXPECT_EQ(in.mouse_up, c.up) << c.name;
      EXPECT_EQ(in.click_count, c.clicks) << c.name;
    }
    EXPECT_EQ(in.delta_x, c.dx) << c.name;
    EXPECT_EQ(in.delta_y, c.dy) << c.name;
  }
}

TEST(WindowMessageInput, KeyMessagesBecomeKeyEvents) {
  const uint32_t ctrl = EVENTFLAG_CONTROL_DOWN;
  const struct {
    unsigned message;
    uint64_t wparam;
    cef_key_event_type_t type;
    bool system;
    char16 character;
    uint32_t modifiers;
  } cases[] = {
      {kWmKeyDown, 0x41, KEYEVENT_RAWKEYDOWN, false, 0, ctrl},
      {kWmKeyUp, 0x41, KEYEVENT_KEYUP, false, 0, ctrl},
      {kWmChar, 0x4E2D, KEYEVENT_CHAR, false, 0x4E2D, ctrl},  // a character beyond Latin
      {kWmSysKeyDown, 0x12, KEYEVENT_RAWKEYDOWN, true, 0, ctrl},
      {kWmSysChar, 0x61, KEYEVENT_CHAR, true, 0x61, ctrl},
      {kWmKeyDown, 0x65, KEYEVENT_RAWKEYDOWN, false, 0, ctrl | EVENTFLAG_IS_KEY_PAD},  // VK_NUMPAD5
  };
  for (const auto& c : cases) {
    const WindowInput in = TranslateWindowMessage(c.message, c.wparam, 0x001E0001, ctrl, 0, 0);
    ASSERT_EQ(in.kind, Kind::kKey) << c.message;
    EXPECT_EQ(in.key.type, c.type) << c.message;
    EXPECT_EQ(in.key.windows_key_code, static_cast<int>(c.wparam)) << c.message;
    EXPECT_EQ(in.key.native_key_code, 0x001E0001) << c.message;
    EXPECT_EQ(in.key.is_system_key != 0, c.system) << c.message;
    EXPECT_EQ(in.key.character, c.character) << c.message;
    EXPECT_EQ(in.key.modifiers, c.modifiers) << c.message;
  }
  EXPECT_EQ(TranslateWindowMessage(0x0010 /* WM_CLOSE */, 0, 0, 0, 0, 0).kind, Kind::kNone);
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
