#include "command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(CommandLineTest, ArgumentsAreQuotedByTheWindowsRules) {
  struct Case {
    std::wstring arg;
    std::wstring expected;
  };
  const std::vector<Case> cases = {
      {L"--type=renderer", L"--type=renderer"},
      {L"", L"\"\""},
      {L"a b", L"\"a b\""},
      {L"tab\there", L"\"tab\there\""},
      {L"a\"b", L"\"a\\\"b\""},
      {L"C:\\dir\\file", L"C:\\dir\\file"},  // backslashes alone need nothing
      {L"a\\\"b", L"\"a\\\\\\\"b\""},        // a\"b -> "a\\\"b"
      {L"dir with space\\", L"\"dir with space\\\\\""},
      {L"x\\\\ y", L"\"x\\\\ y\""},          // backslashes not before a quote stay as they are
      {L"\u4E2D \u6587", L"\"\u4E2D \u6587\""},
  };
  for (const auto& c : cases) EXPECT_EQ(mvw32::QuoteArgument(c.arg, false), c.expected);
}

TEST(CommandLineTest, ProgramNameIsQuotedWithoutEscapes) {
  EXPECT_EQ(mvw32::QuoteArgument(L"/opt/game/bin/host", true), L"/opt/game/bin/host");
  EXPECT_EQ(mvw32::QuoteArgument(L"C:\\Program Files\\game\\", true), L"\"C:\\Program Files\\game\\\"");
  EXPECT_EQ(mvw32::QuoteArgument(L"odd \"name", true), L"\"odd name\"");
}

TEST(CommandLineTest, JoinSeparatesWithOneSpace) {
  EXPECT_EQ(mvw32::JoinCommandLine({L"/opt/my game/host", L"--type=renderer", L"two words", L""}),
            L"\"/opt/my game/host\" --type=renderer \"two words\" \"\"");
  EXPECT_EQ(mvw32::JoinCommandLine({}), L"");
}

}  // namespace
