// BrowserHost against a recording stand-in for the library: what a game's calls look like.
#include "host/browser_host.h"

#include <gtest/gtest.h>
#include <imm.h>

#include <cstring>
#include <deque>
#include <sstream>

namespace mvhost {
namespace {

struct Call {
  std::string name;
  std::vector<long long> args;
  bool operator==(const Call& o) const { return name == o.name && args == o.args; }
};
std::ostream& operator<<(std::ostream& os, const Call& c) {
  os << c.name << "(";
  for (long long a : c.args) os << a << ",";
  return os << ")";
}

struct FakeLibrary {
  std::vector<Call> calls;
  std::deque<std::pair<std::string, std::string>> messages;
  int browser_id = 1;
  bool frame_pending = false;
  int frame_width = 0, frame_height = 0;
  std::string page_text;       // UTF-8
  std::string next_page_text;  // captured right after the size query
  std::u16string ime_result;
  std::u16string ime_result_at_composition;
  HWND window = reinterpret_cast<HWND>(0x5000);

  void Record(const char* name, std::vector<long long> args = {}) { calls.push_back({name, std::move(args)}); }
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (const Call& c : calls) out.push_back(c.name);
    return out;
  }
};
FakeLibrary* fake = nullptr;

long long H(const void* p) { return static_cast<long long>(reinterpret_cast<uintptr_t>(p)); }

LibraryApi FakeApi() {
  LibraryApi api;
  api.fnmvPackCefDllInitializeCef = [](HINSTANCE h, bool client) {
    fake->Record("Initialize", {H(h), client});
    return 1;
  };
  api.fnmvPackCefDllUninitializeCef = [] {
    fake->Record("Uninitialize");
    return 1;
  };
  api.fnmvPackCefDllCreateBrowser = [](RECT r, const char* url, HWND handler, HWND parent) {
    fake->Record("CreateBrowser", {r.left, r.top, r.right, r.bottom, H(handler), H(parent)});
    return fake->browser_id;
  };
  api.fnmvPackCefDllSelectHandler = [](unsigned int id) { fake->Record("SelectHandler", {id}); };
  api.fnmvPackCefDllDoClose = [] {
    fake->Record("DoClose");
    return 1;
  };
  api.fnmvPackCefDllGotoUrl = [](const char*) {
    fake->Record("GotoUrl");
    return 0;
  };
  api.fnmvPackCefDllGoBack = [] {
    fake->Record("GoBack");
    return 1;
  };
  api.fnmvPackCefDllGoForward = [] {
    fake->Record("GoForward");
    return 1;
  };
  api.fnmvPackCefDllReload = [] {
    fake->Record("Reload");
    return 1;
  };
  api.fnmvPackCefDllDoZoom = [](int percent) { fake->Record("DoZoom", {percent}); };
  // The two-call text protocol: the UTF-8 size + 1, then the whole text or, into a smaller
  // buffer, false with the size needed and the text kept. A text that replaces the held one
  // between the two calls is staged in next_page_text.
  api.fnmvPackCefDLLGetSource = [](char* buffer, int* size) {
    if (fake->page_text.empty()) return false;
    const int needed = static_cast<int>(fake->page_text.size()) + 1;
    if (!buffer || *size < 1) {
      *size = needed;
      if (!fake->next_page_text.empty()) fake->page_text.swap(fake->next_page_text);
      return true;
    }
    if (*size < needed) {
      *size = needed;
      return false;
    }
    std::memcpy(buffer, fake->page_text.c_str(), fake->page_text.size() + 1);
    fake->page_text.clear();
    return true;
  };
  api.fnmvPackCefDllGetMsg = [](char* name, char* value) {
    if (fake->messages.empty()) return;
    std::strcpy(name, fake->messages.front().first.c_str());
    std::strcpy(value, fake->messages.front().second.c_str());
    fake->messages.pop_front();
  };
  api.fnmvPackCefDllIsDirty = [] { return !fake->messages.empty(); };
  api.fnmvPackCefDllSetUploadIsDone = [](bool done) { fake->Record("SetUploadIsDone", {done}); };
  api.fnmvPackCefDllGetBrowserHasNewFrame = [](int* w, int* h) {
    if (!fake->frame_pending) return false;
    *w = fake->frame_width;
    *h = fake->frame_height;
    return true;
  };
  api.fnmvPackCefDllGetBrowserRenderData = [](void* dest) {
    if (dest) std::memset(dest, 0x7F, static_cast<size_t>(fake->frame_width) * fake->frame_height * 4);
    fake->frame_pending = false;
  };
  api.fnmvPackCefDllSendWMButtonDown = [](UINT m, WPARAM w, LPARAM l, int ox, int oy) {
    fake->Record("ButtonDown", {m, static_cast<long long>(w), l, ox, oy});
  };
  api.fnmvPackCefDllSendDWMButtonUp = [](UINT m, WPARAM w, LPARAM l, int ox, int oy) {
    fake->Record("ButtonUp", {m, static_cast<long long>(w), l, ox, oy});
  };
  api.fnmvPackCefDllSendWMMouseMove = [](UINT m, WPARAM w, LPARAM l, int ox, int oy) {
    fake->Record("MouseMove", {m, static_cast<long long>(w), l, ox, oy});
  };
  api.fnmvPackCefDllSendSendWMMouseLeave = [](UINT m, WPARAM w) {
    fake->Record("MouseLeave", {m, static_cast<long long>(w)});
  };
  api.fnmvPackCefDllSendWMMouseWheel = [](UINT m, WPARAM w, LPARAM l, int ox, int oy) {
    fake->Record("Wheel", {m, static_cast<long long>(w), l, ox, oy});
  };
  api.fnmvPackCefDllSendWMFocus = [](UINT m) { fake->Record("Focus", {m}); };
  api.fnmvPackCefDllSendSendWMCancel = [] { fake->Record("Cancel"); };
  api.fnmvPackCefDllSendSendKeyEvent = [](UINT m, WPARAM w, LPARAM l) {
    fake->Record("Key", {m, static_cast<long long>(w), l});
  };
  api.fnmvPackCefDllImeComposition = [](UINT m, WPARAM w, LPARAM l) {
    fake->ime_result_at_composition = fake->ime_result;
    fake->Record("ImeComposition", {m, static_cast<long long>(w), l});
  };
  api.fnmvPackCefDllImeCancelComposition = [] { fake->Record("ImeCancel"); };
  api.mvw32_create_window = [](HWND parent, RECT r, BOOL visible) {
    fake->Record("CreateWindow", {H(parent), r.left, r.top, r.right, r.bottom, visible});
    return fake->window;
  };
  api.mvw32_destroy_window = [](HWND w) {
    fake->Record("DestroyWindow", {H(w)});
    return TRUE;
  };
  api.mvw32_move_window = [](HWND w, RECT r) {
    fake->Record("MoveWindow", {H(w), r.left, r.top, r.right, r.bottom});
    return TRUE;
  };
  api.mvw32_set_key_state = [](int vk, BOOL down, BOOL toggled) { fake->Record("KeyState", {vk, down, toggled}); };
  api.mvw32_set_ime_result_utf16 = [](HWND, const uint16_t* text, size_t length) {
    fake->ime_result.assign(reinterpret_cast<const char16_t*>(text), length);
    return TRUE;
  };
  api.mvw32_clear_ime_result = [](HWND) {
    fake->ime_result.clear();
    fake->Record("ClearIme");
    return TRUE;
  };
  return api;
}

class BrowserHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = &library_;
    api_ = FakeApi();
    host_ = std::make_unique<BrowserHost>(api_, out_, log_);
  }
  void TearDown() override {
    host_.reset();
    fake = nullptr;
  }
  void Start() {
    std::string error;
    ASSERT_TRUE(host_->Start(handle_, "file:///page.html", 800, 600, POINT{10, 20}, 100, error)) << error;
    library_.calls.clear();
  }

  FakeLibrary library_;
  LibraryApi api_;
  std::ostringstream out_, log_;
  std::unique_ptr<BrowserHost> host_;
  void* handle_ = reinterpret_cast<void*>(0xABC0);
};

TEST_F(BrowserHostTest, StartsInClientModeWithAWindowlessBrowserAndAHandlerWindow) {
  std::string error;
  ASSERT_TRUE(host_->Start(handle_, "file:///page.html", 640, 480, POINT{10, 20}, 125, error));
  const std::vector<Call> expected = {
      {"Initialize", {0xABC0, 1}},
      {"CreateWindow", {0, 10, 20, 650, 500, 1}},
      {"CreateBrowser", {0, 0, 640, 480, H(library_.window), 0}},  // no parent: windowless
      {"DoZoom", {125}},
  };
  EXPECT_EQ(library_.calls, expected);
}

TEST_F(BrowserHostTest, StartFailsWithoutABrowserId) {
  library_.browser_id = 0;
  std::string error;
  EXPECT_FALSE(host_->Start(handle_, "about:blank", 800, 600, POINT{0, 0}, 100, error));
  EXPECT_NE(error, "");
}

TEST_F(BrowserHostTest, StopClosesTheBrowserThenShutsDownOnce) {
  Start();
  host_->Stop();
  host_->Stop();
  const std::vector<std::string> expected = {"DoClose", "Uninitialize", "DestroyWindow"};
  EXPECT_EQ(library_.Names(), expected);
}

TEST_F(BrowserHostTest, PrintsPageMessagesAndAnswersTextsAsUploaded) {
  Start();
  library_.messages = {{"batchUploadImg", "hello game"}, {"somethingElse", "x"}, {"batchUploadImg", ""}};
  host_->Pump();
  EXPECT_EQ(out_.str(), "message: batchUploadImg hello game\nmessage: somethingElse x\nmessage: batchUploadImg \n");
  const std::vector<Call> expected = {{"SetUploadIsDone", {1}}, {"SetUploadIsDone", {1}}};
  EXPECT_EQ(library_.calls, expected);
  EXPECT_EQ(host_->messages_received(), 3);
}

TEST_F(BrowserHostTest, TakesAWaitingFrameOnce) {
  Start();
  EXPECT_FALSE(host_->Pump());
  library_.frame_pending = true;
  library_.frame_width = 4;
  library_.frame_height = 2;
  EXPECT_TRUE(host_->Pump());
  EXPECT_EQ(host_->frame_width(), 4);
  EXPECT_EQ(host_->frame_height(), 2);
  ASSERT_EQ(host_->frame().size(), 32u);
  EXPECT_EQ(host_->frame()[31], 0x7F);
  EXPECT_FALSE(host_->Pump());
  EXPECT_EQ(host_->frames_received(), 1);
}

TEST_F(BrowserHostTest, FirstFrameWaitGivesUpAfterTheTimeout) {
  Start();
  EXPECT_FALSE(host_->WaitForFirstFrame(0.05));
  library_.frame_pending = true;
  library_.frame_width = library_.frame_height = 1;
  EXPECT_TRUE(host_->WaitForFirstFrame(0.05));
}

TEST_F(BrowserHostTest, ClickMovesPressesAndReleasesTheLeftButton) {
  Start();
  host_->Play(Action{Action::kClick, 100, -5});
  const long long at = static_cast<long long>(MAKELPARAM(100, -5));
  const std::vector<Call> expected = {
      {"MouseMove", {WM_MOUSEMOVE, 0, at, 0, 0}},
      {"ButtonDown", {WM_LBUTTONDOWN, MK_LBUTTON, at, 0, 0}},
      {"ButtonUp", {WM_LBUTTONUP, 0, at, 0, 0}},
  };
  EXPECT_EQ(library_.calls, expected);
}

TEST_F(BrowserHostTest, WheelCarriesScreenCoordinates) {
  Start();  // the handler window sits at (10, 20) on screen
  host_->Play(Action{Action::kWheel, 5, 6, -120});
  ASSERT_EQ(library_.calls.size(), 2u);
  const Call& wheel = library_.calls[1];
  EXPECT_EQ(wheel.name, "Wheel");
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(static_cast<WPARAM>(wheel.args[1])), -120);
  EXPECT_EQ(GET_X_LPARAM(wheel.args[2]), 15);
  EXPECT_EQ(GET_Y_LPARAM(wheel.args[2]), 26);
}

TEST_F(BrowserHostTest, TypingSetsTheKeyStateAroundCapitals) {
  Start();
  host_->Play(Action{Action::kType, 0, 0, 0, 0, "aB"});
  const std::vector<std::string> expected = {"Key",      "Key", "Key", "KeyState", "Key", "Key",
                                             "Key",      "Key", "KeyState", "Key"};
  EXPECT_EQ(library_.Names(), expected);
  EXPECT_EQ(library_.calls[3].args, (std::vector<long long>{VK_LSHIFT, 1, 0}));
  EXPECT_EQ(library_.calls[6].args[1], 'B');
  EXPECT_EQ(library_.calls[8].args, (std::vector<long long>{VK_LSHIFT, 0, 0}));
}

TEST_F(BrowserHostTest, ImeTextIsTheResultStringDuringTheComposition) {
  Start();
  host_->Play(Action{Action::kIme, 0, 0, 0, 0, "\xE4\xBD\xA0\xE5\xA5\xBD ok"});
  EXPECT_EQ(library_.ime_result_at_composition, u"\u4F60\u597D ok");
  const std::vector<Call> expected = {{"ImeComposition", {WM_IME_COMPOSITION, 0, GCS_RESULTSTR}}, {"ClearIme", {}}};
  EXPECT_EQ(library_.calls, expected);
  EXPECT_EQ(library_.ime_result, u"");  // not left for a later composition
}

TEST_F(BrowserHostTest, NavigationActions) {
  Start();
  host_->Play(Action{Action::kBack});
  host_->Play(Action{Action::kForward});
  host_->Play(Action{Action::kReload});
  host_->Play(Action{Action::kLoad, 0, 0, 0, 0, "about:blank"});
  const std::vector<std::string> expected = {"GoBack", "GoForward", "Reload", "GotoUrl"};
  EXPECT_EQ(library_.Names(), expected);
}

TEST_F(BrowserHostTest, PageTextIsReadWholeAlsoWhenANewerOneArrivesBetweenTheCalls) {
  Start();
  const std::string chinese = "\xE4\xBD\xA0\xE5\xA5\xBD \xE4\xB8\x96\xE7\x95\x8C";  // 13 bytes
  library_.page_text = chinese;
  EXPECT_EQ(host_->TakePageText(), chinese);
  EXPECT_EQ(host_->TakePageText(), "");  // taken

  library_.page_text = "old";
  library_.next_page_text = chinese;
  EXPECT_EQ(host_->TakePageText(), chinese) << "asked again with the size it was told";
}

}  // namespace
}  // namespace mvhost
