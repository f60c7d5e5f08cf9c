// Creating, navigating, zooming browsers and reading the page text back.
#include <cmath>
#include <cstring>
#include <vector>

#include "tests/unit/system/system_fixture.h"

namespace {

using CreationTest = SystemTest;
using scripted::CallKind;

TEST_F(CreationTest, WindowlessAndWindowedCreationAskTheEngineForTheRightBrowser) {
  InitClient();
  const RECT rect = {10, 20, 110, 220};
  HWND parent = MakeWindow({0, 0, 1000, 800});
  HWND handler_window = MakeWindow({0, 0, 1000, 800});

  fnmvPackCefDllCreateBrowser(rect, "http://example.test/a", handler_window, nullptr);
  fnmvPackCefDllCreateBrowser(rect, "http://example.test/b", handler_window, parent);
  scripted::WaitIdle();
  const std::vector<scripted::Call> creations = scripted::CallsOf(CallKind::kCreateBrowser);
  ASSERT_EQ(creations.size(), 2u);

  const scripted::Call& windowless = creations[0];
  EXPECT_EQ(windowless.text, "http://example.test/a");
  EXPECT_EQ(windowless.window.windowless_rendering_enabled, 1);
  EXPECT_EQ(windowless.window.transparent_painting_enabled, 0);
  EXPECT_EQ(windowless.window.parent_window, kNullWindowHandle);
  EXPECT_EQ(windowless.window.x, 0);
  EXPECT_EQ(windowless.window.width, 0);
  EXPECT_EQ(windowless.browser_settings.windowless_frame_rate, 30);
  EXPECT_EQ(windowless.browser_settings.javascript, 0);

  const scripted::Call& windowed = creations[1];
  EXPECT_EQ(windowed.window.windowless_rendering_enabled, 0);
  EXPECT_EQ(windowed.window.parent_window, reinterpret_cast<CefWindowHandle>(parent));
  EXPECT_EQ(windowed.window.x, 10);
  EXPECT_EQ(windowed.window.y, 20);
  EXPECT_EQ(windowed.window.width, 100);
  EXPECT_EQ(windowed.window.height, 200);
  EXPECT_EQ(windowed.browser_settings.windowless_frame_rate, 30);

  // The windowless view is the host's rectangle taken field by field.
  CefRect view;
  ASSERT_TRUE(scripted::GetViewRect(scripted::BrowserIds()[0], &view));
  EXPECT_EQ(view.x, 10);
  EXPECT_EQ(view.y, 20);
  EXPECT_EQ(view.width, 110);
  EXPECT_EQ(view.height, 220);
}

TEST_F(CreationTest, BrowserInAppIsWindowedWithDefaultSettingsAndUnregistered) {
  InitClient();
  HWND parent = MakeWindow({0, 0, 640, 480});
  const RECT rect = {10, 20, 110, 220};
  EXPECT_EQ(fnmvPackCefDllInitCefBrowserInApp(parent, rect, "http://example.test/app"), 1);
  scripted::WaitIdle();
  const scripted::Call created = scripted::LastCall(CallKind::kCreateBrowser);
  EXPECT_EQ(created.text, "http://example.test/app");
  EXPECT_EQ(created.window.width, 100);
  EXPECT_EQ(created.window.height, 200);
  EXPECT_EQ(created.browser_settings.windowless_frame_rate, 0);
  EXPECT_TRUE(mvcef::State().registry.empty());
  EXPECT_EQ(Current(), nullptr);
}

TEST_F(CreationTest, WindowedBrowserStartsHiddenAndShowsAtLoadEnd) {
  InitClient();
  HWND browser_window = MakeWindow({0, 0, 100, 100});
  scripted::SetWindowHandleProvider([&](int) { return reinterpret_cast<CefWindowHandle>(browser_window); });
  HWND parent = MakeWindow({0, 0, 640, 480});
  fnmvPackCefDllCreateBrowser({0, 0, 100, 100}, "http://example.test/", nullptr, parent);
  scripted::WaitIdle();
  EXPECT_EQ(mvw32_last_show_command(browser_window), SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(browser_window));
  scripted::LoadEnd(EngineBrowser());
  EXPECT_EQ(mvw32_last_show_command(browser_window), SW_SHOWNORMAL);
  EXPECT_TRUE(IsWindowVisible(browser_window));
}

TEST_F(CreationTest, WindowlessBrowserWindowIsNotTouched) {
  InitClient();
  HWND watched = MakeWindow({0, 0, 100, 100});
  CreateWindowless();
  scripted::LoadEnd(EngineBrowser());
  EXPECT_EQ(mvw32_last_show_command(watched), -1);
  EXPECT_TRUE(IsWindowVisible(watched));
}

TEST_F(CreationTest, NavigationNeedsABrowserAndHistory) {
  InitClient();
  CreateWindowless();
  const int engine = EngineBrowser();

  EXPECT_EQ(fnmvPackCefDllGotoUrl("http://example.test/\xE4\xB8\xAD"), 0);
  ASSERT_EQ(scripted::CountOf(CallKind::kLoadURL), 1u);
  const scripted::Call load = scripted::LastCall(CallKind::kLoadURL);
  EXPECT_EQ(load.text, "http://example.test/\xE4\xB8\xAD");
  EXPECT_EQ(load.frame_id, scripted::MainFrameId(engine));

  // Without history nothing moves; with it, one step each way.
  fnmvPackCefDllGoBack();
  fnmvPackCefDllGoForward();
  EXPECT_EQ(scripted::CountOf(CallKind::kGoBack), 0u);
  EXPECT_EQ(scripted::CountOf(CallKind::kGoForward), 0u);
  scripted::SetCanGoBack(engine, true);
  scripted::SetCanGoForward(engine, true);
  fnmvPackCefDllGoBack();
  fnmvPackCefDllGoForward();
  EXPECT_EQ(scripted::CountOf(CallKind::kGoBack), 1u);
  EXPECT_EQ(scripted::CountOf(CallKind::kGoForward), 1u);

  EXPECT_EQ(fnmvPackCefDllReload(), 1);
  EXPECT_EQ(scripted::CountOf(CallKind::kReload), 1u);
  EXPECT_EQ(scripted::CountOf(CallKind::kReloadIgnoreCache), 0u);
}

TEST_F(CreationTest, NavigationWithoutBrowserDoesNothing) {
  InitClient();
  CreateWindowless();
  CefRefPtr<SimpleHandler> handler = Current();
  // The engine closes the browser on its own: the handler stays registered and current.
  scripted::RunOnUi([&] { handler->OnBeforeClose(scripted::GetBrowser(EngineBrowser())); });
  scripted::ClearCalls();
  fnmvPackCefDllGotoUrl("http://example.test/");
  fnmvPackCefDllReload();
  fnmvPackCefDllDoZoom(150);
  EXPECT_TRUE(scripted::Calls().empty());
}

TEST_F(CreationTest, OnBeforeCloseForgetsOnlyItsOwnBrowser) {
  InitClient();
  CreateWindowless();
  const int first = EngineBrowser();
  CefRefPtr<SimpleHandler> first_handler = Current();
  CreateWindowless();
  const int second = EngineBrowser();
  scripted::RunOnUi([&] { first_handler->OnBeforeClose(scripted::GetBrowser(second)); });
  EXPECT_TRUE(first_handler->GetBrowser());
  scripted::RunOnUi([&] { first_handler->OnBeforeClose(scripted::GetBrowser(first)); });
  EXPECT_FALSE(first_handler->GetBrowser());
}

TEST_F(CreationTest, ZoomPercentBecomesTheEngineLevel) {
  InitClient();
  CreateWindowless();
  const struct {
    int percent;
    double level;
  } cases[] = {{100, 0.0},  {50, -3.8017840169239308}, {200, 3.8017840169239308},
               {120, 0.9999996730795437}, {0, 0.0}, {-50, -0.5}};
  for (const auto& c : cases) {
    scripted::ClearCalls();
    fnmvPackCefDllDoZoom(c.percent);
    ASSERT_EQ(scripted::CountOf(CallKind::kSetZoomLevel), 1u) << c.percent;
    EXPECT_EQ(scripted::LastCall(CallKind::kSetZoomLevel).zoom, c.level) << c.percent;
  }
}

TEST_F(CreationTest, ZoomWaitsForTheLoadEndWhileLoading) {
  InitClient();
  CreateWindowless();
  const int engine = EngineBrowser();
  scripted::SetIsLoading(engine, true);
  scripted::ClearCalls();
  fnmvPackCefDllDoZoom(200);
  EXPECT_EQ(scripted::CountOf(CallKind::kSetZoomLevel), 0u);
  scripted::SetIsLoading(engine, false);
  scripted::LoadEnd(engine);
  ASSERT_EQ(scripted::CountOf(CallKind::kSetZoomLevel), 1u);
  EXPECT_EQ(scripted::LastCall(CallKind::kSetZoomLevel).zoom, 3.8017840169239308);
  // And again at every later load end, sub-frames included.
  scripted::LoadEnd(engine);
  EXPECT_EQ(scripted::CountOf(CallKind::kSetZoomLevel), 2u);
}

TEST_F(CreationTest, PagesShowAtLevelOneUntilTheHostZooms) {
  InitClient();
  CreateWindowless();
  scripted::LoadEnd(EngineBrowser());
  EXPECT_EQ(scripted::LastCall(CallKind::kSetZoomLevel).zoom, 1.0);
}

// Loads a page whose display text is `text` and waits until its capture has landed.
void LoadPageWithText(int engine, const std::u16string& text) {
  scripted::SetPageText(engine, CefString(reinterpret_cast<const char16*>(text.c_str()), text.size(), true));
  scripted::LoadEnd(engine);
  scripted::WaitIdle();
}

TEST_F(CreationTest, PageTextIsReadBackInTwoCalls) {
  InitClient();
  CreateWindowless();
  const int engine = EngineBrowser();
  LoadPageWithText(engine, u"abc");
  EXPECT_GE(scripted::CountOf(CallKind::kGetText), 1u);

  int size = 0;
  EXPECT_TRUE(fnmvPackCefDLLGetSource(nullptr, &size));
  EXPECT_EQ(size, 4);
  size = -3;  // a size below 1 asks for the size too
  EXPECT_TRUE(fnmvPackCefDLLGetSource(nullptr, &size));
  EXPECT_EQ(size, 4);
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  size = 4;
  EXPECT_TRUE(fnmvPackCefDLLGetSource(buffer, &size));
  EXPECT_STREQ(buffer, "abc");
  EXPECT_FALSE(fnmvPackCefDLLGetSource(buffer, &size)) << "taken once";

  LoadPageWithText(engine, u"abc");
  size = 2;
  EXPECT_FALSE(fnmvPackCefDLLGetSource(buffer, &size)) << "too small for the whole text";
  EXPECT_STREQ(buffer, "a");
  EXPECT_EQ(size, 4);
  EXPECT_TRUE(fnmvPackCefDLLGetSource(buffer, &size)) << "kept for a read that fits";
  EXPECT_STREQ(buffer, "abc");

  // The size counts the UTF-8 bytes the host receives.
  LoadPageWithText(engine, u"\u4E2D\u6587 ok");
  size = 0;
  EXPECT_TRUE(fnmvPackCefDLLGetSource(nullptr, &size));
  EXPECT_EQ(size, 10);
  std::vector<char> exact(static_cast<size_t>(size));
  EXPECT_TRUE(fnmvPackCefDLLGetSource(exact.data(), &size));
  EXPECT_STREQ(exact.data(), "\xE4\xB8\xAD\xE6\x96\x87 ok");
}

TEST_F(CreationTest, LongPageTextKeepsTheEarlierOne) {
  InitClient();
  CreateWindowless();
  const int engine = EngineBrowser();
  LoadPageWithText(engine, u"kept");
  LoadPageWithText(engine, std::u16string(1024, u'x'));
  int size = 0;
  EXPECT_TRUE(fnmvPackCefDLLGetSource(nullptr, &size));
  EXPECT_EQ(size, 5);
  LoadPageWithText(engine, std::u16string(1023, u'y'));
  EXPECT_TRUE(fnmvPackCefDLLGetSource(nullptr, &size));
  EXPECT_EQ(size, 1024);
}

TEST_F(CreationTest, TextArrivingAfterCloseLandsInALiveHandler) {
  InitClient();
  CreateWindowless();
  const int engine = EngineBrowser();
  scripted::SetPageText(engine, CefString("late"));
  CefRefPtr<SimpleHandler> handler = Current();
  fnmvPackCefDllDoClose();
  scripted::WaitIdle();
  ASSERT_TRUE(handler->HasOneRef()) << "after the close only the test holds the handler";
  // A load end after the close asks for the text; until the engine answers, the request is all that
  // keeps the handler alive once the test lets go, so it must hold a reference of its own.
  bool held_while_pending = false;
  scripted::RunOnUi([&] {
    handler->OnLoadEnd(scripted::GetBrowser(engine), nullptr, 200);
    held_while_pending = !handler->HasOneRef();
  });
  EXPECT_TRUE(held_while_pending);
  scripted::WaitIdle();
  EXPECT_TRUE(handler->HasOneRef()) << "the answered request let go of the handler";
  int size = 0;
  EXPECT_TRUE(handler->page_text().Read(nullptr, &size)) << "the late text landed in the handler";
  fnmvPackCefDllUninitializeCef();
}

}  // namespace
