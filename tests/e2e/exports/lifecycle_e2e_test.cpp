// The end of the engine's life through the exports: closing browsers and shutting down leaves no
// process behind, and a Chromium that dies under the library leaves every export returning. Each
// test starts the engine itself and ruins or ends it, so each needs a process of its own (ctest
// runs them that way).
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <imm.h>

#include <gtest/gtest.h>

#include "tests/e2e/exports/host_session.h"
#include "tests/e2e/exports/process_tree.h"

namespace exports_e2e {
namespace {

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

// The Chromium browser process the library started: our child, talking over the pipe.
pid_t ChromiumChild() {
  for (const ProcessInfo& p : RunningDescendants(::getpid()))
    if (p.parent == ::getpid() && p.command.find("--remote-debugging-pipe") != std::string::npos) return p.pid;
  return 0;
}

bool Gone(pid_t pid) {
  const ProcessInfo p = ReadProcess(pid);
  return p.pid == 0 || p.state == 'Z' || p.state == 'X';
}

std::vector<ProcessInfo> WaitUntilNoneRunning() {
  std::vector<ProcessInfo> left;
  PollUntil([&] {
    left = RunningDescendants(::getpid());
    return left.empty();
  });
  return left;
}

TEST(ExportsLifecycle, CloseAndUninitializeLeaveNoProcessBehind) {
  static LoadedLibrary library;
  START_LIBRARY_OR_SKIP(library);
  const Api& api = library.api;
  pid_t chromium = 0;
  {
    Host host(api);
    HWND first_window = host.NewWindow(RECT{0, 0, 640, 480});
    HWND second_window = host.NewWindow(RECT{700, 0, 1500, 600});
    const int first = host.NewBrowser(PageUrl("solid.html#ff0000"), 640, 480, first_window);
    const int second = host.NewBrowser(PageUrl("solid.html#00ff00"), 800, 600, second_window);
    ASSERT_GT(first, 0);
    Frame frame;
    ASSERT_TRUE(host.WaitForFrame([](const Frame& f) { return f.width == 800 && f.Near(400, 300, kGreen); }, &frame,
                                  kFirstFrameSeconds));
    api.fnmvPackCefDllSelectHandler(static_cast<unsigned>(first));
    ASSERT_TRUE(host.WaitForFrame([](const Frame& f) { return f.width == 640 && f.Near(320, 240, kRed); }, &frame));

    chromium = ChromiumChild();
    ASSERT_NE(chromium, 0) << "no Chromium among:\n" << Describe(RunningDescendants(::getpid()));

    EXPECT_EQ(api.fnmvPackCefDllDoClose(), 1);
    int width = 0, height = 0, size = 0;
    EXPECT_FALSE(api.fnmvPackCefDllGetBrowserHasNewFrame(&width, &height)) << "no current handler after a close";
    api.fnmvPackCefDllSelectHandler(static_cast<unsigned>(first));
    EXPECT_FALSE(api.fnmvPackCefDLLGetSource(nullptr, &size)) << "a closed browser's id names nothing";
    api.fnmvPackCefDllSelectHandler(static_cast<unsigned>(second));
    EXPECT_EQ(api.fnmvPackCefDllDoClose(), 1);
  }
  EXPECT_EQ(api.fnmvPackCefDllUninitializeCef(), 1);
  const std::vector<ProcessInfo> left = WaitUntilNoneRunning();
  EXPECT_TRUE(left.empty()) << "still running after fnmvPackCefDllUninitializeCef:\n" << Describe(left);
  EXPECT_EQ(ReadProcess(chromium).pid, 0) << "Chromium ended but was not reaped";

  // Nothing reaches an engine again, not even after another initialisation.
  HWND window = api.mvw32_create_window(nullptr, RECT{0, 0, 800, 600}, TRUE);
  EXPECT_EQ(api.fnmvPackCefDllCreateBrowser(RECT{0, 0, 800, 600}, PageUrl("solid.html#0000ff").c_str(), window,
                                            nullptr),
            0);
  EXPECT_EQ(api.fnmvPackCefDllInitializeCef(static_cast<HINSTANCE>(library.handle), true), 1);
  EXPECT_EQ(api.fnmvPackCefDllCreateBrowser(RECT{0, 0, 800, 600}, PageUrl("solid.html#0000ff").c_str(), window,
                                            nullptr),
            0);
  EXPECT_TRUE(RunningDescendants(::getpid()).empty());
  api.mvw32_destroy_window(window);
}

// Ends the process with a message if one export call does not return in time, so a hang shows as
// a named failure instead of a test timeout.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::seconds limit) : limit_(limit), thread_([this] { Watch(); }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  template <class F>
  auto Call(const char* name, F&& call) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      current_ = name;
      since_ = std::chrono::steady_clock::now();
    }
    struct Done {
      Watchdog* dog;
      ~Done() {
        std::lock_guard<std::mutex> lock(dog->mutex_);
        dog->current_ = nullptr;
      }
    } done{this};
    return call();
  }

 private:
  void Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
      wake_.wait_for(lock, std::chrono::milliseconds(100));
      if (current_ && std::chrono::steady_clock::now() - since_ > limit_) {
        std::fprintf(stderr, "FAILED: %s did not return within %lld s after Chromium was killed\n", current_,
                     static_cast<long long>(limit_.count()));
        std::fflush(stderr);
        std::_Exit(1);
      }
    }
  }

  const std::chrono::seconds limit_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  const char* current_ = nullptr;
  std::chrono::steady_clock::time_point since_;
  std::thread thread_;
};

// Every export once, with the results the exports promise whatever the engine's state.
void CallEveryExport(const Api& api, void* handle, HWND window, Watchdog& dog) {
  const std::string url = PageUrl("solid.html#00ff00");
  const LPARAM at = PointLParam(50, 50);
  EXPECT_EQ(dog.Call("InitializeCef", [&] { return api.fnmvPackCefDllInitializeCef(static_cast<HINSTANCE>(handle), true); }), 1);
  const int id = dog.Call("CreateBrowser", [&] {
    return api.fnmvPackCefDllCreateBrowser(RECT{0, 0, 800, 600}, url.c_str(), window, nullptr);
  });
  EXPECT_GT(id, 0) << "Chromium is being started again: the browser comes with it";
  EXPECT_EQ(dog.Call("InitCefBrowserInApp", [&] {
    return api.fnmvPackCefDllInitCefBrowserInApp(window, RECT{0, 0, 320, 240}, url.c_str());
  }), 1);
  dog.Call("SelectHandler", [&] { api.fnmvPackCefDllSelectHandler(static_cast<unsigned>(id)); });
  EXPECT_EQ(dog.Call("GotoUrl", [&] { return api.fnmvPackCefDllGotoUrl(url.c_str()); }), 0);
  EXPECT_EQ(dog.Call("GoBack", [&] { return api.fnmvPackCefDllGoBack(); }), 1);
  EXPECT_EQ(dog.Call("GoForward", [&] { return api.fnmvPackCefDllGoForward(); }), 1);
  EXPECT_EQ(dog.Call("Reload", [&] { return api.fnmvPackCefDllReload(); }), 1);
  dog.Call("DoZoom", [&] { api.fnmvPackCefDllDoZoom(150); });
  int size = 0;
  if (dog.Call("GetSource", [&] { return api.fnmvPackCefDLLGetSource(nullptr, &size); }) && size > 0) {
    std::vector<char> text(static_cast<size_t>(size));
    int capacity = static_cast<int>(text.size());
    dog.Call("GetSource", [&] { return api.fnmvPackCefDLLGetSource(text.data(), &capacity); });
  }
  char name[256], value[256];
  if (dog.Call("IsDirty", [&] { return api.fnmvPackCefDllIsDirty(); }))
    dog.Call("GetMsg", [&] { api.fnmvPackCefDllGetMsg(name, value); });
  dog.Call("SetUploadIsDone", [&] { api.fnmvPackCefDllSetUploadIsDone(true); });
  int width = 0, height = 0;
  if (dog.Call("GetBrowserHasNewFrame", [&] { return api.fnmvPackCefDllGetBrowserHasNewFrame(&width, &height); }) &&
      width > 0 && height > 0 && width <= 4096 && height <= 4096) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    dog.Call("GetBrowserRenderData", [&] { api.fnmvPackCefDllGetBrowserRenderData(pixels.data()); });
  }
  dog.Call("SendWMMouseMove", [&] { api.fnmvPackCefDllSendWMMouseMove(WM_MOUSEMOVE, 0, at, 0, 0); });
  dog.Call("SendWMButtonDown", [&] { api.fnmvPackCefDllSendWMButtonDown(WM_LBUTTONDOWN, MK_LBUTTON, at, 0, 0); });
  dog.Call("SendDWMButtonUp", [&] { api.fnmvPackCefDllSendDWMButtonUp(WM_LBUTTONUP, 0, at, 0, 0); });
  dog.Call("SendWMMouseWheel", [&] {
    api.fnmvPackCefDllSendWMMouseWheel(WM_MOUSEWHEEL, static_cast<WPARAM>(120) << 16, at, 0, 0);
  });
  dog.Call("SendSendWMMouseLeave", [&] { api.fnmvPackCefDllSendSendWMMouseLeave(WM_MOUSELEAVE, 0); });
  dog.Call("SendWMFocus", [&] { api.fnmvPackCefDllSendWMFocus(WM_SETFOCUS); });
  dog.Call("SendSendWMCancel", [&] { api.fnmvPackCefDllSendSendWMCancel(); });
  dog.Call("SendSendKeyEvent", [&] { api.fnmvPackCefDllSendSendKeyEvent(WM_KEYDOWN, 'A', KeyLParam(0x1E, false)); });
  dog.Call("SendSendKeyEvent", [&] { api.fnmvPackCefDllSendSendKeyEvent(WM_CHAR, 'a', KeyLParam(0x1E, false)); });
  dog.Call("SendSendKeyEvent", [&] { api.fnmvPackCefDllSendSendKeyEvent(WM_KEYUP, 'A', KeyLParam(0x1E, true)); });
  const std::u16string text = u"好";
  api.mvw32_set_ime_result_utf16(window, reinterpret_cast<const uint16_t*>(text.data()), text.size());
  dog.Call("ImeComposition", [&] { api.fnmvPackCefDllImeComposition(WM_IME_COMPOSITION, 0, GCS_RESULTSTR); });
  api.mvw32_clear_ime_result(window);
  dog.Call("ImeCancelComposition", [&] { api.fnmvPackCefDllImeCancelComposition(); });
  EXPECT_EQ(dog.Call("DoClose", [&] { return api.fnmvPackCefDllDoClose(); }), 1);
}

TEST(ExportsLifecycle, KillingChromiumLeavesEveryExportReturningAndStartsItAgain) {
  static LoadedLibrary library;
  START_LIBRARY_OR_SKIP(library);
  const Api& api = library.api;
  HWND window = api.mvw32_create_window(nullptr, RECT{0, 0, 800, 600}, TRUE);
  ASSERT_NE(window, nullptr);
  {
    Host host(api);
    const int first = host.NewBrowser(PageUrl("messages.html"), 800, 600, window);
    ASSERT_GT(first, 0);
    Frame frame;
    ASSERT_TRUE(host.WaitForFrame([](const Frame& f) { return f.width == 800; }, &frame, kFirstFrameSeconds));
    // The page's four texts wait for the host, untaken. They may come after a first load: a
    // document that ran before the browser was set up has no bridge and is loaded again.
    int loaded_size = 0;
    ASSERT_TRUE(PollUntil([&] { return api.fnmvPackCefDLLGetSource(nullptr, &loaded_size); }));
    ASSERT_TRUE(PollUntil([&] { return api.fnmvPackCefDllIsDirty() != 0; }));

    const pid_t chromium = ChromiumChild();
    ASSERT_NE(chromium, 0) << "no Chromium among:\n" << Describe(RunningDescendants(::getpid()));
    ASSERT_EQ(::kill(chromium, SIGKILL), 0);
    ASSERT_TRUE(PollUntil([&] { return Gone(chromium); }));

    Watchdog dog(std::chrono::seconds(5));
    // Asked for while Chromium is down: it comes with the next Chromium.
    const int during = dog.Call("CreateBrowser", [&] { return host.NewBrowser(PageUrl("solid.html#00ff00"), 800, 600, window); });
    EXPECT_GT(during, 0);
    // At once, before the library has noticed, then while it takes the news in.
    const auto killed = std::chrono::steady_clock::now();
    for (int round = 0; round == 0 || std::chrono::steady_clock::now() - killed < std::chrono::seconds(2); ++round) {
      SCOPED_TRACE("round " + std::to_string(round));
      CallEveryExport(api, library.handle, window, dog);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));  // paces the rounds only
    }
    // Chromium runs again, and the browser opened before the kill has a new page: a new load, a new
    // document with the bridge (the page's texts come again), while the texts it sent before the
    // kill were kept for the host.
    EXPECT_TRUE(PollUntil([&] { return ChromiumChild() != 0 && ChromiumChild() != chromium; }))
        << "Chromium was not started again:\n" << Describe(RunningDescendants(::getpid()));
    dog.Call("SelectHandler", [&] { api.fnmvPackCefDllSelectHandler(static_cast<unsigned>(first)); });
    EXPECT_TRUE(PollUntil([&] {
      host.TakeMessages();
      return host.reports().raw().size() >= 8;
    }, kFirstFrameSeconds)) << host.reports().Summary();
    const std::vector<std::string> texts = host.reports().raw();
    ASSERT_GE(texts.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 4),
              std::vector<std::string>(texts.begin() + 4, texts.begin() + 8))
        << "the texts queued before the kill, then the same page's texts after the restart";
    Frame after;
    EXPECT_TRUE(host.WaitForFrame([](const Frame& f) { return f.width == 800; }, &after)) << "no frame after the restart";
    dog.Call("SelectHandler", [&] { api.fnmvPackCefDllSelectHandler(static_cast<unsigned>(during)); });
    EXPECT_TRUE(host.WaitForFrame([](const Frame& f) { return f.Near(400, 300, kGreen); }, &after))
        << "the browser asked for while Chromium was down never came";
    dog.Call("DoClose", [&] { host.CloseAll(); });
    EXPECT_EQ(dog.Call("UninitializeCef", [&] { return api.fnmvPackCefDllUninitializeCef(); }), 1);
  }
  const std::vector<ProcessInfo> left = WaitUntilNoneRunning();
  EXPECT_TRUE(left.empty()) << "still running after fnmvPackCefDllUninitializeCef:\n" << Describe(left);
  api.mvw32_destroy_window(window);
}

}  // namespace
}  // namespace exports_e2e
