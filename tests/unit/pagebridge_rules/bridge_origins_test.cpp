#include "pagebridge/bridge_origins.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using mvcef::BridgeAllowed;
using mvcef::OriginOfUrl;
using mvcef::ParseOriginList;

TEST(BridgeOrigins, EntriesBecomeNormalFormsAndAnythingElseIsRejected) {
  const struct {
    const char* entry;
    const char* origin;  // null: rejected
  } cases[] = {
      {"https://feedback.example.com", "https://feedback.example.com"},
      {"HTTPS://Feedback.Example.COM/", "https://feedback.example.com"},
      {"https://feedback.example.com:443", "https://feedback.example.com"},
      {"http://127.0.0.1:80", "http://127.0.0.1"},
      {"http://127.0.0.1:8080", "http://127.0.0.1:8080"},
      {"https://127.0.0.1:80", "https://127.0.0.1:80"},
      {"http://[::1]:8080", "http://[::1]:8080"},
      {"http://xn--fiqs8s.example", "http://xn--fiqs8s.example"},
      {"file://", "file://"},
      {"FILE:///", "file://"},
      {"https://feedback.example.com/page", nullptr},
      {"https://feedback.example.com?x", nullptr},
      {"https://feedback.example.com#x", nullptr},
      {"https://user@feedback.example.com", nullptr},
      {"https://*.example.com", nullptr},
      {"https://", nullptr},
      {"https://host:", nullptr},
      {"https://host:0", nullptr},
      {"https://host:65536", nullptr},
      {"https://host:123456", nullptr},
      {"https://host:8o", nullptr},
      {"https://ho%20st", nullptr},
      {"https://\xE4\xB8\xAD.example", nullptr},
      {"https://[::1", nullptr},
      {"https://[zz]", nullptr},
      {"feedback.example.com", nullptr},
      {"ftp://feedback.example.com", nullptr},
      {"file:///C:/Game", nullptr},
      {"javascript://x", nullptr},
      {"*", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    const mvcef::OriginList list = ParseOriginList(c.entry);
    if (c.origin) {
      EXPECT_EQ(list.origins, std::vector<std::string>{c.origin});
      EXPECT_TRUE(list.rejected.empty());
    } else {
      EXPECT_TRUE(list.origins.empty());
      EXPECT_EQ(list.rejected, std::vector<std::string>{c.entry});
    }
  }
}

TEST(BridgeOrigins, AListIsSplitAtCommasSemicolonsAndSpaceAndKeepsEachOriginOnce) {
  const mvcef::OriginList list =
      ParseOriginList(" https://a.example ,http://b.example:81;\tfile:// bad https://A.example:443\n,,");
  EXPECT_EQ(list.origins, (std::vector<std::string>{"https://a.example", "http://b.example:81", "file://"}));
  EXPECT_EQ(list.rejected, std::vector<std::string>{"bad"});
  EXPECT_TRUE(ParseOriginList("").origins.empty());
  EXPECT_TRUE(ParseOriginList(" ,; ").rejected.empty());
}

// The addresses the engine reports for frames: each has the origin the list must name.
TEST(BridgeOrigins, FrameAddressesAndTheirOrigins) {
  const struct {
    const char* url;
    const char* origin;  // null: none
    bool listed;         // gets the bridge with the list below
  } cases[] = {
      {"https://feedback.example.com/index.html?q=1#top", "https://feedback.example.com", true},
      {"https://feedback.example.com", "https://feedback.example.com", true},
      {"https://user:pw@feedback.example.com:443/x", "https://feedback.example.com", true},
      {"http://feedback.example.com/", "http://feedback.example.com", false},
      {"https://feedback.example.com:8443/", "https://feedback.example.com:8443", false},
      {"http://127.0.0.1:8080/a/b", "http://127.0.0.1:8080", true},
      {"http://localhost:8080/", "http://localhost:8080", false},
      {"http://[::1]:8080/", "http://[::1]:8080", false},
      {"file:///opt/game/pages/index.html", "file://", true},
      {"about:blank", nullptr, false},
      {"about:srcdoc", nullptr, false},
      {"data:text/html,<p>x</p>", nullptr, false},
      {"blob:https://feedback.example.com/1234", nullptr, false},
      {"javascript:alert(1)", nullptr, false},
      {"https://evil.example\\@feedback.example.com/", "https://evil.example", false},
      {"https://feedback.example.com.evil.example/", "https://feedback.example.com.evil.example", false},
      {"https:feedback.example.com", nullptr, false},
      {"", nullptr, false},
  };
  const std::optional<std::vector<std::string>> listed =
      std::vector<std::string>{"https://feedback.example.com", "http://127.0.0.1:8080", "file://"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    const std::optional<std::string> origin = OriginOfUrl(c.url);
    EXPECT_EQ(origin, c.origin ? std::optional<std::string>(c.origin) : std::nullopt);
    EXPECT_TRUE(BridgeAllowed(std::nullopt, c.url)) << "without a list every frame gets it";
    EXPECT_EQ(BridgeAllowed(listed, c.url), c.listed);
    EXPECT_FALSE(BridgeAllowed(std::vector<std::string>{}, c.url)) << "an empty list lets nothing in";
  }
}

}  // namespace
