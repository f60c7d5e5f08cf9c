#include "host/win32_input.h"

#include <gtest/gtest.h>

namespace mvhost {
namespace {

TEST(Win32Input, MousePositionsKeepTheirSignInBothWords) {
  const LPARAM lp = PointLParam(-10, 300);
  EXPECT_EQ(GET_X_LPARAM(lp), -10);
  EXPECT_EQ(GET_Y_LPARAM(lp), 300);
  const LPARAM corner = PointLParam(799, -1);
  EXPECT_EQ(GET_X_LPARAM(corner), 799);
  EXPECT_EQ(GET_Y_LPARAM(corner), -1);
}

TEST(Win32Input, MouseKeyStateUsesTheMkBits) {
  EXPECT_EQ(MouseKeyState({}, false, false), 0u);
  EXPECT_EQ(MouseKeyState({true, false, false}, false, false), static_cast<WPARAM>(MK_LBUTTON));
  EXPECT_EQ(MouseKeyState({false, true, true}, true, true),
            static_cast<WPARAM>(MK_RBUTTON | MK_MBUTTON | MK_SHIFT | MK_CONTROL));
}

TEST(Win32Input, WheelDistanceIsTheSignedHighWord) {
  const WPARAM toward_user = WheelWParam(MK_SHIFT, -240);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(toward_user), -240);
  EXPECT_EQ(GET_KEYSTATE_WPARAM(toward_user), static_cast<WORD>(MK_SHIFT));
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(WheelWParam(0, 120)), 120);
}

TEST(Win32Input, KeyLParamBits) {
  struct Case {
    KeyFlags flags;
    uint32_t expected;
  };
  const Case cases[] = {
      {{0x1E}, 0x001E0001u},                                // 'A' pressed
      {{0x1E, false, false, true, true}, 0xC01E0001u},      // 'A' released
      {{0x4B, true}, 0x014B0001u},                          // left arrow, extended
      {{0x38, true, true}, 0x21380001u},                    // right Alt held
      {{0x1E, false, false, true, false, 3}, 0x401E0003u},  // auto-repeat
  };
  for (const Case& c : cases) EXPECT_EQ(static_cast<uint32_t>(KeyLParam(c.flags)), c.expected) << std::hex << c.expected;
}

TEST(Win32Input, KeysOfAUsLayout) {
  struct Case {
    char16_t c;
    int vk;
    unsigned scan;
    bool shift;
  };
  const Case cases[] = {
      {u'a', 'A', 0x1E, false}, {u'Z', 'Z', 0x2C, true},   {u'0', '0', 0x0B, false},
      {u'!', '1', 0x02, true},  {u' ', VK_SPACE, 0x39, false}, {u'\n', VK_RETURN, 0x1C, false},
      {u'?', 0xBF, 0x35, true}, {u';', 0xBA, 0x27, false}, {u'"', 0xDE, 0x28, true},
  };
  for (const Case& c : cases) {
    const PhysicalKey key = KeyForCharacter(c.c);
    EXPECT_EQ(key.vk, c.vk) << static_cast<int>(c.c);
    EXPECT_EQ(key.scan_code, c.scan) << static_cast<int>(c.c);
    EXPECT_EQ(key.shift, c.shift) << static_cast<int>(c.c);
  }
  EXPECT_EQ(KeyForCharacter(u'\u00E9').vk, 0);
}

std::vector<WinMessage> Messages(const std::vector<KeyStep>& steps) {
  std::vector<WinMessage> out;
  for (const KeyStep& s : steps)
    if (s.kind == KeyStep::kMessage) out.push_back(s.message);
  return out;
}

TEST(Win32Input, TypingALowerCaseLetter) {
  const std::vector<KeyStep> steps = TypingSteps(u"a");
  const std::vector<WinMessage> expected = {
      {WM_KEYDOWN, 'A', static_cast<LPARAM>(0x001E0001)},
      {WM_CHAR, 'a', static_cast<LPARAM>(0x001E0001)},
      {WM_KEYUP, 'A', static_cast<LPARAM>(static_cast<int32_t>(0xC01E0001u))},
  };
  EXPECT_EQ(Messages(steps), expected);
  EXPECT_EQ(steps.size(), expected.size());  // no key state change without Shift
}

TEST(Win32Input, TypingACapitalHoldsShiftAroundTheKey) {
  const std::vector<KeyStep> steps = TypingSteps(u"A");
  ASSERT_EQ(steps.size(), 7u);
  EXPECT_EQ(steps[0].kind, KeyStep::kKeyState);
  EXPECT_EQ(steps[0].vk, VK_LSHIFT);
  EXPECT_TRUE(steps[0].down);
  EXPECT_EQ(steps[1].message.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(steps[1].message.wparam, static_cast<WPARAM>(VK_SHIFT));
  EXPECT_EQ(steps[3].message, (WinMessage{WM_CHAR, 'A', static_cast<LPARAM>(0x001E0001)}));
  // Shift goes up in the key state before its key-up message, as Windows reports it.
  EXPECT_EQ(steps[5].kind, KeyStep::kKeyState);
  EXPECT_FALSE(steps[5].down);
  EXPECT_EQ(steps[6].message.message, static_cast<UINT>(WM_KEYUP));
  EXPECT_EQ(steps[6].message.wparam, static_cast<WPARAM>(VK_SHIFT));
}

TEST(Win32Input, EnterTypesACarriageReturn) {
  const std::vector<WinMessage> m = Messages(TypingSteps(u"\n"));
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].wparam, static_cast<WPARAM>(VK_RETURN));
  EXPECT_EQ(m[1], (WinMessage{WM_CHAR, u'\r', m[0].lparam}));
}

TEST(Win32Input, CharactersWithoutAKeyComeAsPackets) {
  const std::vector<WinMessage> accented = Messages(TypingSteps(u"\u00E9"));
  ASSERT_EQ(accented.size(), 3u);
  EXPECT_EQ(accented[0].wparam, 0xE7u);
  EXPECT_EQ(accented[1].message, static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(accented[1].wparam, 0xE9u);

  // Both halves of a surrogate pair travel inside one key press.
  const std::vector<WinMessage> emoji = Messages(TypingSteps(u"\xD83D\xDE00" "b"));
  ASSERT_EQ(emoji.size(), 7u);
  EXPECT_EQ(emoji[1].wparam, 0xD83Du);
  EXPECT_EQ(emoji[2].wparam, 0xDE00u);
  EXPECT_EQ(emoji[3].message, static_cast<UINT>(WM_KEYUP));
  EXPECT_EQ(emoji[5], (WinMessage{WM_CHAR, 'b', static_cast<LPARAM>(0x00300001)}));
}

}  // namespace
}  // namespace mvhost
