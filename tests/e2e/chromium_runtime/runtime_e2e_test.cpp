// The Chromium runtime through the engine API, as a client of the engine uses it:
// CefInitialize, CreateBrowser, callbacks on the engine's UI thread, CefShutdown.
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "e2e_support.h"
#include "engine_start.h"
#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "engine/src/runtime.h"
#include "test_client.h"

namespace mvengine {
namespace chromium {
namespace {

using namespace std::chrono_literals;
using e2e::TestClient;
using e2e::TextVisitor;

std::string PageUrl(const std::string& name) { return "file://" + e2e::PagesDir() + "/" + name; }

// Adds what the page bridge adds to every process: a UI language and a few
// switches this Chromium has no use for.
class TestApp : public CefApp {
 public:
  void OnBeforeCommandLineProcessing(const CefString&, CefRefPtr<CefCommandLine> command_line) override {
    command_line->AppendSwitchWithValue("--lang", "zh-CN");
    command_line->AppendSwitch("disable-gpu");
    command_line->AppendSwitch("ppapi-out-of-process");
    command_line->AppendSwitchWithValue("ppapi-flash-path", "Plugins\\pepflashplayer.dll");
  }
  IMPLEMENT_REFCOUNTING(TestApp);
};

bool Initialize() { return e2e::StartEngine("runtime_e2e", new TestApp()); }

CefRefPtr<TestClient> CreateWindowless(const std::string& url, int frame_rate = 30) {
  CefRefPtr<TestClient> client(new TestClient(800, 600));
  CefWindowInfo info;
  info.SetAsWindowless(kNullWindowHandle, false);
  CefBrowserSettings settings;
  settings.windowless_frame_rate = frame_rate;
  EXPECT_TRUE(CefBrowserHost::CreateBrowser(info, client.get(), url, settings, nullptr));
  EXPECT_TRUE(client->WaitFor([&] { return client->browser.get() != nullptr; }));
  return client;
}

// Loads `url` in the main frame and waits for its load end (not a late one of the page before).
bool LoadAndWait(TestClient* client, const std::string& url) {
  size_t ends;
  CefRefPtr<CefBrowser> browser;
  {
    std::lock_guard<std::mutex> lock(client->m);
    ends = client->CountEvents("end:" + url);
    browser = client->browser;
  }
  browser->GetMainFrame()->LoadURL(url);
  return client->WaitFor([&] { return client->CountEvents("end:" + url) > ends; });
}

std::string MainFrameText(CefRefPtr<CefBrowser> browser) {
  CefRefPtr<TextVisitor> visitor(new TextVisitor());
  browser->GetMainFrame()->GetText(visitor.get());
  return visitor->Wait();
}

// Polls the page's text until it satisfies `accept` (the page may still be updating).
bool WaitText(CefRefPtr<CefBrowser> browser, const std::function<bool(const std::string&)>& accept,
              std::string* last) {
  auto deadline = std::chrono::steady_clock::now() + 10s;
  while (std::chrono::steady_clock::now() < deadline) {
    *last = MainFrameText(browser);
    if (accept(*last)) return true;
    std::this_thread::sleep_for(100ms);
  }
  return false;
}

class ChromiumRuntime : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ready_ = Initialize(); }
  static void TearDownTestSuite() {
    if (ready_) CefShutdown();
  }
  void SetUp() override { ASSERT_TRUE(ready_) << "CefInitialize failed (is chromium installed?)"; }
  static bool ready_;
};
bool ChromiumRuntime::ready_ = false;

TEST_F(ChromiumRuntime, WindowlessBrowserPaintsTheViewOnTheUiThread) {
  auto client = CreateWindowless(PageUrl("color_blocks.html"));
  ASSERT_TRUE(client->WaitFor([&] { return client->frames > 0 && client->CountEvents("end:") > 0; }));
  ASSERT_TRUE(client->WaitFor([&] {
    if (client->last_frame.empty()) return false;
    const uint8_t* p = client->last_frame.data() + (450 * 800 + 600) * 4;
    return p[2] > 200 && p[1] > 200 && p[0] < 60;  // the yellow block has painted
  }));
  EXPECT_TRUE(client->PixelNear(200, 150, 255, 0, 0));
  EXPECT_TRUE(client->PixelNear(600, 150, 0, 255, 0));
  EXPECT_TRUE(client->PixelNear(200, 450, 0, 0, 255));
  EXPECT_TRUE(client->PixelNear(600, 450, 255, 255, 0));

  std::lock_guard<std::mutex> lock(client->m);
  EXPECT_EQ(client->events.front(), "created");  // before any load callback
  EXPECT_EQ(client->CountEvents("badpaint"), 0u);
  for (auto id : client->threads) EXPECT_EQ(id, client->threads.front());
  EXPECT_NE(client->threads.front(), std::this_thread::get_id());
  EXPECT_EQ(client->browser->GetHost()->GetWindowHandle(), kNullWindowHandle);
  client->browser->GetHost()->CloseBrowser(true);
}

TEST_F(ChromiumRuntime, HistoryReloadZoomTextAndLocale) {
  auto client = CreateWindowless(PageUrl("report.html"));
  ASSERT_TRUE(client->WaitFor([&] { return client->CountEvents("end:") > 0; }));
  CefRefPtr<CefBrowser> browser = client->browser;
  std::string text;
  EXPECT_TRUE(WaitText(browser, [](const std::string& t) { return t.find("width=800") != std::string::npos; }, &text))
      << text;
  EXPECT_NE(text.find("lang=zh-CN"), std::string::npos) << text;  // --lang reached the page

  browser->GetHost()->SetZoomLevel(1.0);
  EXPECT_TRUE(WaitText(browser, [](const std::string& t) { return t.find("width=667") != std::string::npos; }, &text))
      << text;
  EXPECT_DOUBLE_EQ(browser->GetHost()->GetZoomLevel(), 1.0);
  browser->GetHost()->SetZoomLevel(0.0);

  ASSERT_TRUE(LoadAndWait(client.get(), PageUrl("color_blocks.html")));
  ASSERT_TRUE(client->WaitFor([&] { return browser->CanGoBack(); }));
  EXPECT_FALSE(browser->CanGoForward());
  size_t ends = client->CountEvents("end:");
  browser->GoBack();
  ASSERT_TRUE(client->WaitFor([&] { return client->CountEvents("end:") > ends; }));
  EXPECT_NE(browser->GetMainFrame()->GetURL().ToString().find("report.html"), std::string::npos)
      << browser->GetMainFrame()->GetURL().ToString();
  ASSERT_TRUE(client->WaitFor([&] { return browser->CanGoForward(); }));
  EXPECT_TRUE(WaitText(browser, [](const std::string& t) { return t.find("width=") != std::string::npos; }, &text));

  ends = client->CountEvents("end:");
  browser->GoForward();
  ASSERT_TRUE(client->WaitFor([&] { return client->CountEvents("end:") > ends; }));
  EXPECT_NE(browser->GetMainFrame()->GetURL().ToString().find("color_blocks.html"), std::string::npos);

  ends = client->CountEvents("end:");
  browser->Reload();
  EXPECT_TRUE(client->WaitFor([&] { return client->CountEvents("end:") > ends; }));
  EXPECT_TRUE(client->WaitFor([&] { return !browser->IsLoading(); }));
  browser->GetHost()->CloseBrowser(true);
}

TEST_F(ChromiumRuntime, LoadErrorsCarryChromiumsTextAndCodeAndLoadStringReplacesThePage) {
  auto client = CreateWindowless("about:blank");
  CefRefPtr<CefBrowser> browser = client->browser;
  browser->GetMainFrame()->LoadURL("http://name-that-does-not-exist.invalid/");
  ASSERT_TRUE(client->WaitFor([&] { return client->CountEvents("error:") > 0; }));
  {
    std::lock_guard<std::mutex> lock(client->m);
    std::string error;
    for (auto& e : client->events)
      if (e.compare(0, 6, "error:") == 0) error = e;
    EXPECT_EQ(error, "error:-105:net::ERR_NAME_NOT_RESOLVED");
    // The address asked for, not the page the frame still showed.
    EXPECT_EQ(client->failed_urls, std::vector<std::string>{"http://name-that-does-not-exist.invalid/"});
  }
  // (Port 1 would be refused by Chromium itself as an unsafe port.)
  const std::string refused = "http://127.0.0.1:" + std::to_string(e2e::ClosedPort()) + "/";
  browser->GetMainFrame()->LoadURL(refused);
  ASSERT_TRUE(client->WaitFor([&] { return client->CountEvents("error:-102:net::ERR_CONNECTION_REFUSED") > 0; }));
  {
    std::lock_guard<std::mutex> lock(client->m);
    EXPECT_EQ(client->failed_urls.back(), refused) << "not the error page shown before";
  }

  ASSERT_TRUE(client->WaitFor([&] { return !browser->IsLoading(); }));
  browser->GetMainFrame()->LoadString("<html><body><p>our own error page</p></body></html>", refused);
  std::string text;
  EXPECT_TRUE(WaitText(browser, [](const std::string& t) { return t == "our own error page"; }, &text)) << text;
  browser->GetHost()->CloseBrowser(true);
}

TEST_F(ChromiumRuntime, DialogsReachTheClientAndItsAnswerReachesThePage) {
  auto client = CreateWindowless("about:blank");
  {
    std::lock_guard<std::mutex> lock(client->m);
    client->confirm_answer = false;
  }
  ASSERT_TRUE(LoadAndWait(client.get(), PageUrl("dialogs.html")));
  ASSERT_TRUE(client->WaitFor([&] { return client->dialogs.size() >= 2; }));
  {
    std::lock_guard<std::mutex> lock(client->m);
    EXPECT_EQ(client->dialogs[0], "0:hello from the page");
    EXPECT_EQ(client->dialogs[1], "1:sure?");
  }
  std::string text;
  EXPECT_TRUE(WaitText(client->browser, [](const std::string& t) { return t == "confirm=false"; }, &text)) << text;
  client->browser->GetHost()->CloseBrowser(true);
}

TEST_F(ChromiumRuntime, CancelledPopupNeverLoadsAndContextMenuIsOffered) {
  e2e::LoopbackServer server;
  auto client = CreateWindowless("about:blank");
  std::string target = server.Url("/popup-target");
  ASSERT_TRUE(LoadAndWait(client.get(), PageUrl("popup.html") + "#" + target));
  CefRefPtr<CefBrowserHost> host = client->browser->GetHost();
  CefMouseEvent at;
  at.x = 100;
  at.y = 100;
  host->SendMouseMoveEvent(at, false);
  host->SendMouseClickEvent(at, MBT_LEFT, false, 1);
  at.modifiers = EVENTFLAG_LEFT_MOUSE_BUTTON;
  host->SendMouseClickEvent(at, MBT_LEFT, true, 1);
  ASSERT_TRUE(client->WaitFor([&] { return !client->popups.empty(); }));
  {
    std::lock_guard<std::mutex> lock(client->m);
    EXPECT_EQ(client->popups.front(), target);
  }
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(server.requests(), 0) << "the cancelled popup loaded its page";

  at.modifiers = 0;
  host->SendMouseClickEvent(at, MBT_RIGHT, false, 1);
  host->SendMouseClickEvent(at, MBT_RIGHT, true, 1);
  EXPECT_TRUE(client->WaitFor([&] { return client->menu_items_seen > 0; }));
  host->CloseBrowser(true);
}

TEST_F(ChromiumRuntime, CloseCallsDoCloseThenOnBeforeClose) {
  auto client = CreateWindowless(PageUrl("color_blocks.html"));
  client->browser->GetHost()->CloseBrowser(true);
  ASSERT_TRUE(client->WaitFor([&] { return client->closed; }));
  std::lock_guard<std::mutex> lock(client->m);
  auto doclose = std::find(client->events.begin(), client->events.end(), "doclose");
  auto before = std::find(client->events.begin(), client->events.end(), "beforeclose");
  ASSERT_NE(doclose, client->events.end());
  ASSERT_NE(before, client->events.end());
  EXPECT_LT(doclose, before);
}

TEST_F(ChromiumRuntime, TwoBrowsersPaintTheirOwnPages) {
  auto first = CreateWindowless(PageUrl("color_blocks.html"));
  auto second = CreateWindowless(PageUrl("input.html"));
  EXPECT_NE(first->browser->GetIdentifier(), second->browser->GetIdentifier());
  EXPECT_TRUE(first->WaitFor([&] { return first->frames > 0; }));
  EXPECT_TRUE(second->WaitFor([&] { return second->frames > 0; }));
  EXPECT_TRUE(first->WaitFor([&] {
    if (first->last_frame.empty()) return false;
    const uint8_t* p = first->last_frame.data() + (150 * 800 + 200) * 4;
    return p[2] > 200 && p[1] < 60;
  }));
  EXPECT_TRUE(second->WaitFor([&] {
    if (second->last_frame.empty()) return false;
    const uint8_t* p = second->last_frame.data() + (100 * 800 + 150) * 4;
    return p[0] > 200 && p[2] < 60;  // its blue button
  }));
  first->browser->GetHost()->CloseBrowser(true);
  second->browser->GetHost()->CloseBrowser(true);
}

// Chromium killed under a running browser: nothing hangs, closing still
// completes, shutdown leaves no process.
TEST(ChromiumRuntimeCrash, KilledChromiumLeavesTheHostRunning) {
  ASSERT_TRUE(Initialize());
  auto client = CreateWindowless(PageUrl("color_blocks.html"));
  ASSERT_TRUE(client->WaitFor([&] { return client->frames > 0; }));
  std::vector<int> pids = e2e::ChildChromiums();
  ASSERT_FALSE(pids.empty());
  for (int pid : pids) ::kill(pid, SIGKILL);

  auto start = std::chrono::steady_clock::now();
  CefRefPtr<CefBrowser> browser = client->browser;
  browser->GetMainFrame()->LoadURL(PageUrl("input.html"));
  browser->GoBack();
  browser->Reload();
  CefMouseEvent at;
  browser->GetHost()->SendMouseClickEvent(at, MBT_LEFT, false, 1);
  browser->GetHost()->SetZoomLevel(2);
  CefRefPtr<TextVisitor> visitor(new TextVisitor());
  browser->GetMainFrame()->GetText(visitor.get());
  EXPECT_EQ(visitor->Wait(3s), "");
  EXPECT_FALSE(browser->IsLoading());
  browser->GetHost()->CloseBrowser(true);
  EXPECT_TRUE(client->WaitFor([&] { return client->closed; }, 5s));
  CefShutdown();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
  EXPECT_TRUE(e2e::ChildChromiums().empty());

  // A new browser after a dead Chromium is refused quietly.
  CefRefPtr<TestClient> late(new TestClient(800, 600));
  CefWindowInfo info;
  info.SetAsWindowless(kNullWindowHandle, false);
  EXPECT_FALSE(CefBrowserHost::CreateBrowser(info, late.get(), "about:blank", CefBrowserSettings(), nullptr));
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
