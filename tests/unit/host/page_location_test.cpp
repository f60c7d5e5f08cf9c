#include "host/page_location.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/temp_dir.h"

namespace mvhost {
namespace {

class PageLocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Write(dir_ + "/page.html");
    Write(dir_ + "/a page #1.html");
    ASSERT_EQ(mkdir((dir_ + "/folder").c_str(), 0755), 0);
  }
  static void Write(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("<p>x</p>", f);
    std::fclose(f);
  }
  const mvtest::TempDir temp_{"mvhost_page"};
  const std::string dir_ = temp_.path().string();
};

TEST_F(PageLocationTest, RelativeAndAbsoluteFilesBecomeFileUrls) {
  EXPECT_EQ(ResolvePage("page.html", dir_).url, "file://" + dir_ + "/page.html");
  EXPECT_EQ(ResolvePage(dir_ + "/page.html", "/elsewhere").url, "file://" + dir_ + "/page.html");
  // Characters that mean something in a URL are escaped, so the file is what gets loaded.
  EXPECT_EQ(ResolvePage("a page #1.html", dir_).url, "file://" + dir_ + "/a%20page%20%231.html");
}

TEST_F(PageLocationTest, UnreadableFilesAreRefused) {
  struct Case {
    std::string page;
    const char* why;
  };
  const Case cases[] = {
      {"missing.html", "no such file"},
      {"folder", "not a regular file"},
      {"file://" + dir_ + "/missing.html", "no such file"},
      {"file://" + dir_ + "/folder", "not a regular file"},
      {"file://server/share/page.html", "only local files"},
      {"file:page.html", "expected file:///"},
      {"file://" + dir_ + "/bad%zz.html", "malformed percent escape"},
      {"", "empty"},
  };
  for (const Case& c : cases) {
    const PageLocation location = ResolvePage(c.page, dir_);
    EXPECT_EQ(location.url, "") << c.page;
    EXPECT_NE(location.error.find(c.why), std::string::npos) << c.page << ": " << location.error;
  }
}

TEST_F(PageLocationTest, FileUrlsAreCheckedAfterDecoding) {
  const std::string url = "file://" + dir_ + "/a%20page%20%231.html?x=1#top";
  const PageLocation location = ResolvePage(url, "/");
  EXPECT_EQ(location.error, "");
  EXPECT_EQ(location.url, url);
  EXPECT_EQ(ResolvePage("file://localhost" + dir_ + "/page.html", "/").error, "");
}

TEST_F(PageLocationTest, OtherUrlsPassAsGiven) {
  for (const char* url : {"https://example.com/a?b", "http://127.0.0.1:1/", "about:blank", "data:text/html,<p>x",
                          "HTTPS://EXAMPLE.COM"}) {
    const PageLocation location = ResolvePage(url, dir_);
    EXPECT_EQ(location.url, url);
    EXPECT_EQ(location.error, "");
  }
}

TEST(PageLocation, DemoPageLiesInTheSharedFolderBesideBin) {
  EXPECT_EQ(DemoPagePath("/opt/game/bin/mvhost"), "/opt/game/bin/../share/mvcef/pages/demo/index.html");
}

TEST(PageLocation, RecognisesTheLibrarysErrorPage) {
  EXPECT_EQ(LoadFailure("Failed to load URL http://x.invalid/ with error ERR_NAME_NOT_RESOLVED (-105)."),
            std::optional<std::string>("http://x.invalid/ with error ERR_NAME_NOT_RESOLVED (-105)"));
  EXPECT_TRUE(LoadFailure("\n  Failed to load URL a with error b (-3).\nmore").has_value());
  EXPECT_FALSE(LoadFailure("").has_value());
  EXPECT_FALSE(LoadFailure("Send us your feedback").has_value());
  EXPECT_FALSE(LoadFailure("Failed to load URL but nothing else").has_value());
  EXPECT_FALSE(LoadFailure("Please read: Failed to load URL x with error y").has_value());
}

}  // namespace
}  // namespace mvhost
