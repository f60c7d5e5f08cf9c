// CefString and the struct wrappers.
#include <gtest/gtest.h>

#include <string>

#include "include/cef_base.h"

namespace {

TEST(CefStringTest, Utf8InAndOut) {
  CefString s("\xE4\xB8\xAD\xF0\x9F\x98\x80");  // one BMP char, one surrogate pair
  EXPECT_EQ(3u, s.length());                     // UTF-16 units
  EXPECT_EQ(0x4E2D, s.c_str()[0]);
  EXPECT_EQ(0xD83D, s.c_str()[1]);
  EXPECT_EQ(0xDE00, s.c_str()[2]);
  EXPECT_EQ("\xE4\xB8\xAD\xF0\x9F\x98\x80", s.ToString());
  std::string implicit = s;
  EXPECT_EQ(s.ToString(), implicit);
}

TEST(CefStringTest, NullAndEmpty) {
  const char* null_text = nullptr;
  CefString from_null(null_text);
  EXPECT_TRUE(from_null.empty());
  EXPECT_EQ("", from_null.ToString());
  const wchar_t* null_wide = nullptr;
  EXPECT_TRUE(CefString(null_wide).empty());
  CefString empty;
  EXPECT_EQ(nullptr, empty.c_str());
  EXPECT_TRUE(empty == from_null);
  CefString assigned = "x";
  assigned = null_text;
  EXPECT_TRUE(assigned.empty());
}

TEST(CefStringTest, InvalidUtf8IsReplaced) {
  CefString s(std::string("a\xFF" "b"));
  EXPECT_EQ(3u, s.length());
  EXPECT_EQ(0xFFFD, s.c_str()[1]);
  EXPECT_FALSE(CefString().FromString(std::string("\xC0")));
}

TEST(CefStringTest, WideRoundTrip) {
  std::wstring wide = L"caf\u00E9 \U0001F600";
  CefString s(wide);
  EXPECT_EQ(7u, s.length());
  EXPECT_EQ(wide, s.ToWString());
  std::wstring implicit = s;
  EXPECT_EQ(wide, implicit);
  EXPECT_EQ("caf\xC3\xA9 \xF0\x9F\x98\x80", s.ToString());
}

TEST(CefStringTest, ComparesAndCopiesDeeply) {
  CefString a("abc");
  CefString b(a);
  EXPECT_TRUE(a == b);
  EXPECT_NE(a.c_str(), b.c_str());
  b = "abd";
  EXPECT_TRUE(a < b);
  EXPECT_TRUE(b > a);
  EXPECT_TRUE(a != b);
  EXPECT_TRUE(a == "abc");
  EXPECT_EQ("abc", a.ToString());
  a = a;  // self-assignment keeps the text
  EXPECT_EQ("abc", a.ToString());
  EXPECT_TRUE(CefString() < CefString("a"));
}

TEST(CefStringTest, StructConversions) {
  cef_string_t raw = {};
  cef_string_from_utf8("hello", 5, &raw);
  const cef_string_t* read_only = &raw;
  CefString copy(read_only);  // a const struct is copied
  cef_string_clear(&raw);
  EXPECT_EQ("hello", copy.ToString());

  cef_settings_t target = {};
  CefString(&target.locale) = "written through";  // a writable struct is referred to
  EXPECT_EQ("written through", CefString(static_cast<const cef_string_t*>(&target.locale)).ToString());
  cef_string_clear(&target.locale);

  CefString attached;
  cef_string_t owned = {};
  cef_string_from_ascii("xy", 2, &owned);
  attached.Attach(&owned, false);
  EXPECT_EQ("xy", attached.ToString());
  attached.Detach();
  cef_string_clear(&owned);

  CefString s("give away");
  cef_string_userfree_t uf = s.DetachToUserFree();
  ASSERT_NE(nullptr, uf);
  EXPECT_TRUE(s.empty());
  CefString back;
  back.AttachToUserFree(uf);
  EXPECT_EQ("give away", back.ToString());
}

TEST(CefStringTest, FromAsciiAndClear) {
  CefString s;
  EXPECT_TRUE(s.FromASCII("plain"));
  EXPECT_EQ("plain", s.ToString());
  s.clear();
  EXPECT_TRUE(s.empty());
}

TEST(StructWrappers, SettingsCopiesOwnTheirStrings) {
  CefSettings settings;
  EXPECT_EQ(sizeof(cef_settings_t), settings.size);
  CefString(&settings.browser_subprocess_path) = "/opt/game/mvcef/marovekcef";
  settings.no_sandbox = 1;
  CefSettings copy(settings);
  EXPECT_EQ(1, copy.no_sandbox);
  EXPECT_NE(settings.browser_subprocess_path.str, copy.browser_subprocess_path.str);
  EXPECT_EQ("/opt/game/mvcef/marovekcef", CefString(&copy.browser_subprocess_path).ToString());
  settings.Reset();
  EXPECT_EQ(0u, settings.browser_subprocess_path.length);
  EXPECT_EQ("/opt/game/mvcef/marovekcef", CefString(&copy.browser_subprocess_path).ToString());
  copy = copy;  // self-assignment must not free the strings
  EXPECT_EQ("/opt/game/mvcef/marovekcef", CefString(&copy.browser_subprocess_path).ToString());
}

TEST(StructWrappers, BrowserSettingsStartZeroedWithSize) {
  CefBrowserSettings s;
  EXPECT_EQ(sizeof(cef_browser_settings_t), s.size);
  EXPECT_EQ(0, s.windowless_frame_rate);
  EXPECT_EQ(STATE_DEFAULT, s.javascript);
  EXPECT_EQ(0u, s.default_encoding.length);
}

TEST(StructWrappers, RectRangeAndWindowInfo) {
  EXPECT_TRUE(CefRect(0, 0, 0, 10).IsEmpty());
  EXPECT_FALSE(CefRect(5, 5, 1, 1).IsEmpty());
  EXPECT_EQ(CefRect(1, 2, 3, 4), CefRect(1, 2, 3, 4));
  EXPECT_NE(CefRect(1, 2, 3, 4), CefRect(1, 2, 3, 5));

  CefRange invalid(0xFFFFFFFF, 0xFFFFFFFF);
  EXPECT_EQ(-1, invalid.from);
  EXPECT_EQ(-1, invalid.to);
  EXPECT_EQ(CefRange(-1, -1), invalid);

  CefWindowInfo windowless;
  windowless.SetAsWindowless(kNullWindowHandle, true);
  EXPECT_EQ(1, windowless.windowless_rendering_enabled);
  EXPECT_EQ(1, windowless.transparent_painting_enabled);
  CefWindowInfo copy(windowless);
  EXPECT_EQ(1, copy.windowless_rendering_enabled);

  CefWindowInfo child;
#if defined(OS_WIN)
  RECT r = {10, 20, 110, 220};
  child.SetAsChild(reinterpret_cast<HWND>(0x1234), r);
  EXPECT_EQ(static_cast<DWORD>(0x56010000), child.style);
#else
  child.SetAsChild(0x1234, CefRect(10, 20, 100, 200));
#endif
  EXPECT_EQ(10, static_cast<int>(child.x));
  EXPECT_EQ(20, static_cast<int>(child.y));
  EXPECT_EQ(100, static_cast<int>(child.width));
  EXPECT_EQ(200, static_cast<int>(child.height));
  EXPECT_EQ(0, child.windowless_rendering_enabled);
}

}  // namespace
