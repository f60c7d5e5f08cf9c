// The runtime's switch translation, and which page events it parses at all.
#include <atomic>
#include <future>
#include <vector>

#include <gtest/gtest.h>

#include "engine/runtime/chromium/chromium_browser.h"
#include "engine/runtime/chromium/chromium_switches.h"

namespace mvengine {
namespace chromium {
namespace {

using namespace std::chrono_literals;

TEST(TranslateSwitches, LangBecomesAcceptLangAndLocaleOthersPassOrDrop) {
  ChromiumSwitches s = TranslateSwitches({
      {"lang", "zh-CN"},
      {"disable-gpu", ""},
      {"disable-gpu-compositing", ""},
      {"ppapi-out-of-process", ""},
      {"ppapi-flash-version", "28.0.0.137"},
      {"ppapi-flash-path", "Plugins\\pepflashplayer.dll"},
      {"type", "renderer"},
      {"user-data-dir", "/elsewhere"},
      {"remote-debugging-port", "9222"},
      {"force-device-scale-factor", "1"},
  });
  EXPECT_EQ(s.locale, "zh-CN");
  std::vector<std::string> expected = {"--disable-gpu", "--disable-gpu-compositing",
                                       "--force-device-scale-factor=1"};
  std::vector<std::string> others;
  bool accept_lang = false;
  for (auto& a : s.args) {
    if (a == "--accept-lang=zh-CN") accept_lang = true;
    else if (a.compare(0, 7, "--lang=") != 0) others.push_back(a);
  }
  EXPECT_TRUE(accept_lang);
  EXPECT_EQ(others, expected);
  for (auto& a : s.args) {
    EXPECT_EQ(a.find("ppapi"), std::string::npos) << a;
    EXPECT_EQ(a.find("user-data-dir"), std::string::npos) << a;
    EXPECT_EQ(a.find("type="), std::string::npos) << a;
  }
  EXPECT_TRUE(TranslateSwitches({{"lang", ""}}).locale.empty());
  EXPECT_TRUE(TranslateSwitches({}).args.empty());
}

TEST(ChromiumBrowser, ParsesOnlyTheEventsItActsOnAndOnlyDocumentsNetworkEvents) {
  struct Case {
    const char* method;
    const char* text;
    bool wanted;
  } cases[] = {
      {"Page.frameNavigated", "", true},
      {"Page.screencastFrame", "", true},
      {"Fetch.requestPaused", "", true},
      {"Target.attachedToTarget", "", true},
      {"Page.lifecycleEvent", "", false},
      {"Network.dataReceived", R"({"type":"Document"})", false},
      {"Network.requestWillBeSent", R"({"params":{"type":"XHR","initiator":{"type":"script"}}})", false},
      {"Network.requestWillBeSent", R"({"params":{"type":"Document"}})", true},
      {"Network.loadingFailed", R"({"params":{"type":"Document","errorText":"x"}})", true},
  };
  for (const Case& c : cases) EXPECT_EQ(ChromiumBrowser::WantsEvent(c.method, c.text), c.wanted) << c.method << c.text;
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
