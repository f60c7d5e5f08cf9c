#include "text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(TextTest, Utf8AndWideRoundTripMixedScripts) {
  const std::string utf8 = "ab\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x98\x80!";  // ab中文 😀!
  const std::wstring wide = mvw32::WideFromUtf8(utf8);
  EXPECT_EQ(wide, (std::wstring{L'a', L'b', 0x4E2D, 0x6587, L' ', static_cast<wchar_t>(0x1F600), L'!'}));
  EXPECT_EQ(mvw32::Utf8FromWide(wide), utf8);
}

TEST(TextTest, MalformedUtf8BecomesReplacementCharacters) {
  struct Case {
    const char* name;
    std::string input;
    std::wstring expected;
  };
  const wchar_t r = 0xFFFD;
  const std::vector<Case> cases = {
      {"overlong NUL", std::string("\xC0\x80", 2), {r, r}},
      {"encoded surrogate", "\xED\xA0\x80", {r, r, r}},
      {"cut sequence at end", "x\xE4\xB8", {L'x', r}},  // one maximal ill-formed subpart
      {"stray continuation", "\x80" "a", {r, L'a'}},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", {r, r, r, r}},
      {"invalid lead byte", "\xFF" "b", {r, L'b'}},
  };
  for (const auto& c : cases) EXPECT_EQ(mvw32::WideFromUtf8(c.input), c.expected) << c.name;
}

TEST(TextTest, WideValuesThatAreNoCharactersEncodeAsReplacement) {
  EXPECT_EQ(mvw32::Utf8FromWide(std::wstring{static_cast<wchar_t>(0xD800)}), "\xEF\xBF\xBD");
  EXPECT_EQ(mvw32::Utf8FromWide(std::wstring{static_cast<wchar_t>(0x110000)}), "\xEF\xBF\xBD");
  EXPECT_EQ(mvw32::Utf8FromWide(std::wstring{static_cast<wchar_t>(0x7FF), static_cast<wchar_t>(0x800)}),
            "\xDF\xBF\xE0\xA0\x80");
}

TEST(TextTest, Utf16PairsJoinAndLoneSurrogatesAreReplaced) {
  const uint16_t pair[] = {0xD83D, 0xDE00, 0x4E2D};
  EXPECT_EQ(mvw32::WideFromUtf16(pair, 3), (std::wstring{static_cast<wchar_t>(0x1F600), 0x4E2D}));
  const uint16_t lone_high_at_end[] = {L'a', 0xD83D};
  EXPECT_EQ(mvw32::WideFromUtf16(lone_high_at_end, 2), (std::wstring{L'a', 0xFFFD}));
  const uint16_t lone_low[] = {0xDE00, L'b'};
  EXPECT_EQ(mvw32::WideFromUtf16(lone_low, 2), (std::wstring{0xFFFD, L'b'}));
  const uint16_t high_then_letter[] = {0xD83D, L'c'};
  EXPECT_EQ(mvw32::WideFromUtf16(high_then_letter, 2), (std::wstring{0xFFFD, L'c'}));
  EXPECT_EQ(mvw32::WideFromUtf16(nullptr, 5), L"");
}

}  // namespace
