#include "host/actions.h"

#include <gtest/gtest.h>

namespace mvhost {
namespace {

TEST(Actions, ParsesEachKind) {
  const ActionParse parsed =
      ParseActions("click:10,-20;type:hi there;ime:\xE4\xBD\xA0;wheel:5,6,-120;wait:250;back;forward;reload;load:about:blank");
  ASSERT_EQ(parsed.error, "");
  const std::vector<Action> expected = {
      Action{Action::kClick, 10, -20},      Action{Action::kType, 0, 0, 0, 0, "hi there"},
      Action{Action::kIme, 0, 0, 0, 0, "\xE4\xBD\xA0"}, Action{Action::kWheel, 5, 6, -120},
      Action{Action::kWait, 0, 0, 0, 250},  Action{Action::kBack},
      Action{Action::kForward},             Action{Action::kReload},
      Action{Action::kLoad, 0, 0, 0, 0, "about:blank"},
  };
  EXPECT_EQ(parsed.actions, expected);
}

TEST(Actions, EscapesAndEmptyItems) {
  const ActionParse parsed = ParseActions(";type:a\\;b\\\\c;;type:");
  ASSERT_EQ(parsed.error, "");
  ASSERT_EQ(parsed.actions.size(), 2u);
  EXPECT_EQ(parsed.actions[0].text, "a;b\\c");
  EXPECT_EQ(parsed.actions[1].text, "");  // typing nothing is allowed
  EXPECT_TRUE(ParseActions("").actions.empty());
}

TEST(Actions, RejectsMalformedItems) {
  const char* const bad[] = {
      "click",          "click:1",          "click:1,2,3",  "click:a,b",  "click:1,",
      "click:40000,1",  "wheel:1,2",        "wait:-1",      "wait:abc",   "wait:700000",
      "type",           "back:1",           "jump:1,2",     "load:",      "type:abc\\",
  };
  for (const char* item : bad) {
    const ActionParse parsed = ParseActions(std::string("click:1,1;") + item);
    EXPECT_NE(parsed.error, "") << item;
    EXPECT_TRUE(parsed.actions.empty()) << item;  // a bad list plays nothing at all
  }
}

}  // namespace
}  // namespace mvhost
