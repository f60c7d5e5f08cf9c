// A browser that fails under the game, through the exports: none to start, one that never answers,
// one stopped for a while, and a game killed outright. Each test starts (or fails to start) the
// engine of its own process.
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/exports/host_session.h"
#include "tests/e2e/exports/process_tree.h"

namespace exports_e2e {
namespace {

using Clock = std::chrono::steady_clock;
constexpr Rgb kBlue{0, 0, 255}, kGreen{0, 255, 0};

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// How long this thread has been ready to run but kept off a processor by the machine's load (0
// where the kernel does not say): not time a call spent waiting for anything.
double SecondsReadyButNotRunning() {
  std::ifstream in("/proc/thread-self/schedstat");
  unsigned long long running_ns = 0, ready_ns = 0;
  in >> running_ns >> ready_ns;
  return in ? ready_ns / 1e9 : 0;
}

// A fresh folder for this test's temporary files (and so its profile folders).
std::string PrivateTempDir() {
  std::string pattern = ::testing::TempDir() + "mvcef-failure-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  return ::mkdtemp(buffer.data()) ? std::string(buffer.data()) : std::string();
}

std::vector<std::string> ProfileFolders(const std::string& dir) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
    if (entry.path().filename().string().rfind("mvcef-chromium-", 0) == 0) out.push_back(entry.path().string());
  return out;
}

// Initialises with MVCEF_CHROMIUM naming `chromium`; the start fails, quickly, and no browser can
// be made: CreateBrowser says 0 and nothing becomes current.
void ExpectNoEngineWith(const std::string& chromium, double max_seconds) {
  ASSERT_TRUE(AdoptOrphans());
  ::setenv("MVCEF_CHROMIUM", chromium.c_str(), 1);
  static LoadedLibrary library;
  std::string error;
  const auto start = Clock::now();
  ASSERT_TRUE(StartLibrary(&library, &error)) << error;
  EXPECT_LT(SecondsSince(start), max_seconds) << "fnmvPackCefDllInitializeCef held the game";
  const Api& api = library.api;
  HWND window = api.mvw32_create_window(nullptr, RECT{0, 0, 800, 600}, TRUE);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(api.fnmvPackCefDllCreateBrowser(RECT{0, 0, 800, 600}, PageUrl("solid.html").c_str(), window, nullptr), 0);
    EXPECT_FALSE(api.fnmvPackCefDllIsDirty());
    int width = 0, height = 0;
    EXPECT_FALSE(api.fnmvPackCefDllGetBrowserHasNewFrame(&width, &height));
  }
  // A game may try again (say once a browser is installed): still nothing, still returning.
  EXPECT_EQ(api.fnmvPackCefDllInitializeCef(static_cast<HINSTANCE>(library.handle), true), 1);
  EXPECT_EQ(api.fnmvPackCefDllCreateBrowser(RECT{0, 0, 800, 600}, PageUrl("solid.html").c_str(), window, nullptr), 0);
  std::vector<ProcessInfo> left;
  EXPECT_TRUE(PollUntil([&] { return (left = RunningDescendants(::getpid())).empty(); })) << Describe(left);
  EXPECT_EQ(api.fnmvPackCefDllUninitializeCef(), 1);
  api.mvw32_destroy_window(window);
}

TEST(ExportsFailure, MissingChromiumCreatesNoBrowser) {
  ExpectNoEngineWith("/nonexistent/chromium", 2);
}

TEST(ExportsFailure, AChromiumThatNeverAnswersIsGivenUpAndKilled) {
  const std::string dir = PrivateTempDir();
  ASSERT_FALSE(dir.empty());
  const std::string silent = dir + "/silent-browser";
  std::ofstream(silent) << "#!/bin/sh\nexec sleep 600\n";
  ASSERT_EQ(::chmod(silent.c_str(), 0755), 0);
  // The start's bound is a few seconds; it never takes the 20 s it once did.
  ExpectNoEngineWith(silent, 12);
}

// Chromium and the render process stopped for 5 s while the host moves the mouse every 10 ms and
// polls: no call may hold the game's thread, and the page paints again once they run. A call's
// time leaves out what the thread spent waiting for a processor on a loaded machine. Then Chromium
// stopped for good: it is ended and started again, and the page comes back.
TEST(ExportsFailure, AStoppedChromiumNeverBlocksTheHost) {
  static LoadedLibrary library;
  START_LIBRARY_OR_SKIP(library);
  const Api& api = library.api;
  Host host(api);
  HWND window = host.NewWindow(RECT{0, 0, 800, 600});
  ASSERT_GT(host.NewBrowser(PageUrl("solid.html#0000ff"), 800, 600, window), 0);
  Frame frame;
  ASSERT_TRUE(host.WaitForFrame([](const Frame& f) { return f.Near(400, 300, kBlue); }, &frame, kFirstFrameSeconds));
  pid_t chromium = 0, render = 0;
  for (const ProcessInfo& p : RunningDescendants(::getpid())) {
    if (p.parent == ::getpid() && p.command.find("--remote-debugging-pipe") != std::string::npos) chromium = p.pid;
    if (p.name == "marovekcef") render = p.pid;
  }
  ASSERT_NE(chromium, 0);
  ASSERT_NE(render, 0);

  ASSERT_EQ(::kill(chromium, SIGSTOP), 0);
  ASSERT_EQ(::kill(render, SIGSTOP), 0);
  double slowest = 0;
  const char* slowest_call = "";
  auto timed = [&](const char* name, auto&& call) {
    const double ready_before = SecondsReadyButNotRunning();
    const auto start = Clock::now();
    call();
    const double took = SecondsSince(start) - (SecondsReadyButNotRunning() - ready_before);
    if (took > slowest) {
      slowest = took;
      slowest_call = name;
    }
  };
  const auto stopped = Clock::now();
  for (int i = 0; SecondsSince(stopped) < 5; ++i) {
    const LPARAM at = PointLParam(i % 800, (i * 7) % 600);
    timed("SendWMMouseMove", [&] { api.fnmvPackCefDllSendWMMouseMove(WM_MOUSEMOVE, 0, at, 0, 0); });
    if (i % 50 == 0) {
      timed("SendWMButtonDown", [&] { api.fnmvPackCefDllSendWMButtonDown(WM_LBUTTONDOWN, MK_LBUTTON, at, 0, 0); });
      timed("SendDWMButtonUp", [&] { api.fnmvPackCefDllSendDWMButtonUp(WM_LBUTTONUP, 0, at, 0, 0); });
      timed("SendSendKeyEvent", [&] { api.fnmvPackCefDllSendSendKeyEvent(WM_CHAR, 'a', KeyLParam(0x1E, false)); });
      timed("SetUploadIsDone", [&] { api.fnmvPackCefDllSetUploadIsDone(true); });
      timed("DoZoom", [&] { api.fnmvPackCefDllDoZoom(100); });
    }
    // Far more than the render process's socket holds: each one is a message to it.
    if (i == 100)
      for (int k = 0; k < 5000; ++k) timed("SetUploadIsDone (burst)", [&] { api.fnmvPackCefDllSetUploadIsDone(k % 2); });
    timed("GetBrowserHasNewFrame", [&] { host.TakeFrame(&frame); });
    timed("IsDirty", [&] { api.fnmvPackCefDllIsDirty(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(10));  // the host's frame pace
  }
  timed("GotoUrl", [&] { api.fnmvPackCefDllGotoUrl(PageUrl("solid.html?after#00ff00").c_str()); });
  ASSERT_EQ(::kill(chromium, SIGCONT), 0);
  ASSERT_EQ(::kill(render, SIGCONT), 0);
  EXPECT_LT(slowest, 0.050) << slowest_call << " held the host's thread while the browser was stopped";
  EXPECT_TRUE(host.WaitForFrame([](const Frame& f) { return f.Near(400, 300, kGreen); }, &frame))
      << "no frame of the page loaded after Chromium ran again";

  ASSERT_EQ(::kill(chromium, SIGSTOP), 0);
  api.fnmvPackCefDllGotoUrl(PageUrl("solid.html?again#0000ff").c_str());
  const bool ended = PollUntil([&] { return ReadProcess(chromium).pid == 0; }, 60);
  if (!ended) ::kill(chromium, SIGKILL);
  EXPECT_TRUE(ended) << "a Chromium stopped for good was never ended";
  EXPECT_TRUE(host.WaitForFrame([](const Frame& f) { return f.Near(400, 300, kBlue); }, &frame, kFirstFrameSeconds))
      << "no frame of the page asked for while Chromium was stopped";
}

// The game killed outright: its Chromium and render processes end with it, and the next start
// removes the profile folder it left.
TEST(ExportsFailure, NothingOutlivesAKilledGame) {
  if (StartedLibrary()) GTEST_SKIP() << "needs a process of its own";
  ASSERT_TRUE(AdoptOrphans());
  const std::string dir = PrivateTempDir();
  ASSERT_FALSE(dir.empty());
  ::setenv("TMPDIR", dir.c_str(), 1);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t game = ::fork();
  ASSERT_GE(game, 0);
  if (game == 0) {
    // The game: a browser with its page and bridge, then it waits to be killed.
    ::close(ready[0]);
    static LoadedLibrary library;
    std::string error;
    if (!StartLibrary(&library, &error)) ::_exit(2);
    Host host(library.api);
    HWND window = host.NewWindow(RECT{0, 0, 800, 600});
    if (host.NewBrowser(PageUrl("upload_status.html"), 800, 600, window) <= 0) ::_exit(3);
    Frame frame;
    if (!host.WaitForFrame([](const Frame&) { return true; }, &frame, kFirstFrameSeconds)) ::_exit(4);
    if (::write(ready[1], "r", 1) != 1) ::_exit(5);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the game did not come up";
  ::close(ready[0]);
  const std::vector<ProcessInfo> started = RunningDescendants(game);
  ASSERT_FALSE(started.empty());
  const std::vector<std::string> dead_folders = ProfileFolders(dir);
  ASSERT_EQ(dead_folders.size(), 1u);

  ASSERT_EQ(::kill(game, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(game, &status, 0), game);
  std::vector<ProcessInfo> left;
  EXPECT_TRUE(PollUntil([&] { return (left = RunningDescendants(::getpid())).empty(); }))
      << "still running after the game was killed:\n" << Describe(left) << "started:\n" << Describe(started);
  while (::waitpid(-1, nullptr, WNOHANG) > 0) {}  // the orphans we adopted

  static LoadedLibrary library;
  std::string error;
  ASSERT_TRUE(StartLibrary(&library, &error)) << error;
  Host host(library.api);
  HWND window = host.NewWindow(RECT{0, 0, 800, 600});
  ASSERT_GT(host.NewBrowser(PageUrl("solid.html#0000ff"), 800, 600, window), 0);
  EXPECT_FALSE(std::filesystem::exists(dead_folders[0])) << "the dead game's profile folder is still there";
  EXPECT_EQ(ProfileFolders(dir).size(), 1u);
  host.CloseAll();
  EXPECT_EQ(library.api.fnmvPackCefDllUninitializeCef(), 1);
  EXPECT_TRUE(ProfileFolders(dir).empty());
}

// The tick number in a ticker.html report ("tick=N ..."), 0 for anything else.
int TickOf(const std::string& report) {
  return report.rfind("tick=", 0) == 0 ? std::atoi(report.c_str() + 5) : 0;
}

// The render process killed again and again, then stopped: each time the open page's bridge answers
// again without a reload, no call ever throws, and the old process does not linger. A document
// that asked for its bridge while the process was stopped gets it from the next one.
TEST(ExportsFailure, APageKeepsItsBridgeWhenTheRenderProcessDiesOrHangs) {
  static LoadedLibrary library;
  START_LIBRARY_OR_SKIP(library);
  Host host(library.api);
  HWND window = host.NewWindow(RECT{0, 0, 800, 600});
  ASSERT_GT(host.NewBrowser(PageUrl("ticker.html"), 800, 600, window), 0);
  int last_tick = 0;
  auto ticks_after = [&](int tick, double seconds) {
    return PollUntil([&] {
      host.TakeMessages();
      for (const std::string& report : host.reports().raw()) last_tick = std::max(last_tick, TickOf(report));
      return last_tick > tick;
    }, seconds);
  };
  ASSERT_TRUE(ticks_after(0, kFirstFrameSeconds)) << host.reports().Summary();
  auto render_pid = [] {
    pid_t render = 0;
    for (const ProcessInfo& p : RunningDescendants(::getpid()))
      if (p.name == "marovekcef") render = p.pid;
    return render;
  };
  // A stopped one left behind would hold the test's output open.
  auto expect_gone = [](pid_t render) {
    if (PollUntil([&] { return ReadProcess(render).pid == 0; })) return;
    ADD_FAILURE() << "the old render process lingers";
    ::kill(render, SIGKILL);
  };
  for (int death = 1; death <= 6; ++death) {
    const bool hang = death == 6;
    SCOPED_TRACE(hang ? "hang" : "death " + std::to_string(death));
    const pid_t render = render_pid();
    ASSERT_NE(render, 0) << Describe(RunningDescendants(::getpid()));
    ASSERT_EQ(::kill(render, hang ? SIGSTOP : SIGKILL), 0);
    const int before = last_tick;
    EXPECT_TRUE(ticks_after(before + 2, kWaitSeconds)) << "the page's bridge stopped answering after tick " << before;
    expect_gone(render);
  }
  for (const std::string& report : host.reports().raw())
    EXPECT_NE(report.find("threw=0"), std::string::npos) << "a bridge call threw: " << report;

  const pid_t render = render_pid();
  ASSERT_EQ(::kill(render, SIGSTOP), 0);
  library.api.fnmvPackCefDllGotoUrl(PageUrl("solid.html#00ff00").c_str());
  EXPECT_TRUE(host.WaitForReport("solid", kWaitSeconds)) << "a page loaded while the render process hung has no bridge";
  expect_gone(render);
  host.CloseAll();
}

}  // namespace
}  // namespace exports_e2e
