// UTF-8 and UTF-16 as every part of the project converts them.
#include "common/utf.h"

#include <gtest/gtest.h>

#include <vector>

namespace mvcommon {
namespace {

TEST(Utf, Utf8ToUtf16ReplacesEachMaximalIllFormedPart) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
    bool valid;
  };
  const Case cases[] = {
      {"", u"", true},
      {"hello", u"hello", true},
      {"caf\xC3\xA9", u"caf\u00E9", true},
      {"\xE4\xBD\xA0\xE5\xA5\xBD", u"\u4F60\u597D", true},
      {"\xF0\x9F\x98\x80", u"\xD83D\xDE00", true},  // one character outside the BMP
      {"a\xFF" "b", u"a\uFFFD" "b", false},           // not a lead byte
      {"\xC0\xAF", u"\uFFFD\uFFFD", false},           // overlong '/'
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false}, // an encoded surrogate
      {"x\xE4\xBD", u"x\uFFFD", false},               // cut short at the end: one part
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false},  // past U+10FFFF
  };
  for (const Case& c : cases) {
    std::u16string out;
    EXPECT_EQ(Utf8ToUtf16(c.utf8.data(), c.utf8.size(), &out), c.valid) << c.utf8;
    EXPECT_EQ(out, c.utf16) << c.utf8;
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
  }
}

TEST(Utf, Utf16ToUtf8EncodesEveryRangeAndReplacesLoneSurrogates) {
  struct Case {
    std::u16string in;
    std::string want;
  } cases[] = {
      {u"", ""},
      {std::u16string(1, u'\0'), std::string(1, '\0')},
      {u"\u007F\u0080\u07FF\u0800\uFFFF", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
      {u"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
      {std::u16string{0xD800}, "\xEF\xBF\xBD"},
      {std::u16string{0xDC00, u'a'}, "\xEF\xBF\xBD" "a"},
      {std::u16string{0xD83D, u'a', 0xDE00}, "\xEF\xBF\xBD" "a" "\xEF\xBF\xBD"},
      {std::u16string{0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},  // reversed pair
      {std::u16string{0xD83D, 0xD83D, 0xDE00}, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf16ToUtf8(c.in), c.want);
  const std::string text = "a\xC3\xA9\xE4\xBD\xA0\xF0\x9F\x98\x80";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
}

TEST(Utf, PrefixLengthNeverSplitsACharacter) {
  const std::string s = "ab\xE4\xB8\xAD" "c\xF0\x9F\x98\x80";  // a b 中 c 😀 : 2+3+1+4 = 10 bytes
  struct Case {
    size_t max;
    size_t expected;
  };
  const std::vector<Case> cases = {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {4, 2}, {5, 5},
                                   {6, 6}, {7, 6}, {9, 6}, {10, 10}, {11, 10}, {1000, 10}};
  for (const auto& c : cases) EXPECT_EQ(Utf8PrefixLength(s, c.max), c.expected) << "max " << c.max;
  // Bytes that form no character are cut where asked.
  EXPECT_EQ(Utf8PrefixLength(std::string("\x80\x80\x80\x80\x80", 5), 3), 3u);
}

}  // namespace
}  // namespace mvcommon
