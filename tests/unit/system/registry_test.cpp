// The browser registry, the current handler and the life cycle, seen through the exports.
#include <future>
#include <set>
#include <thread>

#include "tests/unit/system/system_fixture.h"

namespace {

using RegistryTest = SystemTest;

TEST_F(RegistryTest, ExportsBeforeInitialisationReturnTheirFixedResults) {
  const RECT view = {0, 0, 800, 600};
  EXPECT_EQ(fnmvPackCefDllCreateBrowser(view, "http://example.test/", nullptr, nullptr), 0);
  EXPECT_EQ(fnmvPackCefDllGotoUrl("http://example.test/"), 0);
  EXPECT_EQ(fnmvPackCefDllGoBack(), 1);
  EXPECT_EQ(fnmvPackCefDllGoForward(), 1);
  EXPECT_EQ(fnmvPackCefDllReload(), 1);
  EXPECT_EQ(fnmvPackCefDllDoClose(), 1);
  EXPECT_EQ(fnmvPackCefDllInitCefBrowserInApp(nullptr, view, "x"), 1);
  EXPECT_FALSE(fnmvPackCefDllIsDirty());
  int size = 5;
  EXPECT_FALSE(fnmvPackCefDLLGetSource(nullptr, &size));
  EXPECT_EQ(size, 5);
  int w = -1, h = -1;
  EXPECT_FALSE(fnmvPackCefDllGetBrowserHasNewFrame(&w, &h));
  EXPECT_EQ(w, -1);
  EXPECT_EQ(fnmvPackCefDllUninitializeCef(), 1);
  EXPECT_TRUE(scripted::Calls().empty()) << "nothing may reach the engine before initialisation";
}

TEST_F(RegistryTest, IdsCountFromOneAndAreNeverReused) {
  InitClient();
  EXPECT_EQ(CreateWindowless(), 1u);
  EXPECT_EQ(CreateWindowless(), 2u);
  fnmvPackCefDllSelectHandler(1);
  EXPECT_EQ(fnmvPackCefDllDoClose(), 1);
  EXPECT_EQ(CreateWindowless(), 3u);
  EXPECT_EQ(mvcef::State().registry.size(), 2u);
}

TEST_F(RegistryTest, CreatingMakesTheNewHandlerCurrentAndRegistersIt) {
  InitClient();
  const unsigned first = CreateWindowless();
  SimpleHandler* first_handler = Current();
  const unsigned second = CreateWindowless();
  ASSERT_NE(Current(), nullptr);
  EXPECT_NE(Current(), first_handler);
  EXPECT_EQ(mvcef::State().registry.at(second).get(), Current());
  EXPECT_EQ(mvcef::State().registry.at(first).get(), first_handler);

  // Selecting moves between entries; an unknown id leaves no current handler.
  fnmvPackCefDllSelectHandler(first);
  EXPECT_EQ(Current(), first_handler);
  for (unsigned unknown : {0u, 99u, 0xFFFFFFFFu}) {
    fnmvPackCefDllSelectHandler(first);
    fnmvPackCefDllSelectHandler(unknown);
    EXPECT_EQ(Current(), nullptr) << unknown;
    EXPECT_FALSE(fnmvPackCefDllIsDirty());
    EXPECT_EQ(fnmvPackCefDllGotoUrl("http://example.test/next"), 0);
  }
  EXPECT_EQ(scripted::CountOf(scripted::CallKind::kLoadURL), 0u);
  EXPECT_EQ(mvcef::State().registry.size(), 2u);
}

TEST_F(RegistryTest, ClosingUnregistersForceClosesAndLeavesTheOthers) {
  InitClient();
  const auto [first, first_engine] = OpenWindowless();
  const auto [second, second_engine] = OpenWindowless();

  EXPECT_EQ(fnmvPackCefDllDoClose(), 1);
  scripted::WaitIdle();
  EXPECT_EQ(Current(), nullptr);
  EXPECT_EQ(mvcef::State().registry.count(second), 0u);
  ASSERT_EQ(scripted::CountOf(scripted::CallKind::kCloseBrowser), 1u);
  const scripted::Call close = scripted::LastCall(scripted::CallKind::kCloseBrowser);
  EXPECT_EQ(close.browser_id, second_engine);
  EXPECT_TRUE(close.flag) << "the page is not asked";
  EXPECT_FALSE(scripted::IsClosed(first_engine));

  // The closed id is gone; the other one can still be selected.
  fnmvPackCefDllSelectHandler(second);
  EXPECT_EQ(Current(), nullptr);
  fnmvPackCefDllSelectHandler(first);
  ASSERT_NE(Current(), nullptr);
  EXPECT_TRUE(Current()->GetBrowser());
}

// The host may close a browser before the engine has delivered it. Nothing could reach it later,
// so it is force-closed as it arrives, once, and a windowed one is never shown.
TEST_F(RegistryTest, ABrowserClosedBeforeItArrivesIsClosedOnArrival) {
  InitClient();
  HWND browser_window = MakeWindow({0, 0, 100, 100});
  scripted::SetWindowHandleProvider([&](int) { return reinterpret_cast<CefWindowHandle>(browser_window); });
  HWND parent = MakeWindow({0, 0, 640, 480});
  for (bool before_arrival : {true, false}) {
    SCOPED_TRACE(before_arrival ? "closed before it arrived" : "closed after it arrived");
    scripted::ClearCalls();
    // Holds the UI thread, and with it the browser's arrival, until the close was asked for.
    std::promise<void> holding, release;
    std::shared_future<void> released = release.get_future().share();
    std::thread ui_holder;
    if (before_arrival) {
      ui_holder = std::thread([&] { scripted::RunOnUi([&] { holding.set_value(); released.wait(); }); });
      holding.get_future().wait();
    }
    fnmvPackCefDllCreateBrowser({0, 0, 100, 100}, "http://example.test/", nullptr, parent);
    if (!before_arrival) scripted::WaitIdle();
    fnmvPackCefDllDoClose();
    release.set_value();
    if (ui_holder.joinable()) ui_holder.join();
    scripted::WaitIdle();

    ASSERT_EQ(scripted::CountOf(scripted::CallKind::kCloseBrowser), 1u);
    EXPECT_EQ(scripted::LastCall(scripted::CallKind::kCloseBrowser).browser_id, EngineBrowser());
    EXPECT_TRUE(scripted::LastCall(scripted::CallKind::kCloseBrowser).flag);
    EXPECT_NE(mvw32_last_show_command(browser_window), SW_SHOWNORMAL);
  }

  // A load that ends while the close is under way shows nothing either.
  CefRefPtr<SimpleHandler> closing = new SimpleHandler();
  closing->Close();
  fnmvPackCefDllCreateBrowser({0, 0, 100, 100}, "http://example.test/", nullptr, parent);
  scripted::WaitIdle();
  CefRefPtr<CefBrowser> loaded = scripted::GetBrowser(EngineBrowser());
  scripted::RunOnUi([&] { closing->OnLoadEnd(loaded, loaded->GetMainFrame(), 200); });
  EXPECT_EQ(mvw32_last_show_command(browser_window), SW_HIDE);

  // Host and UI thread racing: every browser is closed exactly once.
  scripted::ClearCalls();
  constexpr size_t kBrowsers = 200;
  for (size_t i = 0; i < kBrowsers; ++i) {
    fnmvPackCefDllCreateBrowser({0, 0, 10, 10}, "http://example.test/", nullptr, nullptr);
    fnmvPackCefDllDoClose();
  }
  scripted::WaitIdle();
  std::set<int> closed;
  for (const scripted::Call& c : scripted::CallsOf(scripted::CallKind::kCloseBrowser)) closed.insert(c.browser_id);
  EXPECT_EQ(scripted::CountOf(scripted::CallKind::kCloseBrowser), kBrowsers);
  EXPECT_EQ(closed.size(), kBrowsers);
}

TEST_F(RegistryTest, ClosedHandlerForgetsItsBrowserOnceTheEngineClosesIt) {
  InitClient();
  CreateWindowless();
  CefRefPtr<SimpleHandler> handler = Current();
  ASSERT_TRUE(handler->GetBrowser());
  fnmvPackCefDllDoClose();
  scripted::WaitIdle();
  EXPECT_FALSE(handler->GetBrowser()) << "OnBeforeClose clears the browser";
}

TEST_F(RegistryTest, UninitialisingEmptiesEverythingButKeepsCounting) {
  InitClient();
  CreateWindowless();
  CreateWindowless();
  EXPECT_EQ(fnmvPackCefDllUninitializeCef(), 1);
  EXPECT_TRUE(mvcef::State().registry.empty());
  EXPECT_EQ(Current(), nullptr);
  EXPECT_NE(mvcef::State().instance, nullptr);
  EXPECT_EQ(scripted::CountOf(scripted::CallKind::kShutdown), 1u);
  fnmvPackCefDllSelectHandler(1);
  EXPECT_EQ(Current(), nullptr);
  EXPECT_EQ(mvcef::State().next_browser_id, 3u);
}

TEST_F(RegistryTest, AfterShutdownNothingReachesTheEngineAgain) {
  InitClient();
  fnmvPackCefDllUninitializeCef();
  const size_t calls = scripted::Calls().size();
  const RECT view = {0, 0, 100, 100};
  EXPECT_EQ(fnmvPackCefDllCreateBrowser(view, "http://example.test/", nullptr, nullptr), 0)
      << "no browser can be made once the engine is down";
  EXPECT_EQ(fnmvPackCefDllInitCefBrowserInApp(nullptr, view, "x"), 1);
  EXPECT_EQ(fnmvPackCefDllInitializeCef(nullptr, true), 1);
  EXPECT_EQ(fnmvPackCefDllUninitializeCef(), 1);
  EXPECT_EQ(scripted::Calls().size(), calls);
}

TEST_F(RegistryTest, SecondInitialisationDoesNothing) {
  InitClient();
  EXPECT_EQ(fnmvPackCefDllInitializeCef(nullptr, false), 1);
  EXPECT_EQ(scripted::CountOf(scripted::CallKind::kInitialize), 1u);
  EXPECT_TRUE(scripted::IsRunning());
}

// A start the engine refused (no browser installed, say) is tried again by the next initialisation.
TEST_F(RegistryTest, AnInitialisationAfterARefusedStartTriesAgain) {
  scripted::SetApiHash("not the headers' hash");
  EXPECT_EQ(fnmvPackCefDllInitializeCef(nullptr, true), 1);
  EXPECT_FALSE(scripted::IsRunning());
  scripted::SetApiHash(nullptr);
  EXPECT_EQ(fnmvPackCefDllInitializeCef(nullptr, true), 1);
  EXPECT_TRUE(scripted::IsRunning());
  EXPECT_EQ(CreateWindowless(), 1u);
  EXPECT_NE(Current()->GetBrowser(), nullptr);
}

TEST_F(RegistryTest, MemberUninitialiseLeavesTheRegistryAlone) {
  InitClient();
  const unsigned id = CreateWindowless();
  CmvPackCefDll object;
  object.UninitializeCef();
  EXPECT_EQ(scripted::CountOf(scripted::CallKind::kShutdown), 1u);
  EXPECT_EQ(mvcef::State().registry.count(id), 1u);
  EXPECT_NE(Current(), nullptr);
  object.UninitializeCef();  // the engine stops once
  EXPECT_EQ(scripted::CountOf(scripted::CallKind::kShutdown), 1u);
}

TEST_F(RegistryTest, MembersActOnTheLibraryStateFromAnyObject) {
  InitClient();
  CmvPackCefDll mine, other;
  other = mine;
  const RECT view = {0, 0, 320, 240};
  EXPECT_EQ(mine.CreateBrowser(view, "http://example.test/", nullptr, nullptr), 1);
  scripted::WaitIdle();
  other.GotoUrl("http://example.test/other");
  ASSERT_EQ(scripted::CountOf(scripted::CallKind::kLoadURL), 1u);
  EXPECT_EQ(scripted::LastCall(scripted::CallKind::kLoadURL).text, "http://example.test/other");
}

}  // namespace
