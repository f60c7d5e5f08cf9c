#include "mvcefdll/input_rules.h"

#include <gtest/gtest.h>

#include <map>

namespace mvcef {
namespace {

LPARAM Words(uint32_t low, uint32_t high) {
  return static_cast<LPARAM>(static_cast<int32_t>((high << 16) | (low & 0xFFFFu)));
}

TEST(InputRules, CoordinatesAreSignedWords) {
  struct Case {
    uint32_t low, high;
    int x, y;
  } cases[] = {
      {10, 0xFFF6, 10, -10},
      {0, 0, 0, 0},
      {0x7FFF, 0x7FFF, 32767, 32767},
      {0x8000, 0xFFFF, -32768, -1},
      {1919, 1079, 1919, 1079},
  };
  for (const Case& c : cases) {
    const LPARAM lp = Words(c.low, c.high);
    EXPECT_EQ(XFromLParam(lp), c.x) << std::hex << lp;
    EXPECT_EQ(YFromLParam(lp), c.y) << std::hex << lp;
  }
  // With the view at (5, 5) in the window: low 10, high -10 lands at (5, -15).
  const LPARAM lp = Words(10, 0xFFF6);
  EXPECT_EQ(LessOffset(XFromLParam(lp), 5), 5);
  EXPECT_EQ(LessOffset(YFromLParam(lp), 5), -15);
  // Offsets beyond any screen give the farthest point, not an overflow.
  EXPECT_EQ(LessOffset(0, INT32_MIN), INT32_MAX);
  EXPECT_EQ(LessOffset(-32768, INT32_MAX), INT32_MIN);
  EXPECT_EQ(LessOffset(32767, -100), 32867);
}

TEST(InputRules, WheelDeltaIsTheSignedHighWord) {
  EXPECT_EQ(WheelDelta(static_cast<WPARAM>((120u << 16) | MK_SHIFT)), 120);
  EXPECT_EQ(WheelDelta(static_cast<WPARAM>(0xFF88u << 16)), -120);
  EXPECT_EQ(WheelDelta(static_cast<WPARAM>((240u << 16) | MK_CONTROL | MK_LBUTTON)), 240);
  EXPECT_EQ(WheelDelta(0), 0);
}

TEST(InputRules, MouseModifiers) {
  struct Case {
    WPARAM wParam;
    bool alt, num, caps;
    uint32_t want;
  } cases[] = {
      {0, false, false, false, 0},
      {MK_SHIFT, false, false, false, EVENTFLAG_SHIFT_DOWN},
      {MK_CONTROL, false, false, false, EVENTFLAG_CONTROL_DOWN},
      {MK_LBUTTON, false, false, false, EVENTFLAG_LEFT_MOUSE_BUTTON},
      {MK_MBUTTON, false, false, false, EVENTFLAG_MIDDLE_MOUSE_BUTTON},
      {MK_RBUTTON, false, false, false, EVENTFLAG_RIGHT_MOUSE_BUTTON},
      {MK_XBUTTON1 | MK_XBUTTON2, false, false, false, 0},
      {0, true, false, false, EVENTFLAG_ALT_DOWN},
      {0, false, true, false, EVENTFLAG_NUM_LOCK_ON},
      {0, false, false, true, EVENTFLAG_CAPS_LOCK_ON},
      {0, false, true, true, EVENTFLAG_NUM_LOCK_ON | EVENTFLAG_CAPS_LOCK_ON},
      {MK_SHIFT | MK_CONTROL | MK_LBUTTON, false, false, false,
       EVENTFLAG_SHIFT_DOWN | EVENTFLAG_CONTROL_DOWN | EVENTFLAG_LEFT_MOUSE_BUTTON},
      // The wheel's delta in the high word is not a key bit.
      {static_cast<WPARAM>((0xFF88u << 16) | MK_SHIFT), false, false, false, EVENTFLAG_SHIFT_DOWN},
      {static_cast<WPARAM>(0xFFFFu << 16), false, false, false, 0},
      {MK_SHIFT | MK_CONTROL | MK_LBUTTON | MK_MBUTTON | MK_RBUTTON | MK_XBUTTON1, true, true, true,
       EVENTFLAG_SHIFT_DOWN | EVENTFLAG_CONTROL_DOWN | EVENTFLAG_ALT_DOWN | EVENTFLAG_LEFT_MOUSE_BUTTON |
           EVENTFLAG_MIDDLE_MOUSE_BUTTON | EVENTFLAG_RIGHT_MOUSE_BUTTON | EVENTFLAG_NUM_LOCK_ON |
           EVENTFLAG_CAPS_LOCK_ON},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MouseModifiers(c.wParam, c.alt, c.num, c.caps), c.want)
        << std::hex << "wParam " << c.wParam << " alt " << c.alt << " num " << c.num << " caps " << c.caps;
  }
}

TEST(InputRules, ButtonTypes) {
  struct Case {
    UINT message;
    cef_mouse_button_type_t press, release;
  } cases[] = {
      {WM_LBUTTONDOWN, MBT_LEFT, MBT_MIDDLE},
      {WM_RBUTTONDOWN, MBT_RIGHT, MBT_MIDDLE},
      {WM_MBUTTONDOWN, MBT_MIDDLE, MBT_MIDDLE},
      {WM_LBUTTONUP, MBT_MIDDLE, MBT_LEFT},
      {WM_RBUTTONUP, MBT_MIDDLE, MBT_RIGHT},
      {WM_MBUTTONUP, MBT_MIDDLE, MBT_MIDDLE},
      {WM_LBUTTONDBLCLK, MBT_MIDDLE, MBT_MIDDLE},
      {WM_RBUTTONDBLCLK, MBT_MIDDLE, MBT_MIDDLE},
      {0, MBT_MIDDLE, MBT_MIDDLE},
      {0xFFFFFFFFu, MBT_MIDDLE, MBT_MIDDLE},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ButtonForPress(c.message), c.press) << std::hex << c.message;
    EXPECT_EQ(ButtonForRelease(c.message), c.release) << std::hex << c.message;
  }
}

TEST(InputRules, FocusOnlyForSetFocus) {
  EXPECT_TRUE(FocusGained(0x0007));
  EXPECT_FALSE(FocusGained(0x0008));
  EXPECT_FALSE(FocusGained(0));
  EXPECT_FALSE(FocusGained(0x10007));
}

TEST(InputRules, KeyEventTypeAndSystemKey) {
  struct Case {
    UINT message;
    cef_key_event_type_t type;
    bool system;
  } cases[] = {
      {WM_KEYDOWN, KEYEVENT_RAWKEYDOWN, false},
      {WM_KEYUP, KEYEVENT_KEYUP, false},
      {WM_CHAR, KEYEVENT_CHAR, false},
      {WM_SYSKEYDOWN, KEYEVENT_RAWKEYDOWN, true},
      {WM_SYSKEYUP, KEYEVENT_KEYUP, true},
      {WM_SYSCHAR, KEYEVENT_CHAR, true},
      {0x0103 /* WM_DEADCHAR */, KEYEVENT_CHAR, false},
      {0x0107 /* WM_SYSDEADCHAR */, KEYEVENT_CHAR, false},
      {0x0109 /* WM_UNICHAR */, KEYEVENT_CHAR, false},
      {WM_LBUTTONDOWN, KEYEVENT_CHAR, false},
      {0, KEYEVENT_CHAR, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeyEventTypeFor(c.message), c.type) << std::hex << c.message;
    EXPECT_EQ(IsSystemKeyMessage(c.message), c.system) << std::hex << c.message;
  }
}

constexpr LPARAM kExtended = static_cast<LPARAM>(1) << 24;

TEST(InputRules, KeypadFlagByKeyAndExtendedBit) {
  struct Case {
    WPARAM key;
    bool plain, extended;  // keypad flag without / with the extended bit
  } cases[] = {
      {VK_RETURN, false, true},
      {VK_PRIOR, true, false}, {VK_NEXT, true, false}, {VK_END, true, false}, {VK_HOME, true, false},
      {VK_LEFT, true, false},  {VK_UP, true, false},   {VK_RIGHT, true, false}, {VK_DOWN, true, false},
      {VK_INSERT, true, false}, {VK_DELETE, true, false},
      {VK_CLEAR, true, true},   {VK_MULTIPLY, true, true}, {VK_ADD, true, true},
      {VK_SUBTRACT, true, true}, {VK_DECIMAL, true, true}, {VK_DIVIDE, true, true},
      {VK_NUMLOCK, true, true},
      {VK_SEPARATOR, false, false},
      {'a', true, true},   // the code of VK_NUMPAD1: a WM_CHAR of 'a' counts as keypad
      {'l', false, false}, // the code of VK_SEPARATOR
      {'A', false, false}, {'0', false, false}, {VK_SPACE, false, false}, {0x29, false, false},
      {0x2C, false, false}, {0x2F, false, false}, {0x5F, false, false}, {0x70, false, false},
      {0x91, false, false}, {VK_TAB, false, false}, {VK_BACK, false, false}, {VK_ESCAPE, false, false},
      {0, false, false},
  };
  KeyState none;
  for (const Case& c : cases) {
    const LPARAM lp = 0x001C0001;  // repeat 1, some scan code
    EXPECT_EQ(KeyModifiers(none, c.key, lp), c.plain ? uint32_t{EVENTFLAG_IS_KEY_PAD} : 0u)
        << std::hex << "key " << c.key;
    EXPECT_EQ(KeyModifiers(none, c.key, lp | kExtended), c.extended ? uint32_t{EVENTFLAG_IS_KEY_PAD} : 0u)
        << std::hex << "extended key " << c.key;
  }
  for (WPARAM k = VK_NUMPAD0; k <= VK_NUMPAD9; ++k) {
    EXPECT_EQ(KeyModifiers(none, k, 0), uint32_t{EVENTFLAG_IS_KEY_PAD}) << k;
    EXPECT_EQ(KeyModifiers(none, k, kExtended), uint32_t{EVENTFLAG_IS_KEY_PAD}) << k;
  }
  // Only bit 24 marks an extended key: the transition and context bits do not, nor does the
  // flag's own value sitting in the low word.
  EXPECT_EQ(KeyModifiers(none, VK_RETURN, KF_EXTENDED), 0u);
  EXPECT_EQ(KeyModifiers(none, VK_RETURN, static_cast<LPARAM>(static_cast<int32_t>(0xE0000000u))), 0u);
  EXPECT_EQ(KeyModifiers(none, VK_LEFT, static_cast<LPARAM>(static_cast<int32_t>(0xC1000001u))), 0u);
  EXPECT_EQ(KeyModifiers(none, VK_LEFT, static_cast<LPARAM>(static_cast<int32_t>(0xC0000001u))),
            uint32_t{EVENTFLAG_IS_KEY_PAD});
}

TEST(InputRules, HeldAndToggledKeys) {
  struct Case {
    bool KeyState::*field;
    uint32_t flag;
  } cases[] = {
      {&KeyState::shift, EVENTFLAG_SHIFT_DOWN},
      {&KeyState::control, EVENTFLAG_CONTROL_DOWN},
      {&KeyState::alt, EVENTFLAG_ALT_DOWN},
      {&KeyState::num_lock_on, EVENTFLAG_NUM_LOCK_ON},
      {&KeyState::caps_lock_on, EVENTFLAG_CAPS_LOCK_ON},
      // Side keys alone add nothing to an ordinary key.
      {&KeyState::left_shift, 0}, {&KeyState::right_shift, 0}, {&KeyState::left_control, 0},
      {&KeyState::right_control, 0}, {&KeyState::left_alt, 0}, {&KeyState::right_alt, 0},
  };
  uint32_t all = 0;
  KeyState every;
  for (const Case& c : cases) {
    KeyState k;
    k.*(c.field) = true;
    every.*(c.field) = true;
    all |= c.flag;
    EXPECT_EQ(KeyModifiers(k, 'A', 0), c.flag) << c.flag;
  }
  EXPECT_EQ(KeyModifiers(every, 'A', 0), all);
  // A keypad key keeps the held keys' flags.
  EXPECT_EQ(KeyModifiers(every, VK_NUMPAD5, 0), all | EVENTFLAG_IS_KEY_PAD);
}

TEST(InputRules, LeftAndRightModifierKeys) {
  auto keys = [](bool ls, bool rs, bool lc, bool rc, bool la, bool ra) {
    KeyState k;
    k.shift = ls || rs;
    k.control = lc || rc;
    k.alt = la || ra;
    k.left_shift = ls, k.right_shift = rs, k.left_control = lc, k.right_control = rc;
    k.left_alt = la, k.right_alt = ra;
    return k;
  };
  struct Case {
    KeyState keys;
    WPARAM key;
    uint32_t want;
  } cases[] = {
      {keys(true, false, false, false, false, false), VK_SHIFT, EVENTFLAG_SHIFT_DOWN | EVENTFLAG_IS_LEFT},
      {keys(false, true, false, false, false, false), VK_SHIFT, EVENTFLAG_SHIFT_DOWN | EVENTFLAG_IS_RIGHT},
      {keys(true, true, false, false, false, false), VK_SHIFT, EVENTFLAG_SHIFT_DOWN | EVENTFLAG_IS_LEFT},
      {keys(false, false, false, false, false, false), VK_SHIFT, 0},  // released: no side
      {keys(false, false, true, false, false, false), VK_CONTROL, EVENTFLAG_CONTROL_DOWN | EVENTFLAG_IS_LEFT},
      {keys(false, false, false, true, false, false), VK_CONTROL, EVENTFLAG_CONTROL_DOWN | EVENTFLAG_IS_RIGHT},
      {keys(false, false, false, false, true, false), VK_MENU, EVENTFLAG_ALT_DOWN | EVENTFLAG_IS_LEFT},
      {keys(false, false, false, false, false, true), VK_MENU, EVENTFLAG_ALT_DOWN | EVENTFLAG_IS_RIGHT},
      // Each side flag follows its own key only.
      {keys(false, false, true, false, false, false), VK_SHIFT, EVENTFLAG_CONTROL_DOWN},
      {keys(true, false, false, false, false, false), VK_MENU, EVENTFLAG_SHIFT_DOWN},
      {keys(false, false, false, false, false, true), VK_CONTROL, EVENTFLAG_ALT_DOWN},
      {keys(false, false, false, false, false, false), VK_LWIN, EVENTFLAG_IS_LEFT},
      {keys(false, false, false, false, false, false), VK_RWIN, EVENTFLAG_IS_RIGHT},
      {keys(false, true, false, false, false, false), VK_LWIN, EVENTFLAG_SHIFT_DOWN | EVENTFLAG_IS_LEFT},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeyModifiers(c.keys, c.key, 0), c.want) << std::hex << "key " << c.key;
    EXPECT_EQ(KeyModifiers(c.keys, c.key, kExtended), c.want) << std::hex << "extended key " << c.key;
  }
}

TEST(InputRules, ReadKeyStateSplitsHeldFromToggled) {
  std::map<int, unsigned short> state = {
      {VK_SHIFT, 0x0001},      // toggled, not held
      {VK_CONTROL, 0xFF80},    // held
      {VK_NUMLOCK, 0x0001},    // on
      {VK_CAPITAL, 0xFF81},    // held and on
      {VK_LSHIFT, 0x0000},
      {VK_RCONTROL, 0x8000},
      {VK_LMENU, 0x0001},
  };
  const KeyState k = ReadKeyState([&](int vk) { return static_cast<SHORT>(state[vk]); });
  EXPECT_FALSE(k.shift);
  EXPECT_TRUE(k.control);
  EXPECT_FALSE(k.alt);
  EXPECT_TRUE(k.num_lock_on);
  EXPECT_TRUE(k.caps_lock_on);
  EXPECT_FALSE(k.left_shift);
  EXPECT_FALSE(k.right_shift);
  EXPECT_FALSE(k.left_control);
  EXPECT_TRUE(k.right_control);
  EXPECT_FALSE(k.left_alt);
  EXPECT_FALSE(k.right_alt);
  EXPECT_EQ(KeyModifiers(k, VK_CONTROL, 0),
            uint32_t{EVENTFLAG_CONTROL_DOWN | EVENTFLAG_NUM_LOCK_ON | EVENTFLAG_CAPS_LOCK_ON | EVENTFLAG_IS_RIGHT});
}

}  // namespace
}  // namespace mvcef
