// The browser registry, the current handler and the life cycle, seen through the exports.
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
  const unsigned first = CreateWindowless();
  const int first_engine = EngineBrowser();
  const unsigned second = CreateWindowless();
  const int second_engine = EngineBrowser();

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
