// Load errors, context menus, JavaScript dialogs and popups.
#include <cstring>
#include <mutex>
#include <string>

#include "tests/unit/system/system_fixture.h"

namespace {

using scripted::CallKind;

class PageBehaviourTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    InitClient();
    host_window_ = MakeWindow({0, 0, 800, 600});
    CreateWindowless(800, 600, "http://example.test/", host_window_);
    engine_ = EngineBrowser();
  }
  HWND host_window_ = nullptr;
  int engine_ = 0;
};

TEST_F(PageBehaviourTest, FailedLoadShowsTheErrorPageInTheFailingFrame) {
  scripted::AddFrame(engine_, 77, "child");
  const struct {
    int64 frame;
    cef_errorcode_t code;
    const char* text;
    const char* url;
    const char* page;
  } cases[] = {
      {0, ERR_NAME_NOT_RESOLVED, "net::ERR_NAME_NOT_RESOLVED", "http://nowhere.invalid/",
       "<html><body bgcolor=\"white\"><h2>Failed to load URL http://nowhere.invalid/ with error "
       "net::ERR_NAME_NOT_RESOLVED (-105).</h2></body></html>"},
      {77, ERR_CONNECTION_REFUSED, "net::ERR_CONNECTION_REFUSED", "http://127.0.0.1:9/frame",
       "<html><body bgcolor=\"white\"><h2>Failed to load URL http://127.0.0.1:9/frame with error "
       "net::ERR_CONNECTION_REFUSED (-102).</h2></body></html>"},
      {0, static_cast<cef_errorcode_t>(5), "odd", "http://x.test/", 
       "<html><body bgcolor=\"white\"><h2>Failed to load URL http://x.test/ with error odd (5).</h2></body></html>"},
  };
  for (const auto& c : cases) {
    scripted::ClearCalls();
    scripted::LoadError(engine_, c.code, c.text, c.url, c.frame);
    ASSERT_EQ(scripted::CountOf(CallKind::kLoadString), 1u) << c.url;
    const scripted::Call shown = scripted::LastCall(CallKind::kLoadString);
    EXPECT_EQ(shown.text, c.page);
    EXPECT_EQ(shown.url, c.url) << "the frame keeps the failed address";
    EXPECT_EQ(shown.frame_id, c.frame ? c.frame : scripted::MainFrameId(engine_));
  }
}

TEST_F(PageBehaviourTest, AbortedLoadLeavesTheFrameAlone) {
  scripted::LoadError(engine_, ERR_ABORTED, "net::ERR_ABORTED", "http://example.test/download.zip");
  EXPECT_EQ(scripted::CountOf(CallKind::kLoadString), 0u);
}

TEST_F(PageBehaviourTest, ContextMenuIsAlwaysEmpty) {
  const scripted::ContextMenuOutcome menu = scripted::ContextMenu(engine_);
  ASSERT_TRUE(menu.has_handler);
  EXPECT_GT(menu.items_before, 0);
  EXPECT_EQ(menu.items_after, 0);
  EXPECT_EQ(menu.clear_calls, 1);
  EXPECT_FALSE(menu.run_handled);
}

struct BoxAnswer {
  int button = IDOK;
  int shown = 0;
  HWND owner = nullptr;
  std::string text, caption;
  UINT style = 0;
};

int Answer(void* user, HWND owner, const char* text, const char* caption, UINT style) {
  BoxAnswer* answer = static_cast<BoxAnswer*>(user);
  ++answer->shown;
  answer->owner = owner;
  answer->text = text;
  answer->caption = caption;
  answer->style = style;
  return answer->button;
}

const char kCaption[] = "\xE6\x8F\x90\xE7\xA4\xBA";  // 提示

TEST_F(PageBehaviourTest, AlertIsATopmostBoxOwnedByTheHostWindow) {
  BoxAnswer answer;
  mvw32_set_message_box_responder(Answer, &answer);
  const scripted::DialogOutcome outcome = scripted::JSDialog(engine_, JSDIALOGTYPE_ALERT, "\xE4\xBD\xA0\xE5\xA5\xBD!");
  EXPECT_EQ(answer.shown, 1);
  EXPECT_EQ(answer.owner, host_window_);
  EXPECT_EQ(answer.text, "\xE4\xBD\xA0\xE5\xA5\xBD!");
  EXPECT_EQ(answer.caption, kCaption);
  EXPECT_EQ(answer.style, static_cast<UINT>(MB_TOPMOST));
  EXPECT_FALSE(outcome.handled);
  EXPECT_TRUE(outcome.suppress_message) << "the engine shows nothing of its own";
}

TEST_F(PageBehaviourTest, ConfirmIsAcceptedOnlyByOk) {
  const struct {
    int button;
    bool accepted;
  } cases[] = {{IDOK, true}, {IDCANCEL, false}, {0, false}, {7 /* IDNO */, false}};
  for (const auto& c : cases) {
    BoxAnswer answer;
    answer.button = c.button;
    mvw32_set_message_box_responder(Answer, &answer);
    scripted::DialogOutcome outcome = scripted::JSDialog(engine_, JSDIALOGTYPE_CONFIRM, "sure?");
    EXPECT_EQ(answer.style, static_cast<UINT>(MB_TOPMOST | MB_OKCANCEL));
    EXPECT_EQ(answer.caption, kCaption);
    EXPECT_TRUE(outcome.handled);
    EXPECT_FALSE(outcome.suppress_message);
    ASSERT_TRUE(outcome.WaitContinued()) << c.button;
    EXPECT_EQ(outcome.continue_count(), 1);
    EXPECT_EQ(outcome.success(), c.accepted) << c.button;
    EXPECT_EQ(outcome.user_input(), "");
  }
}

TEST_F(PageBehaviourTest, PromptIsLeftToTheEngine) {
  BoxAnswer answer;
  mvw32_set_message_box_responder(Answer, &answer);
  scripted::DialogOutcome outcome = scripted::JSDialog(engine_, JSDIALOGTYPE_PROMPT, "name?", "default");
  EXPECT_EQ(answer.shown, 0);
  EXPECT_FALSE(outcome.handled);
  EXPECT_FALSE(outcome.continued());
}

struct ShellRecord {
  std::mutex lock;
  std::vector<std::string> files;
  std::vector<std::string> verbs;
  std::vector<int> shows;
};

int RecordOpen(void* user, HWND, const char* verb, const char* file, const char*, const char*, int show) {
  ShellRecord* record = static_cast<ShellRecord*>(user);
  std::lock_guard<std::mutex> hold(record->lock);
  record->files.push_back(file ? file : "");
  record->verbs.push_back(verb ? verb : "");
  record->shows.push_back(show);
  return 42;
}

TEST_F(PageBehaviourTest, PopupsOpenInTheShellOnlyForWebAndMailAddresses) {
  ShellRecord record;
  mvw32_set_shell_open_handler(RecordOpen, &record);
  const struct {
    const char* url;
    bool opened;
  } cases[] = {
      {"https://example.com/page?x=1", true},
      {"http://\xE4\xB8\xAD.example/\xE6\x96\x87", true},
      {"mailto:help@example.com", true},
      {"file:///etc/passwd", false},
      {"javascript:alert(1)", false},
      {"steam://install/10", false},
  };
  const size_t browsers_before = scripted::BrowserIds().size();
  for (const auto& c : cases) {
    const size_t before = record.files.size();
    const scripted::PopupOutcome popup = scripted::Popup(engine_, c.url);
    EXPECT_TRUE(popup.cancelled) << c.url;
    ASSERT_EQ(record.files.size() - before, c.opened ? 1u : 0u) << c.url;
    if (c.opened) {
      EXPECT_EQ(record.files.back(), c.url);
      EXPECT_EQ(record.verbs.back(), "open");
      EXPECT_EQ(record.shows.back(), SW_SHOW);
    }
  }
  EXPECT_EQ(scripted::BrowserIds().size(), browsers_before);
  EXPECT_EQ(scripted::CountOf(CallKind::kCreateBrowser), 1u);
}

TEST_F(PageBehaviourTest, KeysAndDisplayEventsKeepTheEngineDefaults) {
  CefKeyEvent key;
  key.type = KEYEVENT_RAWKEYDOWN;
  key.windows_key_code = 'A';
  EXPECT_FALSE(scripted::KeyboardEvent(engine_, key)) << "the page gets every key";
  EXPECT_FALSE(scripted::ConsoleMessage(engine_, "hello", "http://example.test/", 1));
  scripted::TitleChange(engine_, "title");
  scripted::AddressChange(engine_, "http://example.test/elsewhere");
  EXPECT_EQ(scripted::CountOf(CallKind::kLoadURL), 0u);
}

}  // namespace
