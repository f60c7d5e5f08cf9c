// The scripted runtime, browser side: threads, records and deliveries.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "include/base/cef_ref_counted.h"
#include "scripted_fixture.h"

namespace scripted = mvengine::scripted;
using engine_test::Has;
using engine_test::ScriptedTest;
using engine_test::TestClient;

namespace {

TEST_F(ScriptedTest, CreateBrowserRecordsEverythingAndCallsBackOnUiThread) {
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client, /*windowless=*/true, "http://\xE4\xB8\xAD.test/");
  EXPECT_EQ(1, id);
  scripted::Call c = scripted::LastCall(scripted::CallKind::kCreateBrowser);
  EXPECT_EQ(1, c.browser_id);
  EXPECT_EQ("http://\xE4\xB8\xAD.test/", c.text);
  EXPECT_EQ(client.get(), c.client);
  EXPECT_EQ(1, c.window.windowless_rendering_enabled);
  EXPECT_EQ(0, c.window.transparent_painting_enabled);
  EXPECT_EQ(30, c.browser_settings.windowless_frame_rate);
  EXPECT_EQ(sizeof(cef_browser_settings_t), c.browser_settings.size);
  EXPECT_EQ(0, c.browser_settings.javascript);

  ASSERT_TRUE(client->Browser());
  EXPECT_EQ(1, client->Browser()->GetIdentifier());
  EXPECT_TRUE(client->Browser()->IsSame(scripted::GetBrowser(1)));
  EXPECT_FALSE(client->Browser()->IsSame(scripted::GetRenderBrowser(1)));
  EXPECT_EQ(kNullWindowHandle, client->Browser()->GetHost()->GetWindowHandle());
  EXPECT_TRUE(Has(app_->Events(), "OnBrowserCreated:1"));
  EXPECT_TRUE(client->WrongThread().empty());
}

TEST_F(ScriptedTest, WindowedBrowserGetsTheProvidedHandle) {
#if defined(OS_WIN)
  HWND handle = reinterpret_cast<HWND>(0x4321);
#else
  unsigned long handle = 0x4321;
#endif
  scripted::SetWindowHandleProvider([handle](int) { return handle; });
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client, /*windowless=*/false);
  EXPECT_EQ(handle, scripted::GetBrowser(id)->GetHost()->GetWindowHandle());
  scripted::Call c = scripted::LastCall(scripted::CallKind::kCreateBrowser);
  EXPECT_EQ(0, c.window.windowless_rendering_enabled);
  EXPECT_EQ(800, c.window.width);
  EXPECT_EQ(600, c.window.height);
#if defined(OS_WIN)
  EXPECT_EQ(0x56010000u, c.window.style);
#endif
}

TEST_F(ScriptedTest, NavigationCallsAreRecordedWithTheAnswersGiven) {
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client);
  scripted::SetCanGoBack(id, true);
  CefRefPtr<CefBrowser> b = client->Browser();
  EXPECT_TRUE(b->CanGoBack());
  EXPECT_FALSE(b->CanGoForward());
  b->GoBack();
  b->Reload();
  b->GetMainFrame()->LoadURL("http://next.test/");
  b->GetHost()->SetZoomLevel(-1.25);
  EXPECT_FALSE(b->IsLoading());

  std::vector<scripted::Call> calls = scripted::Calls();
  std::vector<scripted::CallKind> kinds;
  for (const scripted::Call& call : calls)
    kinds.push_back(call.kind);
  std::vector<scripted::CallKind> expected = {
      scripted::CallKind::kInitialize, scripted::CallKind::kCreateBrowser, scripted::CallKind::kCanGoBack,
      scripted::CallKind::kCanGoForward, scripted::CallKind::kGoBack,       scripted::CallKind::kReload,
      scripted::CallKind::kLoadURL,      scripted::CallKind::kSetZoomLevel, scripted::CallKind::kIsLoading};
  EXPECT_EQ(expected, kinds);
  EXPECT_TRUE(calls[2].flag);
  EXPECT_FALSE(calls[3].flag);
  EXPECT_EQ("http://next.test/", calls[6].text);
  EXPECT_EQ(scripted::MainFrameId(id), calls[6].frame_id);
  EXPECT_EQ(-1.25, calls[7].zoom);
  EXPECT_EQ(-1.25, b->GetHost()->GetZoomLevel());
}

TEST_F(ScriptedTest, InputAndImeCallsKeepEveryField) {
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client);
  CefRefPtr<CefBrowserHost> host = scripted::GetBrowser(id)->GetHost();
  CefMouseEvent mouse;
  mouse.x = 12;
  mouse.y = 34;
  mouse.modifiers = EVENTFLAG_LEFT_MOUSE_BUTTON | EVENTFLAG_SHIFT_DOWN;
  host->SendMouseClickEvent(mouse, MBT_RIGHT, true, 2);
  host->SendMouseWheelEvent(mouse, 0, -120);
  host->SendMouseMoveEvent(mouse, true);
  CefKeyEvent key;
  key.type = KEYEVENT_CHAR;
  key.modifiers = EVENTFLAG_CONTROL_DOWN;
  key.windows_key_code = 0x41;
  key.native_key_code = 0x1E0001;
  key.is_system_key = 1;
  key.character = 0x4E2D;
  key.unmodified_character = 'a';
  key.focus_on_editable_field = 1;
  host->SendKeyEvent(key);
  host->ImeCommitText("\xE4\xB8\xAD\xE6\x96\x87", CefRange(0xFFFFFFFF, 0xFFFFFFFF), 0);
  host->ImeCancelComposition();
  host->SendFocusEvent(false);
  host->SendCaptureLostEvent();

  scripted::Call click = scripted::LastCall(scripted::CallKind::kSendMouseClickEvent);
  EXPECT_EQ(12, click.mouse.x);
  EXPECT_EQ(34, click.mouse.y);
  EXPECT_EQ(static_cast<uint32>(EVENTFLAG_LEFT_MOUSE_BUTTON | EVENTFLAG_SHIFT_DOWN), click.mouse.modifiers);
  EXPECT_EQ(MBT_RIGHT, click.number);
  EXPECT_TRUE(click.flag);
  EXPECT_EQ(2, click.count);
  EXPECT_EQ(-120, scripted::LastCall(scripted::CallKind::kSendMouseWheelEvent).delta_y);
  EXPECT_TRUE(scripted::LastCall(scripted::CallKind::kSendMouseMoveEvent).flag);
  scripted::Call k = scripted::LastCall(scripted::CallKind::kSendKeyEvent);
  EXPECT_EQ(0, memcmp(&k.key, static_cast<cef_key_event_t*>(&key), sizeof(cef_key_event_t)));
  scripted::Call ime = scripted::LastCall(scripted::CallKind::kImeCommitText);
  EXPECT_EQ("\xE4\xB8\xAD\xE6\x96\x87", ime.text);
  EXPECT_EQ(-1, ime.range.from);
  EXPECT_EQ(-1, ime.range.to);
  EXPECT_EQ(1u, scripted::CountOf(scripted::CallKind::kImeCancelComposition));
  EXPECT_FALSE(scripted::LastCall(scripted::CallKind::kSendFocusEvent).flag);
  EXPECT_EQ(1u, scripted::CountOf(scripted::CallKind::kSendCaptureLostEvent));
}

TEST_F(ScriptedTest, PaintLoadAndErrorDeliveries) {
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client);
  std::vector<unsigned char> pixels(4 * 4 * 3, 0);
  pixels[0] = 77;
  ASSERT_TRUE(scripted::Paint(id, PET_VIEW, pixels.data(), 4, 3));
  CefRect view;
  EXPECT_TRUE(scripted::GetViewRect(id, &view));
  EXPECT_EQ(640, view.width);
  scripted::LoadEnd(id, 200);
  scripted::LoadError(id, ERR_NAME_NOT_RESOLVED, "net::ERR_NAME_NOT_RESOLVED", "http://nowhere.test/");
  std::vector<std::string> events = client->Events();
  EXPECT_TRUE(Has(events, "OnPaint:0:4x3:77:1"));
  EXPECT_TRUE(Has(events, "OnLoadEnd:200:" + std::to_string(scripted::MainFrameId(id))));
  EXPECT_TRUE(Has(events, "OnLoadError:-105:net::ERR_NAME_NOT_RESOLVED:http://nowhere.test/"));
  EXPECT_TRUE(client->WrongThread().empty());
}

class TextCollector : public CefStringVisitor {
 public:
  void Visit(const CefString& string) override {
    text = string.ToString();
    on_ui = scripted::OnUiThread();
    visited = true;
  }
  std::string text;
  bool on_ui = false;
  std::atomic<bool> visited{false};
  IMPLEMENT_REFCOUNTING(TextCollector);
};

TEST_F(ScriptedTest, GetTextIsDeliveredLaterOnTheUiThread) {
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client);
  scripted::SetPageText(id, "\xE4\xBD\xA0\xE5\xA5\xBD world");
  CefRefPtr<TextCollector> collector = new TextCollector();
  scripted::GetBrowser(id)->GetMainFrame()->GetText(collector.get());
  scripted::WaitIdle();
  ASSERT_TRUE(collector->visited);
  EXPECT_EQ("\xE4\xBD\xA0\xE5\xA5\xBD world", collector->text);
  EXPECT_TRUE(collector->on_ui);
  EXPECT_EQ(1u, scripted::CountOf(scripted::CallKind::kGetText));
}

TEST_F(ScriptedTest, CloseBrowserRunsDoCloseThenOnBeforeCloseAndReleasesTheClient) {
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client);
  scripted::GetBrowser(id)->GetHost()->CloseBrowser(true);
  scripted::GetBrowser(id)->GetHost()->CloseBrowser(true);  // a second close changes nothing
  scripted::WaitIdle();
  EXPECT_TRUE(scripted::IsClosed(id));
  EXPECT_TRUE(scripted::LastCall(scripted::CallKind::kCloseBrowser).flag);
  std::vector<std::string> events = client->Events();
  auto do_close = std::find(events.begin(), events.end(), "DoClose");
  auto before_close = std::find(events.begin(), events.end(), "OnBeforeClose");
  ASSERT_NE(events.end(), do_close);
  ASSERT_NE(events.end(), before_close);
  EXPECT_LT(do_close, before_close);
  EXPECT_EQ(1, std::count(events.begin(), events.end(), "OnBeforeClose"));
  EXPECT_TRUE(Has(app_->Events(), "OnBrowserDestroyed:1"));
  EXPECT_EQ(nullptr, scripted::GetClient(id).get());
  EXPECT_TRUE(client->HasOneRef());  // only this test holds it now
}

TEST_F(ScriptedTest, DialogPopupAndContextMenu) {
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client);

  scripted::DialogOutcome alert = scripted::JSDialog(id, JSDIALOGTYPE_ALERT, "hi");
  EXPECT_TRUE(alert.has_handler);
  EXPECT_FALSE(alert.handled);
  EXPECT_TRUE(alert.suppress_message);
  EXPECT_FALSE(alert.continued());

  scripted::DialogOutcome prompt = scripted::JSDialog(id, JSDIALOGTYPE_PROMPT, "name?", "bob");
  EXPECT_TRUE(prompt.handled);
  ASSERT_TRUE(prompt.WaitContinued(1000));
  EXPECT_FALSE(prompt.success());
  EXPECT_EQ("bob!", prompt.user_input());
  EXPECT_EQ(1, prompt.continue_count());

  scripted::PopupOutcome popup = scripted::Popup(id, "http://popup.test/");
  EXPECT_TRUE(popup.has_handler);
  EXPECT_TRUE(popup.cancelled);

  scripted::ContextMenuOutcome menu = scripted::ContextMenu(id);
  EXPECT_TRUE(menu.has_handler);
  EXPECT_GT(menu.items_before, 0);
  EXPECT_EQ(0, menu.items_after);
  EXPECT_EQ(1, menu.clear_calls);
  EXPECT_TRUE(client->WrongThread().empty());
}

TEST_F(ScriptedTest, FramesShareIdsAcrossSidesIncludingHighBitIds) {
  const int64 high = static_cast<int64>(0x00000005FFFFFFF0LL);  // low half has its top bit set
  scripted::SetNextMainFrameId(high);
  CefRefPtr<TestClient> client = new TestClient();
  int id = Create(client);
  EXPECT_EQ(high, scripted::GetBrowser(id)->GetMainFrame()->GetIdentifier());
  EXPECT_EQ(high, scripted::GetRenderBrowser(id)->GetMainFrame()->GetIdentifier());
  EXPECT_NE(scripted::GetBrowser(id)->GetMainFrame().get(), scripted::GetRenderBrowser(id)->GetMainFrame().get());
  EXPECT_TRUE(scripted::GetBrowser(id)->GetFrame(high)->IsMain());

  scripted::AddFrame(id, 77, "child");
  EXPECT_EQ(2u, scripted::GetBrowser(id)->GetFrameCount());
  EXPECT_FALSE(scripted::GetRenderBrowser(id)->GetFrame(77)->IsMain());
  EXPECT_EQ(nullptr, scripted::GetBrowser(id)->GetFrame(78).get());

  CefRefPtr<CefFrame> old_main = scripted::GetBrowser(id)->GetMainFrame();
  scripted::SetMainFrameId(id, -42);
  EXPECT_EQ(-42, scripted::GetBrowser(id)->GetMainFrame()->GetIdentifier());
  EXPECT_FALSE(old_main->IsValid());
}

TEST_F(ScriptedTest, RunOnThreadsAndWaitForCallTimesOut) {
  std::thread::id ui, renderer;
  scripted::RunOnUi([&] { ui = std::this_thread::get_id(); });
  scripted::RunOnRenderer([&] { renderer = std::this_thread::get_id(); });
  EXPECT_NE(ui, renderer);
  EXPECT_NE(std::this_thread::get_id(), ui);
  EXPECT_NE(std::this_thread::get_id(), renderer);
  EXPECT_FALSE(scripted::OnUiThread());
  EXPECT_FALSE(scripted::WaitForCall(scripted::CallKind::kReload, 1, 50));
}

}  // namespace
