#include <windows.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "mvwin32/stand_in.h"

namespace {

class KeyStateTest : public ::testing::Test {
 protected:
  void SetUp() override { mvw32_reset(); }
  void TearDown() override { mvw32_clear_key_state(); }
};

TEST_F(KeyStateTest, HighBitMeansDownLowBitMeansToggled) {
  struct Case {
    BOOL down;
    BOOL toggled;
    uint16_t bits;
  };
  const std::vector<Case> cases = {{FALSE, FALSE, 0x0000}, {TRUE, FALSE, 0x8000}, {FALSE, TRUE, 0x0001},
                                   {TRUE, TRUE, 0x8001}};
  for (const auto& c : cases) {
    mvw32_set_key_state(VK_CAPITAL, c.down, c.toggled);
    const SHORT state = GetKeyState(VK_CAPITAL);
    EXPECT_EQ(static_cast<uint16_t>(state), c.bits);
    EXPECT_EQ(state < 0, c.down != FALSE);  // the usual "is it down" test
    EXPECT_EQ((state & 1) != 0, c.toggled != FALSE);
  }
}

TEST_F(KeyStateTest, KeysAreIndependentAndOutOfRangeReadsAsUp) {
  mvw32_set_key_state(VK_NUMLOCK, FALSE, TRUE);
  mvw32_set_key_state(VK_MENU, TRUE, FALSE);
  EXPECT_EQ(GetKeyState(VK_NUMLOCK), 1);
  EXPECT_LT(GetKeyState(VK_MENU), 0);
  EXPECT_EQ(GetKeyState(VK_CAPITAL), 0);
  EXPECT_EQ(GetKeyState(-1), 0);
  EXPECT_EQ(GetKeyState(256), 0);
  mvw32_set_key_state(300, TRUE, TRUE);  // ignored
  EXPECT_EQ(GetKeyState(300 & 0xFF), 0);
  mvw32_clear_key_state();
  EXPECT_EQ(GetKeyState(VK_NUMLOCK), 0);
  EXPECT_EQ(GetKeyState(VK_MENU), 0);
}

TEST_F(KeyStateTest, GenericModifiersAreDownWhileEitherSideIs) {
  struct Case {
    int side;
    int generic;
  };
  for (const Case c : {Case{VK_LSHIFT, VK_SHIFT}, Case{VK_RSHIFT, VK_SHIFT}, Case{VK_LCONTROL, VK_CONTROL},
                       Case{VK_RCONTROL, VK_CONTROL}, Case{VK_LMENU, VK_MENU}, Case{VK_RMENU, VK_MENU}}) {
    mvw32_clear_key_state();
    EXPECT_EQ(GetKeyState(c.generic), 0);
    mvw32_set_key_state(c.side, TRUE, FALSE);
    EXPECT_LT(GetKeyState(c.generic), 0) << c.side;
    EXPECT_LT(GetKeyState(c.side), 0);
  }
  // The other way round: the generic key says nothing about the sides.
  mvw32_clear_key_state();
  mvw32_set_key_state(VK_SHIFT, TRUE, FALSE);
  EXPECT_EQ(GetKeyState(VK_LSHIFT), 0);
  EXPECT_EQ(GetKeyState(VK_RSHIFT), 0);
}

TEST_F(KeyStateTest, EachThreadHasItsOwnTable) {
  mvw32_set_key_state(VK_SHIFT, TRUE, FALSE);
  std::thread([] {
    EXPECT_EQ(GetKeyState(VK_SHIFT), 0);
    mvw32_set_key_state(VK_CAPITAL, FALSE, TRUE);
    EXPECT_EQ(GetKeyState(VK_CAPITAL), 1);
  }).join();
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  EXPECT_EQ(GetKeyState(VK_CAPITAL), 0);
}

}  // namespace
