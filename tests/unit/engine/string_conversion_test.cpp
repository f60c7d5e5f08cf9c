// The C conversion functions: results and the success flag.
#include <gtest/gtest.h>

#include <string>

#include "include/internal/cef_string.h"
#include "common/utf.h"

namespace {

std::u16string ToU16(const std::string& utf8, int* ok) {
  cef_string_utf16_t out = {};
  *ok = cef_string_utf8_to_utf16(utf8.data(), utf8.size(), &out);
  std::u16string s(reinterpret_cast<const char16_t*>(out.str), out.length);
  cef_string_utf16_clear(&out);
  return s;
}

std::string ToU8(const std::u16string& utf16, int* ok) {
  cef_string_utf8_t out = {};
  *ok = cef_string_utf16_to_utf8(reinterpret_cast<const char16*>(utf16.data()), utf16.size(), &out);
  std::string s(out.str ? out.str : "", out.length);
  cef_string_utf8_clear(&out);
  return s;
}

struct Utf8Case {
  const char* name;
  std::string utf8;
  std::u16string utf16;
  bool valid;
};

TEST(StringConversion, Utf8ToUtf16Table) {
  const Utf8Case cases[] = {
      {"ascii", "Hello, world", u"Hello, world", true},
      {"empty", "", u"", true},
      {"chinese", "\xE4\xB8\xAD\xE6\x96\x87\xE6\xB5\x8B\xE8\xAF\x95", u"\u4E2D\u6587\u6D4B\u8BD5", true},
      {"emoji surrogate pair", "a\xF0\x9F\x98\x80z", u"a\U0001F600z", true},
      {"lone continuation", "a\x80z", u"a\uFFFDz", false},
      {"truncated 3-byte", "a\xE4\xB8", u"a\uFFFD", false},
      {"truncated then ascii", "\xE4\xB8z", u"\uFFFDz", false},
      {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD", false},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", false},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", false},
      {"invalid byte FF", "x\xFFy", u"x\uFFFDy", false},
  };
  for (const Utf8Case& c : cases) {
    int ok = -1;
    EXPECT_EQ(c.utf16, ToU16(c.utf8, &ok)) << c.name;
    EXPECT_EQ(c.valid ? 1 : 0, ok) << c.name;
  }
}

TEST(StringConversion, Utf16ToUtf8RoundTripsValidText) {
  const std::u16string samples[] = {u"plain", u"\u00E9t\u00E9", u"\u4E2D\u6587", u"\U0001F600\U0001F4A9", u""};
  for (const std::u16string& s : samples) {
    int ok = 0;
    std::string utf8 = ToU8(s, &ok);
    EXPECT_EQ(1, ok);
    int back_ok = 0;
    EXPECT_EQ(s, ToU16(utf8, &back_ok));
    EXPECT_EQ(1, back_ok);
  }
}

TEST(StringConversion, UnpairedSurrogatesBecomeReplacement) {
  int ok = 1;
  EXPECT_EQ("a\xEF\xBF\xBD" "b", ToU8(std::u16string(u"a") + char16_t(0xD800) + u"b", &ok));
  EXPECT_EQ(0, ok);
  EXPECT_EQ("\xEF\xBF\xBD", ToU8(std::u16string(1, char16_t(0xDC00)), &ok));
  EXPECT_EQ(0, ok);
  // A high surrogate at the very end.
  EXPECT_EQ("x\xEF\xBF\xBD", ToU8(std::u16string(u"x") + char16_t(0xDBFF), &ok));
  EXPECT_EQ(0, ok);
}

TEST(StringConversion, NullSourceGivesEmptyOutput) {
  cef_string_utf16_t out = {};
  cef_string_utf8_to_utf16("stale", 5, &out);
  EXPECT_EQ(1, cef_string_utf8_to_utf16(nullptr, 0, &out));
  EXPECT_EQ(0u, out.length);
  cef_string_utf16_clear(&out);

  cef_string_utf8_t out8 = {};
  EXPECT_EQ(1, cef_string_utf16_to_utf8(nullptr, 0, &out8));
  EXPECT_EQ(0u, out8.length);
}

TEST(StringConversion, WideConversionsMatchUtf16Ones) {
  const wchar_t* wide = L"Gr\u00FC\u00DFe \u4E16\u754C \U0001F30D";
  cef_string_utf16_t u16 = {};
  EXPECT_EQ(1, cef_string_wide_to_utf16(wide, wcslen(wide), &u16));
  EXPECT_EQ(std::u16string(u"Gr\u00FC\u00DFe \u4E16\u754C \U0001F30D"),
            std::u16string(reinterpret_cast<const char16_t*>(u16.str), u16.length));

  cef_string_wide_t back = {};
  EXPECT_EQ(1, cef_string_utf16_to_wide(u16.str, u16.length, &back));
  EXPECT_EQ(std::wstring(wide), std::wstring(back.str, back.length));

  cef_string_utf8_t u8 = {};
  EXPECT_EQ(1, cef_string_wide_to_utf8(wide, wcslen(wide), &u8));
  cef_string_wide_t from8 = {};
  EXPECT_EQ(1, cef_string_utf8_to_wide(u8.str, u8.length, &from8));
  EXPECT_EQ(std::wstring(wide), std::wstring(from8.str, from8.length));

  cef_string_utf16_clear(&u16);
  cef_string_wide_clear(&back);
  cef_string_utf8_clear(&u8);
  cef_string_wide_clear(&from8);
}

TEST(StringConversion, AsciiCopiesBytes) {
  cef_string_utf16_t out = {};
  EXPECT_EQ(1, cef_string_ascii_to_utf16("ab c", 4, &out));
  EXPECT_EQ(std::u16string(u"ab c"), std::u16string(reinterpret_cast<const char16_t*>(out.str), out.length));
  cef_string_utf16_clear(&out);
}

TEST(StringSet, CopyOwnsAndReferenceDoesNot) {
  char16 buffer[] = {'h', 'i', 0};
  cef_string_utf16_t copy = {};
  ASSERT_EQ(1, cef_string_utf16_set(buffer, 2, &copy, 1));
  EXPECT_NE(buffer, copy.str);
  EXPECT_NE(nullptr, copy.dtor);
  EXPECT_EQ(0, copy.str[2]);  // terminated
  buffer[0] = 'X';
  EXPECT_EQ('h', copy.str[0]);

  cef_string_utf16_t ref = {};
  ASSERT_EQ(1, cef_string_utf16_set(buffer, 2, &ref, 0));
  EXPECT_EQ(buffer, ref.str);
  EXPECT_EQ(nullptr, ref.dtor);
  cef_string_utf16_clear(&ref);  // must not free the buffer
  EXPECT_EQ(nullptr, ref.str);
  cef_string_utf16_clear(&copy);
  EXPECT_EQ(0u, copy.length);
}

TEST(StringSet, SettingFromItsOwnBufferKeepsTheText) {
  cef_string_utf8_t s = {};
  cef_string_utf8_set("abcdef", 6, &s, 1);
  ASSERT_EQ(1, cef_string_utf8_set(s.str + 2, 3, &s, 1));
  EXPECT_EQ("cde", std::string(s.str, s.length));
  cef_string_utf8_clear(&s);
}

TEST(StringCompare, OrdersByUnitsThenLength) {
  auto make = [](const char* text) {
    cef_string_utf16_t s = {};
    cef_string_utf8_to_utf16(text, strlen(text), &s);
    return s;
  };
  struct Case {
    const char* a;
    const char* b;
    int expected;
  } cases[] = {{"abc", "abc", 0}, {"abc", "abd", -1}, {"abd", "abc", 1}, {"ab", "abc", -1},
               {"abc", "ab", 1},  {"", "", 0},        {"", "a", -1},     {"\xC3\xA9", "z", 1}};
  for (const Case& c : cases) {
    cef_string_utf16_t a = make(c.a), b = make(c.b);
    EXPECT_EQ(c.expected, cef_string_utf16_cmp(&a, &b)) << c.a << " vs " << c.b;
    cef_string_utf16_clear(&a);
    cef_string_utf16_clear(&b);
  }
  cef_string_utf8_t x = {}, y = {};
  cef_string_utf8_set("\xC3\xA9", 2, &x, 1);  // bytes compare unsigned
  cef_string_utf8_set("z", 1, &y, 1);
  EXPECT_EQ(1, cef_string_utf8_cmp(&x, &y));
  cef_string_utf8_clear(&x);
  cef_string_utf8_clear(&y);
}

TEST(StringUserFree, AllocAndFreeReleaseTheText) {
  cef_string_userfree_utf16_t s = cef_string_userfree_utf16_alloc();
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(0u, s->length);
  cef_string_utf8_to_utf16("text", 4, s);
  cef_string_userfree_utf16_free(s);  // ASan checks the buffer is freed too
}

TEST(UtfRules, Utf32RejectsSurrogatesAndOutOfRange) {
  std::u16string out;
  const char32_t bad[] = {U'a', 0xD800, 0x110000, U'b'};
  EXPECT_FALSE(mvcommon::Utf32ToUtf16(bad, 4, &out));
  EXPECT_EQ(std::u16string(u"a\uFFFD\uFFFDb"), out);
}

}  // namespace
