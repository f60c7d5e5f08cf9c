// The library driven only through its exports, as a game drives it: loaded with dlopen, every
// function bound by name, the engine started once per process with the dlopen handle (ctest runs
// each test in a process of its own), a real headless Chromium behind it. Each test opens its own
// browsers and closes them; the process ends by shutting the engine down.
#include <imm.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/exports/host_session.h"
#include "tests/e2e/exports/loopback_server.h"
#include "tests/e2e/exports/process_tree.h"
#include "tests/e2e/exports/text_codec.h"

namespace exports_e2e {
namespace {

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0}, kWhite{255, 255, 255};

std::string& StartError() {
  static std::string error;
  return error;
}

// One engine start per process (the library does not start twice); shut down at the end, which
// must leave no process of ours running.
class LibraryEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!AdoptOrphans()) StartError() = "cannot adopt orphaned processes";
    static LoadedLibrary library;
    if (!StartLibrary(&library, &StartError()) && StartError().empty()) StartError() = "library did not start";
  }
  void TearDown() override {
    LoadedLibrary* library = StartedLibrary();
    if (!library) return;
    EXPECT_EQ(library->api.fnmvPackCefDllUninitializeCef(), 1);
    std::vector<ProcessInfo> left;
    EXPECT_TRUE(PollUntil([&] {
      left = RunningDescendants(::getpid());
      return left.empty();
    })) << "still running after fnmvPackCefDllUninitializeCef:\n"
        << Describe(left);
  }
};
::testing::Environment* const kEnvironment = ::testing::AddGlobalTestEnvironment(new LibraryEnvironment);

class Exports : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadedLibrary* library = StartedLibrary();
    ASSERT_NE(library, nullptr) << StartError();
    api_ = &library->api;
    api_->mvw32_clear_message_boxes();
    api_->mvw32_clear_shell_opens();
    api_->mvw32_clear_key_state();
    ClearMessageBoxAnswers();
    host_ = std::make_unique<Host>(*api_);
  }
  void TearDown() override {
    if (host_) {
      EXPECT_EQ(host_->overruns(), 0) << "GetMsg wrote past a 256-byte field or left it unterminated";
    }
    host_.reset();
  }

  const Api& api() { return *api_; }
  Host& host() { return *host_; }

  // A handler window whose client area holds the view at (kViewX, kViewY), and a windowless
  // browser of width x height in it.
  int OpenBrowser(const std::string& url, int width = 800, int height = 600, int zoom = 100) {
    window_ = host().NewWindow(RECT{100, 100, 100 + kViewX + width, 100 + kViewY + height});
    if (!window_) return 0;
    return host().NewBrowser(url, width, height, window_, zoom);
  }

  // OpenBrowser for a page that reports through the bridge; ready once `key` was reported.
  int OpenBrowserWithBridge(const std::string& url, const std::string& key, int width = 800, int height = 600,
                            int zoom = 100) {
    window_ = host().NewWindow(RECT{100, 100, 100 + kViewX + width, 100 + kViewY + height});
    if (!window_) return 0;
    return host().NewBrowserWithBridge(url, width, height, window_, Reported(key), zoom);
  }
  static std::function<bool(const Reports&)> Reported(const std::string& key) {
    return [key](const Reports& r) { return r.Last(key).has_value(); };
  }

  // Where the view lies in the handler window's client area; mouse messages carry client
  // coordinates and these offsets.
  static constexpr int kViewX = 30, kViewY = 20;

  const Api* api_ = nullptr;
  std::unique_ptr<Host> host_;
  HWND window_ = nullptr;
};

struct Probe {
  int x, y;
  Rgb colour;
};

std::string Mismatches(const Frame& frame, const std::vector<Probe>& probes) {
  std::string out;
  for (const Probe& p : probes)
    if (!frame.Near(p.x, p.y, p.colour))
      out += "  (" + std::to_string(p.x) + "," + std::to_string(p.y) + ") is " + Describe(frame.At(p.x, p.y)) +
             ", expected " + Describe(p.colour) + "\n";
  return out;
}

bool Matches(const Frame& frame, int width, int height, const std::vector<Probe>& probes) {
  return frame.width == width && frame.height == height && Mismatches(frame, probes).empty();
}

// Letters and digits as they are, every other byte as %XX.
std::string PercentEncoded(const std::string& text) {
  std::string encoded;
  for (char ch : text) {
    if (std::isalnum(static_cast<unsigned char>(ch))) {
      encoded.push_back(ch);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof(hex), "%%%02X", static_cast<unsigned char>(ch));
      encoded += hex;
    }
  }
  return encoded;
}

// ---- Frames --------------------------------------------------------------------------------

TEST_F(Exports, WindowlessBrowserPaintsTheColourBlocksAtTheirPixels) {
  ASSERT_GT(OpenBrowser(SharedPageUrl("color_blocks.html")), 0);
  // Four 400 x 300 blocks; probes in each and 6 px either side of every border.
  const std::vector<Probe> probes = {
      {200, 150, kRed},   {600, 150, kGreen},  {200, 450, kBlue},   {600, 450, kYellow},
      {6, 6, kRed},       {793, 6, kGreen},    {6, 593, kBlue},     {793, 593, kYellow},
      {394, 150, kRed},   {406, 150, kGreen},  {200, 294, kRed},    {200, 306, kBlue},
      {394, 450, kBlue},  {406, 450, kYellow}, {600, 294, kGreen},  {600, 306, kYellow},
  };
  Frame frame;
  const bool painted = host().WaitForFrame([&](const Frame& f) { return Matches(f, 800, 600, probes); }, &frame,
                                           kFirstFrameSeconds);
  ASSERT_TRUE(painted) << "last frame " << frame.width << "x" << frame.height << ":\n" << Mismatches(frame, probes);
  // Byte order blue, green, red, alpha: the red block has its red in the third byte.
  const uint8_t* top_left = frame.bgra.data() + (150 * 800 + 200) * 4;
  EXPECT_LT(top_left[0], 60);
  EXPECT_LT(top_left[1], 60);
  EXPECT_GT(top_left[2], 200);
  EXPECT_GT(top_left[3], 200);
}

// ---- Mouse ---------------------------------------------------------------------------------

TEST_F(Exports, ClickOnTheButtonRepaintsItAndThePageSaysSo) {
  ASSERT_GT(OpenBrowserWithBridge(PageUrl("input.html"), "ready"), 0) << host().reports().Summary();
  Frame frame;
  ASSERT_TRUE(host().WaitForFrame([](const Frame& f) { return f.width == 800 && f.Near(200, 140, kBlue); }, &frame));

  host().Click(200, 140, kViewX, kViewY);

  EXPECT_TRUE(host().WaitForFrame([](const Frame& f) { return f.Near(200, 140, kRed) && f.Near(50, 140, kWhite); },
                                  &frame))
      << "button at (200,140) is " << Describe(frame.At(200, 140));
  ASSERT_TRUE(host().WaitForReport("click")) << host().reports().Summary();
  EXPECT_EQ(host().reports().Values("click"), std::vector<std::string>{"1"});
  // The page saw the press where it was made in the view: the offsets were taken off.
  EXPECT_EQ(host().reports().Last("down"), "0 200,140 shift=false ctrl=false");
  for (const std::string& name : host().message_names()) EXPECT_EQ(name, "batchUploadImg");
}

TEST_F(Exports, EachMouseButtonAndItsModifiersReachThePage) {
  ASSERT_GT(OpenBrowserWithBridge(PageUrl("input.html"), "ready"), 0) << host().reports().Summary();

  struct Case {
    const char* what;
    UINT down, up;
    WPARAM key_state;
    int x, y;
    const char* page_down;  // event.button, position, Shift and Ctrl as the page saw them
  };
  const Case cases[] = {
      {"left", WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 120, 90, "0 120,90 shift=false ctrl=false"},
      {"right with Shift", WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON | MK_SHIFT, 250, 110,
       "2 250,110 shift=true ctrl=false"},
      {"middle with Ctrl", WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON | MK_CONTROL, 290, 190,
       "1 290,190 shift=false ctrl=true"},
  };
  size_t downs = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const LPARAM at = PointLParam(c.x + kViewX, c.y + kViewY);
    api().fnmvPackCefDllSendWMMouseMove(WM_MOUSEMOVE, 0, at, kViewX, kViewY);
    api().fnmvPackCefDllSendWMButtonDown(c.down, c.key_state, at, kViewX, kViewY);
    // Windows' button-up carries what is still held; a release never reports modifiers.
    api().fnmvPackCefDllSendDWMButtonUp(c.up, c.key_state & (MK_SHIFT | MK_CONTROL), at, kViewX, kViewY);
    ++downs;
    ASSERT_TRUE(host().WaitForReport("up", [&](const std::string&) {
      return host().reports().Values("up").size() >= downs;
    })) << host().reports().Summary();
    ASSERT_EQ(host().reports().Values("down").size(), downs) << host().reports().Summary();
    EXPECT_EQ(host().reports().Values("down").back(), c.page_down);
    const std::string button_and_place = std::string(c.page_down).substr(0, std::string(c.page_down).find(" shift"));
    EXPECT_EQ(host().reports().Values("up").back(), button_and_place + " shift=false ctrl=false");
  }
  EXPECT_EQ(host().reports().Values("contextmenu").size(), 1u) << "only the right button asks for a menu";
  EXPECT_EQ(host().reports().Values("click"), std::vector<std::string>{"1"}) << "only the left button clicks";
}

// ---- Keys and IME --------------------------------------------------------------------------

TEST_F(Exports, TypedKeysAndCommittedImeTextLandInTheField) {
  ASSERT_GT(OpenBrowserWithBridge(PageUrl("input.html"), "ready"), 0) << host().reports().Summary();
  host().Click(300, 320, kViewX, kViewY);
  ASSERT_TRUE(host().WaitForReport("focus")) << host().reports().Summary();

  host().Type("Hi 2");
  ASSERT_TRUE(host().WaitForReport("value", [](const std::string& v) { return v == "Hi 2"; }))
      << host().reports().Summary();
  const std::vector<std::string> keys = host().reports().Values("keydown");
  const std::vector<std::string> expected_keys = {"Shift shift=true", "H shift=true", "i shift=false",
                                                  "  shift=false", "2 shift=false"};
  EXPECT_EQ(keys, expected_keys);

  // A composition still in progress shows nothing; only the result string is committed.
  host().CommitIme(window_, u"x", GCS_COMPSTR);
  host().CommitIme(window_, u"你好", GCS_RESULTSTR);
  ASSERT_TRUE(host().WaitForReport("value", [](const std::string& v) { return v == "Hi 2你好"; }))
      << host().reports().Summary();
  for (const std::string& v : host().reports().Values("value")) EXPECT_EQ(v.find('x'), std::string::npos) << v;
  EXPECT_EQ(api().mvw32_ime_context_refs(window_), 0) << "every input context taken was released";
}

// ---- Navigation and zoom -------------------------------------------------------------------

TEST_F(Exports, BackForwardAndReloadShowTheRightPage) {
  LoopbackServer server(PagesDir());
  ASSERT_TRUE(server.Start());
  int silent_port = 0;
  const int silent = SilentLoopbackListener(&silent_port);
  ASSERT_GE(silent, 0);
  struct Case {
    const char* what;
    std::string first, second;
  };
  const Case cases[] = {
      {"two files", PageUrl("nav_a.html"), PageUrl("nav_b.html")},
      {"a file, then another origin", PageUrl("nav_a.html"), server.Url("/nav_b.html")},
      {"two files, B held by a request", PageUrl("nav_a.html"),
       PageUrl("nav_b.html") + "?hang=request&port=" + std::to_string(silent_port)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Host nav(api());
    HWND window = nav.NewWindow(RECT{0, 0, 800, 600});
    ASSERT_GT(nav.NewBrowserWithBridge(c.first, 800, 600, window, Reported("shown")), 0) << nav.reports().Summary();
    // The page's report of itself, then its text, which the library takes at load end: the
    // engine learns the history only then, and history steps asked for earlier are dropped.
    auto shown = [&](size_t count, const std::string& page) {
      const bool ok = nav.WaitForReport("shown", [&](const std::string&) {
        return nav.reports().Values("shown").size() >= count;
      }, count == 1 ? kFirstFrameSeconds : kWaitSeconds);
      const std::vector<std::string> all = nav.reports().Values("shown");
      EXPECT_TRUE(ok) << "page " << page << " was not shown; " << nav.reports().Summary();
      EXPECT_EQ(all.size(), count) << nav.reports().Summary();
      std::string text;
      EXPECT_TRUE(nav.WaitForPageText([](const std::string&) { return true; }, &text));
      EXPECT_EQ(text, "navigation page " + page.substr(0, 1));
      return ok && all.size() == count ? all.back() : std::string();
    };
    EXPECT_EQ(shown(1, "A"), "a navigate width=800");
    EXPECT_EQ(api().fnmvPackCefDllGotoUrl(c.second.c_str()), 0);
    EXPECT_EQ(shown(2, "B"), "b navigate width=800");
    // B stops answering. Chromium would hold a navigation away from it until its thread comes
    // free, which it never does: the library ends the script, or where the thread waits outside
    // any script (on the request), the page's renderer.
    nav.Click(400, 300);
    EXPECT_TRUE(nav.WaitForReport("hung")) << nav.reports().Summary();

    EXPECT_EQ(api().fnmvPackCefDllGoBack(), 1);
    const std::string back = shown(3, "A again");
    EXPECT_TRUE(back == "a back_forward width=800" || back == "a restored width=800") << back;
    EXPECT_EQ(api().fnmvPackCefDllGoForward(), 1);
    const std::string forward = shown(4, "B again");
    EXPECT_TRUE(forward == "b back_forward width=800" || forward == "b restored width=800") << forward;
    EXPECT_EQ(api().fnmvPackCefDllReload(), 1);
    EXPECT_EQ(shown(5, "B reloaded"), "b reload width=800");
  }
  ::close(silent);
}

TEST_F(Exports, ZoomSetsTheCssViewportOfThisAndLaterPages) {
  // The level set before the browser exists is applied at the first load's end, together with
  // that load's fresh frame; it must hold (a frame request once undid a zoom sent meanwhile).
  ASSERT_GT(OpenBrowserWithBridge(PageUrl("nav_a.html"), "shown", 800, 600, /*zoom=*/200), 0)
      << host().reports().Summary();
  auto width_is = [&](const char* width) {
    return host().WaitForReport("width", [&](const std::string&) { return host().reports().Last("width") == width; });
  };
  EXPECT_TRUE(width_is("400")) << host().reports().Summary();
  PollUntil([] { return false; }, 1.0);
  host().TakeMessages();
  // One relayout, no flicker back to 100 % and forth.
  EXPECT_EQ(host().reports().Values("width"), std::vector<std::string>{"400"}) << host().reports().Summary();
  struct Case {
    int percent;
    const char* width;
  };
  for (const Case& c : {Case{50, "1600"}, Case{100, "800"}, Case{200, "400"}}) {
    SCOPED_TRACE(c.percent);
    api().fnmvPackCefDllDoZoom(c.percent);
    EXPECT_TRUE(width_is(c.width)) << host().reports().Summary();
  }
  // The level last set applies to the next page too, once it has loaded (it may start at 100 %).
  std::string text;
  api().fnmvPackCefDllGotoUrl(PageUrl("nav_b.html").c_str());
  ASSERT_TRUE(host().WaitForReport("shown", [](const std::string& v) { return v.rfind("b ", 0) == 0; }))
      << host().reports().Summary();
  ASSERT_TRUE(host().WaitForPageText([](const std::string& t) { return t == "navigation page B"; }, &text));
  // The page's width as it last said: when shown, then at every resize.
  auto page_b_width = [&] {
    std::string width;
    bool on_b = false;
    for (const std::string& r : host().reports().raw()) {
      if (r.rfind("shown=", 0) == 0) on_b = r.rfind("shown=b ", 0) == 0;
      if (!on_b) continue;
      const size_t at = r.rfind("width=");
      if (at != std::string::npos) width = r.substr(at + 6);
    }
    return width;
  };
  EXPECT_TRUE(PollUntil([&] {
    host().TakeMessages();
    return page_b_width() == "400";
  })) << host().reports().Summary();
}

TEST_F(Exports, WithoutDoZoomPagesShowAt120Percent) {
  ASSERT_GT(OpenBrowser(SharedPageUrl("color_blocks.html"), 800, 600, /*zoom=*/0), 0);
  // The 400 x 300 blocks become 480 x 360.
  const std::vector<Probe> probes = {{470, 150, kRed}, {490, 150, kGreen}, {200, 350, kRed}, {200, 370, kBlue},
                                     {470, 370, kBlue}, {490, 370, kYellow}};
  Frame frame;
  EXPECT_TRUE(host().WaitForFrame([&](const Frame& f) { return Matches(f, 800, 600, probes); }, &frame,
                                  kFirstFrameSeconds))
      << Mismatches(frame, probes);
}

// ---- Page text -----------------------------------------------------------------------------

TEST_F(Exports, GetSourceGivesThePagesDisplayTextOncePerLoad) {
  ASSERT_GT(OpenBrowser(PageUrl("text.html")), 0);
  std::optional<std::string> text;
  int announced = 0;
  ASSERT_TRUE(PollUntil([&] { return (text = host().TakePageText(&announced)).has_value(); }, kFirstFrameSeconds));
  EXPECT_NE(text->find("Page text"), std::string::npos) << *text;
  EXPECT_NE(text->find("Plain bold and italic words, 中文字符 & more."), std::string::npos) << *text;
  for (const char* absent : {"<b>", "<h1>", "not displayed", "script source", "&amp;"})
    EXPECT_EQ(text->find(absent), std::string::npos) << absent << " in " << *text;
  EXPECT_EQ(static_cast<size_t>(announced), text->size() + 1) << "UTF-8 bytes plus one";

  // Taken once per load.
  int size = 0;
  EXPECT_FALSE(api().fnmvPackCefDLLGetSource(nullptr, &size));

  // The next load captures it again; a small buffer gets the start, NUL-terminated, and the size
  // needed, and the text stays for a read that fits.
  EXPECT_EQ(api().fnmvPackCefDllReload(), 1);
  ASSERT_TRUE(PollUntil([&] { return api().fnmvPackCefDLLGetSource(nullptr, &size); }));
  char small[8];
  std::fill(std::begin(small), std::end(small), 'Z');
  int capacity = 1;  // room for nothing but the NUL
  EXPECT_FALSE(api().fnmvPackCefDLLGetSource(small, &capacity));
  EXPECT_EQ(small[0], '\0');
  EXPECT_EQ(small[1], 'Z');
  EXPECT_EQ(capacity, size);
  capacity = 4;
  EXPECT_FALSE(api().fnmvPackCefDLLGetSource(small, &capacity));
  EXPECT_STREQ(small, "Pag");
  EXPECT_EQ(small[4], 'Z') << "wrote past the size given";
  EXPECT_EQ(capacity, size);
  EXPECT_EQ(host().TakePageText(), text);

  // The game's language: 200 Chinese characters come whole in a buffer of the size announced.
  std::string chinese;
  for (char32_t c = 0x4E00; c < 0x4E00 + 200; ++c)
    chinese += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                static_cast<char>(0x80 | (c & 0x3F))};
  api().fnmvPackCefDllGotoUrl(PageUrl("chinese_text.html").c_str());
  ASSERT_TRUE(PollUntil([&] {
    text = host().TakePageText(&announced);
    return text && text->find(chinese) != std::string::npos;
  })) << (text ? *text : std::string("no text"));
  EXPECT_EQ(static_cast<size_t>(announced), text->size() + 1);
  EXPECT_LE(text->size(), chinese.size() + 2) << "the paragraph and at most a line break";
}

TEST_F(Exports, UnreachableAddressShowsTheErrorPageWithTheEngineCode) {
  ASSERT_GT(OpenBrowser(PageUrl("text.html")), 0);
  std::string text;
  ASSERT_TRUE(host().WaitForPageText([](const std::string& t) { return t.find("Page text") != std::string::npos; },
                                     &text, kFirstFrameSeconds));
  struct Case {
    std::string url;
    const char* error;
    int code;
    bool by_the_page;  // a page that has been idle for a while goes there itself
  };
  const Case cases[] = {
      {"http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/", "net::ERR_CONNECTION_REFUSED", -102, false},
      {"http://mvcef-e2e.invalid/", "net::ERR_NAME_NOT_RESOLVED", -105, false},
      {"http://mvcef-e2e-later.invalid/", "net::ERR_NAME_NOT_RESOLVED", -105, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const std::string go = c.by_the_page ? PageUrl("go_later.html?after=800&to=" + c.url) : c.url;
    api().fnmvPackCefDllGotoUrl(go.c_str());
    const std::string expected = "Failed to load URL " + c.url + " with error " + c.error + " (" +
                                 std::to_string(c.code) + ").";
    // Load ends of the page before may still hand over their text: wait for this address's.
    EXPECT_TRUE(host().WaitForPageText(
        [&](const std::string& t) { return t.find("Failed to load URL " + c.url) != std::string::npos; }, &text))
        << "last text: " << text;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    EXPECT_EQ(text, expected);
  }
}

// ---- Dialogs and popups --------------------------------------------------------------------

TEST_F(Exports, AlertAndConfirmAskTheMessageBoxResponderAndGetItsAnswer) {
  SetMessageBoxAnswer("confirm: first", IDOK);
  SetMessageBoxAnswer("confirm: second", IDCANCEL);
  ASSERT_GT(OpenBrowserWithBridge(PageUrl("dialogs.html"), "dialogs"), 0) << host().reports().Summary();
  EXPECT_EQ(host().reports().Last("dialogs"), "alert=undefined first=true second=false");

  const std::vector<ShownBox> boxes = MessageBoxes(api());
  ASSERT_EQ(boxes.size(), 3u);
  struct Expected {
    const char* text;
    UINT type;
    int result;
  };
  const Expected expected[] = {{"alert: 你好", MB_TOPMOST, IDOK},
                               {"confirm: first", MB_TOPMOST | MB_OKCANCEL, IDOK},
                               {"confirm: second", MB_TOPMOST | MB_OKCANCEL, IDCANCEL}};
  for (size_t i = 0; i < boxes.size(); ++i) {
    SCOPED_TRACE(expected[i].text);
    EXPECT_EQ(boxes[i].text, expected[i].text);
    EXPECT_EQ(boxes[i].caption, "提示");
    EXPECT_EQ(boxes[i].type, expected[i].type);
    EXPECT_EQ(boxes[i].result, expected[i].result);
    EXPECT_EQ(boxes[i].owner, window_) << "owned by the handler window";
  }
}

TEST_F(Exports, WindowOpenGoesToTheShellHandlerAndLoadsNothing) {
  LoopbackServer server(PagesDir());
  ASSERT_TRUE(server.Start());
  ASSERT_GT(OpenBrowserWithBridge(PageUrl("popup.html"), "ready"), 0) << host().reports().Summary();

  struct Case {
    std::string url;
    bool click;  // else the page opens it on its own, which Chromium blocks
    bool to_shell;
  };
  const Case cases[] = {
      {server.Url("/solid.html#0000ff"), true, true},
      {"file:///etc/hostname", true, false},  // never handed to the shell
      {"mailto:player@example.com", true, true},
      // Chromium makes no window without a click, but the address still reaches the shell.
      {"https://example.com/unclicked", false, true},
      // A click right after: its window gets its own address, not the one Chromium refused.
      {server.Url("/solid.html#00ff00"), true, true},
  };
  std::vector<std::string> expected_files;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const size_t opened = host().reports().Values("opened").size();
    // A jump within the page sets the address to open; the page is not loaded again.
    const std::string hash = (c.click ? "" : "now:") + c.url;
    api().fnmvPackCefDllGotoUrl((PageUrl("popup.html") + "#" + PercentEncoded(hash)).c_str());
    if (c.click) {
      ASSERT_TRUE(host().WaitForReport("target", [&](const std::string& v) { return v == c.url; }))
          << host().reports().Summary();
      host().Click(200, 150);
    }
    ASSERT_TRUE(host().WaitForReport("opened", [&](const std::string&) {
      return host().reports().Values("opened").size() > opened;
    })) << host().reports().Summary();
    ASSERT_EQ(host().reports().Values("opened").back(), c.url) << host().reports().Summary();
    if (c.to_shell) expected_files.push_back(c.url);
  }
  // A refused window's address comes once Chromium has had time to make it: the order may differ.
  ASSERT_TRUE(PollUntil([&] { return ShellOpens(api()).size() >= expected_files.size(); }))
      << ShellOpens(api()).size() << " shell opens";
  std::vector<std::string> files;
  for (const ShellOpen& open : ShellOpens(api())) {
    files.push_back(open.file);
    EXPECT_EQ(open.verb, "open");
    EXPECT_EQ(open.show, SW_SHOW);
  }
  std::sort(files.begin(), files.end());
  std::sort(expected_files.begin(), expected_files.end());
  EXPECT_EQ(files, expected_files);
  // No browser loaded the address: the server never saw it, and the opener is still the same page.
  for (const std::string& request : server.Requests()) EXPECT_EQ(request.find("solid.html"), std::string::npos);
  EXPECT_EQ(host().reports().Values("ready").size(), 1u);
}

// ---- Page bridge ---------------------------------------------------------------------------

// typeof of uploadImg, batchUploadImg, initUploadIsDone, uploadIsDone, uploadFeedbackImg and
// uploadIsDoneValue, then the value itself, as a frame's first script sees them.
constexpr const char kBridgeAsFirstSeen[] = "function,function,function,function,function,boolean,false";

TEST_F(Exports, BridgeIsOnWindowBeforeTheFirstScriptOfTheMainFrameAndItsSameOriginFrame) {
  LoopbackServer server(PagesDir());
  ASSERT_TRUE(server.Start());
  // Every page a game opens gets it: several browsers in turn, each on its own.
  constexpr int kBrowsers = 4;
  int without = 0;
  for (int i = 0; i < kBrowsers; ++i) {
    SCOPED_TRACE("browser " + std::to_string(i + 1) + " of " + std::to_string(kBrowsers));
    Host page(api());
    HWND window = page.NewWindow(RECT{0, 0, 800, 600});
    const int id = page.NewBrowserWithBridge(
        server.Url("/bridge.html"), 800, 600, window,
        [](const Reports& r) { return r.Last("main") && r.Last("same"); }, 100);
    if (id == 0) {
      ++without;
      continue;
    }
    for (const char* frame : {"main", "same"})
      EXPECT_EQ(page.reports().Values(frame), std::vector<std::string>{kBridgeAsFirstSeen}) << frame;
  }
  EXPECT_EQ(without, 0) << "pages that loaded without the bridge";
}

// A frame from another site runs in a renderer (and a target) of its own.
TEST_F(Exports, BridgeIsOnWindowOfACrossOriginFrame) {
  LoopbackServer server(PagesDir());
  ASSERT_TRUE(server.Start());
  ASSERT_GT(OpenBrowser(server.Url("/bridge.html?cross=" + std::to_string(server.port()))), 0);
  ASSERT_TRUE(host().WaitForReport("main", kFirstFrameSeconds)) << host().reports().Summary();
  EXPECT_TRUE(host().WaitForReport("cross")) << host().reports().Summary();
  EXPECT_EQ(host().reports().Values("cross"), std::vector<std::string>{kBridgeAsFirstSeen});
}

TEST_F(Exports, UploadImgOfKindOneReturnsTheScreenshotBesideTheInstallLayout) {
  const std::string png = ReadFileBytes(InstallRoot() + "/data/screenshot/rc1_0.png");
  ASSERT_FALSE(png.empty()) << InstallRoot() << "/data/screenshot/rc1_0.png";
  ASSERT_GT(OpenBrowserWithBridge(PageUrl("images.html"), "kind1"), 0) << host().reports().Summary();
  const std::string uri = *host().reports().Last("kind1");
  const std::string expected = "data:image/png;base64," + Base64WithLineBreaks(png);
  EXPECT_TRUE(uri == expected) << "got " << uri.size() << " characters starting " << uri.substr(0, 40)
                               << ", expected " << expected.size() << " starting " << expected.substr(0, 40);
  ASSERT_TRUE(host().WaitForReport("kind1_again_same"));
  EXPECT_EQ(host().reports().Last("kind1_again_same"), "true");
}

TEST_F(Exports, UploadImgWithoutAFileReturnsThePlaceholder) {
  ASSERT_GT(OpenBrowserWithBridge(PageUrl("images.html"), "no_argument"), 0) << host().reports().Summary();
  EXPECT_EQ(host().reports().Last("no_argument"), "undefined");
  const std::string prefix = "data:image/svg+xml;base64,";
  const std::optional<std::string> no_kind = host().reports().Last("kind4");
  ASSERT_TRUE(no_kind.has_value());
  ASSERT_EQ(no_kind->rfind(prefix, 0), 0u) << no_kind->substr(0, 60);
  EXPECT_EQ(no_kind->find('\n'), std::string::npos) << "the placeholder is one line";
  const std::string svg = DecodeBase64(no_kind->substr(prefix.size()));
  for (const char* part : {"<svg", "140x140", "#EEEEEE", "</svg>"})
    EXPECT_NE(svg.find(part), std::string::npos) << part << " not in " << svg;
  EXPECT_EQ(host().reports().Last("missing_folder"), no_kind) << "a missing file gives the same placeholder";
}

TEST_F(Exports, BatchUploadImgTextsReachGetMsgInOrder) {
  window_ = host().NewWindow(RECT{0, 0, 800, 600});
  ASSERT_GT(host().NewBrowserWithBridge(PageUrl("messages.html"), 800, 600, window_,
                                        [](const Reports& r) { return r.raw().size() >= 4; }),
            0)
      << host().reports().Summary();
  // 150 two-byte characters do not fit 255 bytes: cut after the 127th, never inside one.
  std::string cut;
  for (int i = 0; i < 127; ++i) cut += "é";
  const std::vector<std::string> expected = {"x", "héllo 世界", cut, "returned=undefined"};
  EXPECT_EQ(host().reports().raw(), expected);
  EXPECT_EQ(host().message_names(), std::vector<std::string>(4, "batchUploadImg"));
  EXPECT_FALSE(api().fnmvPackCefDllIsDirty());

  // Taking without a buffer for the name or the value takes nothing: the texts wait for a call
  // that can hold them.
  EXPECT_EQ(api().fnmvPackCefDllReload(), 1);
  ASSERT_TRUE(PollUntil([&] { return api().fnmvPackCefDllIsDirty(); }));
  char field[256] = "untouched";
  for (int i = 0; i < 3; ++i) {
    api().fnmvPackCefDllGetMsg(nullptr, field);
    api().fnmvPackCefDllGetMsg(field, nullptr);
  }
  EXPECT_STREQ(field, "untouched");
  host().reports() = Reports();
  EXPECT_TRUE(host().WaitForReport("returned")) << host().reports().Summary();
  EXPECT_EQ(host().reports().raw(), expected);
}

TEST_F(Exports, UploadIsDoneFollowsSetUploadIsDone) {
  ASSERT_GT(OpenBrowserWithBridge(PageUrl("upload_status.html"), "done"), 0) << host().reports().Summary();
  std::vector<std::string> expected = {"boolean:false"};
  EXPECT_EQ(host().reports().Values("done"), expected);
  // Each true is reported to one poll and then cleared, so the page sees it once.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    api().fnmvPackCefDllSetUploadIsDone(true);
    expected.push_back("boolean:true");
    expected.push_back("boolean:false");
    EXPECT_TRUE(host().WaitForReport("done", [&](const std::string&) {
      return host().reports().Values("done").size() >= expected.size();
    })) << host().reports().Summary();
    EXPECT_EQ(host().reports().Values("done"), expected);
  }
}

// A folder argument cannot reach files outside the screenshot folder: an X1.png anywhere else
// gives the placeholder.
TEST_F(Exports, UploadImgFoldersThatLeaveTheScreenshotFolderGetThePlaceholder) {
  char outside[] = "/tmp/mvcef-escape-XXXXXX";
  ASSERT_NE(mkdtemp(outside), nullptr);
  const std::string png = ReadFileBytes(InstallRoot() + "/data/screenshot/X1.png");
  const std::string planted = std::string(outside) + "/X1.png";
  { std::ofstream(planted, std::ios::binary) << png; }
  // Up from P/data/screenshot/ to the root and down again; once more with the other separator.
  std::string up;
  for (int i = 0; i < 16; ++i) up += "/..";
  std::string back_up = up + outside + "/";
  std::replace(back_up.begin(), back_up.end(), '/', '\\');
  const std::vector<std::string> folders = {up + outside, up + outside + "/", back_up};
  std::string query;
  for (const std::string& f : folders) query += (query.empty() ? "?f=" : "&f=") + PercentEncoded(f);
  const int id = OpenBrowserWithBridge(PageUrl("escape.html") + query, "done");
  std::remove(planted.c_str());
  rmdir(outside);
  ASSERT_GT(id, 0) << host().reports().Summary();
  ASSERT_EQ(host().reports().Last("done"), std::to_string(folders.size()));
  for (size_t i = 0; i < folders.size(); ++i)
    EXPECT_EQ(host().reports().Last("answer" + std::to_string(i)), "data:image/svg+xml;base64,") << folders[i];
}

// A browser closed before the engine delivered it is closed on arrival: its page stops asking
// its server for anything, and a windowed one leaves no window.
TEST_F(Exports, ABrowserClosedRightAfterCreationStopsAndLeavesNoWindow) {
  LoopbackServer server(PagesDir());
  ASSERT_TRUE(server.Start());
  HWND parent = host().NewWindow(RECT{100, 100, 900, 700});
  HWND handler_window = host().NewWindow(RECT{1000, 0, 1800, 600});  // beside the parent
  for (const char* name : {"windowless", "windowed"}) {
    const bool windowed = std::string(name) == "windowed";
    const std::string url = server.Url(std::string("/fetching.html?name=") + name);
    ASSERT_GT(api().fnmvPackCefDllCreateBrowser(RECT{10, 20, 330, 260}, url.c_str(), handler_window,
                                                windowed ? parent : nullptr),
              0);
    EXPECT_EQ(api().fnmvPackCefDllDoClose(), 1);
  }
  // A browser left open with the same page shows the page does fetch, and sets the pace.
  ASSERT_GT(host().NewBrowser(server.Url("/fetching.html?name=open"), 320, 240, handler_window), 0);
  auto ticks = [&](const std::string& name) {
    size_t n = 0;
    for (const std::string& r : server.Requests()) n += r.rfind("/tick?name=" + name + "&", 0) == 0;
    return n;
  };
  ASSERT_TRUE(PollUntil([&] { return ticks("open") >= 20; }, kFirstFrameSeconds));
  const size_t windowless = ticks("windowless"), windowed = ticks("windowed");
  ASSERT_TRUE(PollUntil([&] { return ticks("open") >= 60; }));
  EXPECT_EQ(ticks("windowless"), windowless) << "the closed windowless browser still runs";
  EXPECT_EQ(ticks("windowed"), windowed) << "the closed windowed browser still runs";
  const POINT inside = {100 + 10 + 5, 100 + 20 + 5};
  EXPECT_EQ(api().WindowFromPoint(inside), parent) << "a window of the closed browser is there";
}

// A page that closes itself (window.close()) closes its browser as the engine's own close does: a
// windowed one's window goes, and the next browser is made and shown as usual.
TEST_F(Exports, APageThatClosesItselfTakesItsWindowAwayAndTheNextBrowserShows) {
  const Api& api = host().api();
  HWND parent = host().NewWindow(RECT{100, 100, 900, 700});
  HWND handler_window = host().NewWindow(RECT{1000, 0, 1800, 600});
  const POINT inside = {100 + 10 + 5, 100 + 20 + 5};
  auto child_shown = [&] {
    HWND at = api.WindowFromPoint(inside);
    return at && at != parent && api.mvw32_last_show_command(at) == SW_SHOWNORMAL;
  };
  ASSERT_GT(api.fnmvPackCefDllCreateBrowser(RECT{10, 20, 330, 260}, PageUrl("closes_itself.html").c_str(),
                                            handler_window, parent),
            0);
  ASSERT_TRUE(PollUntil(child_shown, kFirstFrameSeconds)) << "no child window shown";
  api.fnmvPackCefDllSetUploadIsDone(true);
  EXPECT_TRUE(PollUntil([&] { return api.WindowFromPoint(inside) == parent; })) << "the closed page's window stays";

  ASSERT_GT(api.fnmvPackCefDllCreateBrowser(RECT{10, 20, 330, 260}, PageUrl("solid.html#00ff00").c_str(),
                                            handler_window, parent),
            0);
  EXPECT_TRUE(PollUntil(child_shown)) << "the next browser's window is not shown";
}

// ---- Several browsers ----------------------------------------------------------------------

TEST_F(Exports, WindowedBrowserSitsInAChildWindowShownOnceItsPageHasLoaded) {
  const Api& api = host().api();
  HWND parent = host().NewWindow(RECT{100, 100, 900, 700});
  ASSERT_EQ(api.fnmvPackCefDllInitCefBrowserInApp(parent, RECT{10, 20, 330, 260}, PageUrl("solid.html#0000ff").c_str()),
            1);
  const POINT inside = {100 + 10 + 5, 100 + 20 + 5};
  const POINT beside = {100 + 5, 100 + 5};
  HWND child = nullptr;
  for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(static_cast<int>(kFirstFrameSeconds));
       std::chrono::steady_clock::now() < end;) {
    // Shown by the library once the first load ended (it is hidden from creation until then).
    HWND at = api.WindowFromPoint(inside);
    if (at && at != parent && api.mvw32_last_show_command(at) == SW_SHOWNORMAL) {
      child = at;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_NE(child, nullptr) << "no child window shown at the browser's rectangle";
  EXPECT_EQ(api.GetParent(child), parent);
  EXPECT_TRUE(api.IsWindowVisible(child));
  EXPECT_EQ(api.WindowFromPoint(beside), parent) << "the child covers only its rectangle";
  EXPECT_EQ(api.WindowFromPoint(POINT{100 + 330 + 5, 100 + 260 + 5}), parent);

  // The library never closes this browser itself (nothing reaches it); shutting down takes its window away.
  api.fnmvPackCefDllUninitializeCef();
  bool gone = false;
  for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
       !gone && std::chrono::steady_clock::now() < end;
       std::this_thread::sleep_for(std::chrono::milliseconds(50)))
    gone = api.WindowFromPoint(inside) == parent;
  EXPECT_TRUE(gone);
}

TEST_F(Exports, TwoBrowsersPaintIntoTheirOwnBuffersAndAreSelectedById) {
  HWND first_window = host().NewWindow(RECT{0, 0, 640, 480});
  HWND second_window = host().NewWindow(RECT{700, 0, 1500, 600});
  auto shows = [](const char* colour) {
    return [colour](const Reports& r) {
      for (const std::string& v : r.Values("solid"))
        if (v == colour) return true;
      return false;
    };
  };
  const int first =
      host().NewBrowserWithBridge(PageUrl("solid.html#ff0000"), 640, 480, first_window, shows("ff0000"));
  ASSERT_GT(first, 0) << host().reports().Summary();
  const int second =
      host().NewBrowserWithBridge(PageUrl("solid.html#00ff00"), 800, 600, second_window, shows("00ff00"));
  ASSERT_GT(second, first) << host().reports().Summary();

  // The second is current: its frames and its messages only.
  Frame frame;
  EXPECT_TRUE(host().WaitForFrame([](const Frame& f) { return f.width == 800 && f.Near(400, 400, kGreen); }, &frame))
      << frame.width << "x" << frame.height << " " << Describe(frame.At(400, 400));
  auto ticks_of = [&](const std::string& colour) {
    std::vector<int> numbers;
    for (const std::string& v : host().reports().Values("tick"))
      if (v.rfind(colour + " ", 0) == 0) numbers.push_back(std::stoi(v.substr(colour.size() + 1)));
    return numbers;
  };
  const size_t first_ticks_before = ticks_of("ff0000").size();
  EXPECT_TRUE(host().WaitForReport("tick", [&](const std::string&) { return ticks_of("00ff00").size() >= 3; }));
  EXPECT_EQ(ticks_of("ff0000").size(), first_ticks_before) << "a message of the other browser";

  // The first painted meanwhile into its own buffer and kept its messages, none lost.
  api().fnmvPackCefDllSelectHandler(static_cast<unsigned>(first));
  EXPECT_TRUE(host().WaitForFrame([](const Frame& f) { return f.width == 640 && f.Near(320, 400, kRed); }, &frame))
      << frame.width << "x" << frame.height << " " << Describe(frame.At(320, 400));
  EXPECT_TRUE(host().WaitForReport("tick", [&](const std::string&) {
    return ticks_of("ff0000").size() >= first_ticks_before + 5;
  }));
  const std::vector<int> first_ticks = ticks_of("ff0000");
  for (size_t i = 0; i < first_ticks.size(); ++i) EXPECT_EQ(first_ticks[i], static_cast<int>(i));
  std::string text;
  EXPECT_TRUE(host().WaitForPageText([](const std::string&) { return true; }, &text));
  EXPECT_EQ(text, "solid ff0000");

  api().fnmvPackCefDllSelectHandler(static_cast<unsigned>(second));
  EXPECT_TRUE(host().WaitForPageText([](const std::string&) { return true; }, &text));
  EXPECT_EQ(text, "solid 00ff00");

  // An id that names no browser leaves no current handler.
  api().fnmvPackCefDllSelectHandler(static_cast<unsigned>(second + 1000));
  int width = 0, height = 0, size = 0;
  EXPECT_FALSE(api().fnmvPackCefDllGetBrowserHasNewFrame(&width, &height));
  EXPECT_FALSE(api().fnmvPackCefDllIsDirty());
  EXPECT_FALSE(api().fnmvPackCefDLLGetSource(nullptr, &size));
}

}  // namespace
}  // namespace exports_e2e
