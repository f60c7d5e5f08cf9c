// Pure rules of the browser client: which popups may reach the shell and how fast, and the error page.
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mvcefdll/error_page.h"
#include "mvcefdll/popup_policy.h"

namespace {

TEST(PopupPolicy, OnlyWebAndMailAddressesReachTheShell) {
  const struct {
    const char* url;
    bool allowed;
  } cases[] = {
      {"http://example.com/", true},
      {"https://example.com/a?b=c", true},
      {"HTTPS://EXAMPLE.COM", true},
      {"mailto:someone@example.com", true},
      {"https://\xE4\xB8\xAD\xE6\x96\x87.example/", true},
      {"file:///C:/Windows/System32/calc.exe", false},
      {"javascript:alert(1)", false},
      {"ms-settings:", false},
      {"steam://run/1", false},
      {"calc.exe", false},
      {"C:\\Windows\\notepad.exe", false},
      {"\\\\server\\share\\x.exe", false},
      {"", false},
      {":", false},
      {"http:calc.exe", false},
      {"http://", false},
      {" http://example.com", false},
  };
  for (const auto& c : cases) EXPECT_EQ(mvcef::MayOpenInShell(c.url), c.allowed) << c.url;
}

// Times in ms of popups without a gesture, and which of them reach the shell.
TEST(UngesturedPopupPace, AFewAtOnceThenOneASecond) {
  const struct {
    std::vector<int> at_ms;
    std::string opened;  // one digit per popup
  } cases[] = {
      {{0, 0, 0, 0, 0, 0}, "111100"},
      {{0, 0, 0, 0, 999, 1000, 1001, 2000}, "11110101"},
      {{0, 0, 0, 0, 0, 10000, 10000, 10000, 10000, 10000}, "1111011110"},  // a quiet while earns the burst again
      {{5000, 0, 0, 0, 0, 1000}, "111101"},  // a clock that goes back counts from there
  };
  for (const auto& c : cases) {
    mvcef::UngesturedPopupPace pace;
    std::string opened;
    for (int ms : c.at_ms)
      opened += pace.Take(mvcef::UngesturedPopupPace::Clock::time_point() + std::chrono::hours(1) +
                          std::chrono::milliseconds(ms))
                    ? '1'
                    : '0';
    EXPECT_EQ(opened, c.opened) << c.opened;
  }
}

TEST(ErrorPage, BuildsTheInlinePageWithTheSignedCode) {
  EXPECT_EQ(mvcef::ErrorPageHtml("http://nowhere.invalid/", "net::ERR_NAME_NOT_RESOLVED", -105),
            "<html><body bgcolor=\"white\"><h2>Failed to load URL http://nowhere.invalid/ with error "
            "net::ERR_NAME_NOT_RESOLVED (-105).</h2></body></html>");
  EXPECT_NE(mvcef::ErrorPageHtml("u", "e", 7).find("(7)."), std::string::npos);
}

TEST(ErrorPage, ShowsTheStartOfAnOverlongAddress) {
  struct Case {
    std::string url;
    std::string shown;
  } cases[] = {
      {std::string(900, 'a'), std::string(900, 'a')},
      {std::string(901, 'a'), std::string(900, 'a') + "..."},
      {std::string(3u << 20, 'a'), std::string(900, 'a') + "..."},
      // A character across the cut is left out whole.
      {std::string(899, 'a') + "\xC3\xA9" + "b", std::string(899, 'a') + "..."},
  };
  for (const Case& c : cases) {
    const std::string html = mvcef::ErrorPageHtml(c.url, "net::ERR_INVALID_URL", -300);
    EXPECT_EQ(html, "<html><body bgcolor=\"white\"><h2>Failed to load URL " + c.shown +
                        " with error net::ERR_INVALID_URL (-300).</h2></body></html>")
        << c.url.size();
  }
}

TEST(ErrorPage, AddressCannotInjectMarkup) {
  const std::string html = mvcef::ErrorPageHtml("http://x/\"><script>alert(1)</script>", "a&b", -2);
  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;"), std::string::npos);
  EXPECT_NE(html.find("a&amp;b"), std::string::npos);
}

}  // namespace
