// What a page may do to the game, each test with an engine of its own (ctest runs each in a
// process of its own): the bridge narrowed to the game's origins by the setting read at start-up,
// and the game's memory while a page floods it with texts or dialog boxes. The memory tests print
// their figures.
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/exports/host_session.h"
#include "tests/e2e/exports/loopback_server.h"
#include "tests/e2e/exports/process_tree.h"
#include "tests/support/temp_dir.h"

namespace exports_e2e {
namespace {

TEST(ExportsSafety, WithTheOriginsSettingOnlyFramesOfTheNamedOriginGetTheBridge) {
  LoopbackServer listed(PagesDir()), other(PagesDir());
  ASSERT_TRUE(listed.Start());
  ASSERT_TRUE(other.Start());
  // The named origin spelt another way, beside an entry that is no origin.
  const std::string setting =
      "https://feedback.example.com, HTTP://127.0.0.1:" + std::to_string(listed.port()) + "/ not-an-origin";
  ASSERT_EQ(setenv("MVCEF_BRIDGE_ORIGINS", setting.c_str(), 1), 0);
  static LoadedLibrary library;
  START_LIBRARY_OR_SKIP(library);
  unsetenv("MVCEF_BRIDGE_ORIGINS");  // read at start-up: render processes started later still know
  const Api& api = library.api;
  Host host(api);
  HWND window = host.NewWindow(RECT{0, 0, 800, 600});

  // The named origin's page has it; its frame from localhost (another origin, another renderer)
  // has neither the functions nor the value.
  const std::string page = listed.Url("/origins.html?other=" + std::to_string(other.port()));
  ASSERT_GT(host.NewBrowserWithBridge(page, 800, 600, window,
                                      [](const Reports& r) { return r.Last("main") && r.Last("child"); }),
            0)
      << host.reports().Summary();
  EXPECT_EQ(host.reports().Last("main"), "function,boolean");
  EXPECT_EQ(host.reports().Last("child"), "undefined,undefined");

  // A page of another origin on its own has none either, as its text says.
  ASSERT_GT(host.NewBrowser("http://localhost:" + std::to_string(other.port()) + "/origins_child.html", 320, 240,
                            window),
            0);
  std::string text;
  EXPECT_TRUE(host.WaitForPageText([](const std::string& t) { return t.find("bridge:") != std::string::npos; },
                                   &text, kFirstFrameSeconds));
  EXPECT_EQ(text, "bridge: undefined,undefined");
  host.CloseAll();
  EXPECT_EQ(api.fnmvPackCefDllUninitializeCef(), 1);
}

// A page that keeps the game busy, and what the game must keep bounded meanwhile.
struct Pressure {
  const char* page;
  const char* what;
  double seconds;
  std::function<bool(const Api&)> started;  // the page has begun
  std::function<size_t(const Api&)> kept;   // how many of its calls the game holds on to
  size_t max_kept;
  // Growth allowed: what the threads' allocators keep of passing megabytes, and a little per
  // call held. Holding the page's whole texts or dialog texts costs far more per call.
  double base_mib, kib_per_kept;
  // What is measured: the heap's bytes in use by allocations under 64 KiB, for small things kept
  // that resident pages would hide (and painting buffers, whose number in use varies, would
  // drown); by default what is resident.
  bool heap = false;
  // Growth allowed to the render side's resident memory; not measured when 0.
  double render_mib = 0;
};

// Bytes in use by allocations under the mmap threshold, summed over every arena.
double SmallHeapMiB() { return ::mallinfo2().uordblks / (1024.0 * 1024.0); }

// Resident memory of what the library started (Chromium and its helpers, shared pages counted in
// each), or of its processes of one name.
double StartedResidentMiB(const char* name = nullptr) {
  double total = 0;
  for (const ProcessInfo& p : RunningDescendants(::getpid()))
    if (!name || p.name == name) total += ResidentMiB(p.pid);
  return total;
}

// Loads the page, then measures the game's memory from the moment it started to `seconds` later,
// and prints the figures.
void ExpectBoundedUnder(const Pressure& p) {
  // A fixed threshold: larger blocks are mapped on their own, never counted as small.
  if (p.heap) ::mallopt(M_MMAP_THRESHOLD, 64 * 1024);
  static LoadedLibrary library;
  START_LIBRARY_OR_SKIP(library);
  const Api& api = library.api;
  Host host(api);
  HWND window = host.NewWindow(RECT{0, 0, 320, 240});
  ASSERT_GT(host.NewBrowser(PageUrl(p.page), 320, 240, window), 0);
  // The host takes the frames, as a game does, so that what the painting holds stays the same.
  Frame frame;
  ASSERT_TRUE(PollUntil([&] { return host.TakeFrame(&frame), p.started(api); }, kFirstFrameSeconds))
      << p.page << " never began";
  auto measure = [&] { return p.heap ? SmallHeapMiB() : ResidentMiB(::getpid()); };
  const double before = measure(), render_before = StartedResidentMiB("marovekcef");
  // The measurement is what the page does meanwhile.
  PollUntil([&] { return host.TakeFrame(&frame), false; }, p.seconds);
  const double after = measure(), render_after = StartedResidentMiB("marovekcef");
  const size_t kept = p.kept(api);
  const double allowed = p.base_mib + kept * p.kib_per_kept / 1024;
  std::printf("%s, %.0f s: %s %.2f MiB -> %.2f MiB (%+.2f MiB, %.2f MiB allowed), %zu kept\n", p.what, p.seconds,
              p.heap ? "small allocations in use" : "resident", before, after, after - before, allowed, kept);
  EXPECT_LE(kept, p.max_kept);
  EXPECT_LT(after - before, allowed);
  if (p.render_mib > 0) {
    std::printf("%s, %.0f s: render side resident %.2f MiB -> %.2f MiB (%.2f MiB allowed)\n", p.what, p.seconds,
                render_before, render_after, p.render_mib);
    EXPECT_LT(render_after - render_before, p.render_mib) << "the render side";
  }
  host.CloseAll();
  EXPECT_EQ(api.fnmvPackCefDllUninitializeCef(), 1);
}

// 1 MB texts for 60 s while the host takes none: the queue keeps its first 1024 texts, each cut
// to the 255 bytes the host could take.
TEST(ExportsSafety, APageFloodingTextsGrowsTheGameByLittleWhileTheHostDoesNotDrain) {
  ExpectBoundedUnder({"flood.html", "flood of 1 MB texts, undrained", 60,
                      [](const Api& api) { return api.fnmvPackCefDllIsDirty(); },
                      [](const Api& api) {
                        size_t queued = 0;
                        char name[256], value[256];
                        for (; queued < 100000 && api.fnmvPackCefDllIsDirty(); ++queued)
                          api.fnmvPackCefDllGetMsg(name, value);
                        return queued;
                      },
                      1024, 32.0, 64.0});
}

// 256 KB alerts for 25 s: every box is answered, and the stand-in's record of them stays small.
TEST(ExportsSafety, AnAlertStormGrowsTheGameByLittle) {
  ExpectBoundedUnder({"alerts.html", "storm of 256 KB alerts", 25,
                      [](const Api& api) { return api.mvw32_message_box_count() > 0; },
                      [](const Api& api) { return api.mvw32_message_box_count(); }, 256, 10.0, 0.0});
}

// Windows with 1 MiB addresses asked for without a click, as fast as a page can, for 20 s: the
// addresses waiting for windows Chromium never makes stay few, and the shell gets a few at once,
// then one a second.
TEST(ExportsSafety, APopupStormGrowsTheGameByLittleAndReachesTheShellSlowly) {
  ExpectBoundedUnder({"popup_storm.html", "storm of popups with 1 MiB addresses", 20,
                      [](const Api& api) { return api.mvw32_shell_open_count() > 0; },
                      [](const Api& api) { return api.mvw32_shell_open_count(); }, 4 + 20 + 4, 16.0, 0.0});
}

// Frames added and removed as fast as a page can for 30 s: what the engine and the render side keep
// of a frame, its loads and its document goes with the frame.
TEST(ExportsSafety, APageChurningFramesGrowsTheGameByLittle) {
  ExpectBoundedUnder({"frame_churn.html", "churn of frames", 30,
                      [](const Api& api) { return api.fnmvPackCefDllIsDirty(); },
                      [](const Api&) { return size_t(0); }, 0, 0.25, 0.0, /*heap=*/true, /*render_mib=*/1.0});
}

// Views no game could hold, and rectangles that are no view: each browser paints at a size that
// can be painted and held, the game lives on, and a normal browser beside them keeps painting.
TEST(ExportsSafety, ViewsTooLargeToPaintArePaintedSmallerAndTheGameLivesOn) {
  static LoadedLibrary library;
  START_LIBRARY_OR_SKIP(library);
  const Api& api = library.api;
  Host host(api);
  HWND window = host.NewWindow(RECT{0, 0, 320, 240});
  const int normal = host.NewBrowser(SharedPageUrl("bench/animated.html"), 320, 240, window);
  ASSERT_GT(normal, 0);
  Frame frame;
  ASSERT_TRUE(host.WaitForFrame([](const Frame& f) { return f.width == 320; }, &frame, kFirstFrameSeconds));
  const double game_before = ResidentMiB(::getpid());

  constexpr int kMax = std::numeric_limits<int>::max();
  struct Case {
    const char* name;
    RECT rect;  // the view is right x bottom
    int width, height;
  } cases[] = {
      {"INT_MAX x 600", {0, 0, kMax, 600}, 15134, 554},
      {"INT_MAX x INT_MAX", {0, 0, kMax, kMax}, 2896, 2896},
      {"100000 x 100000", {0, 0, 100000, 100000}, 2896, 2896},
      {"1000000 x 1000", {0, 0, 1000000, 1000}, 11723, 715},
      {"20000 x 20000", {0, 0, 20000, 20000}, 2896, 2896},
      {"negative", {0, 0, -100, -50}, 800, 600},  // no view: the engine's default size
      {"inverted", {500, 400, 100, 50}, 100, 50},
  };
  double chromium_peak = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_GT(api.fnmvPackCefDllCreateBrowser(c.rect, PageUrl("solid.html#0000ff").c_str(),
                                              window, nullptr),
              0);
    // The size the game is told is the size it gets, blue all over.
    EXPECT_TRUE(host.WaitForFrame(
        [&](const Frame& f) {
          return f.width == c.width && f.height == c.height && f.Near(c.width / 2, c.height / 2, Rgb{0, 0, 255});
        },
        &frame))
        << "last frame " << frame.width << "x" << frame.height;
    chromium_peak = std::max(chromium_peak, StartedResidentMiB());
    api.fnmvPackCefDllDoClose();
    // Chromium kept every page: the first one still paints, frame after frame.
    api.fnmvPackCefDllSelectHandler(static_cast<unsigned>(normal));
    for (int i = 0; i < 3; ++i)
      ASSERT_TRUE(host.WaitForFrame([](const Frame& f) { return f.width == 320 && f.height == 240; }, &frame))
          << "the normal browser stopped painting";
  }
  const double game_after = ResidentMiB(::getpid());
  std::printf("large views: game resident %.1f MiB -> %.1f MiB, Chromium at most %.0f MiB\n", game_before, game_after,
              chromium_peak);
  // A picture at the largest paintable size is 32 MiB; the game holds a few per browser at most.
  EXPECT_LT(game_after - game_before, 256.0);
  EXPECT_LT(chromium_peak, 3072.0);
  host.CloseAll();
  EXPECT_EQ(api.fnmvPackCefDllUninitializeCef(), 1);
}

// A screenshot file too large to answer with is a missing one (the placeholder): its answer
// would pass Chromium's message limit and end every browser. One at the limit is answered whole.
TEST(ExportsSafety, AScreenshotFileAboveTheLimitGivesThePlaceholderAndEveryBrowserLivesOn) {
  const std::string at_limit = "/mvcef-at-limit-" + std::to_string(::getpid());
  const std::string above = "/mvcef-above-limit-" + std::to_string(::getpid());
  const std::string screenshots = InstallRoot() + "/data/screenshot";
  std::string png = ReadFileBytes(screenshots + "/X1.png");
  ASSERT_FALSE(png.empty());
  auto plant = [&](const std::string& folder, size_t bytes) {
    ASSERT_EQ(mkdir((screenshots + folder).c_str(), 0700), 0) << screenshots + folder;
    png.resize(bytes, '\0');  // the picture, then padding nobody reads
    std::ofstream(screenshots + folder + "/X1.png", std::ios::binary) << png;
  };
  plant(at_limit, size_t(24) << 20);
  plant(above, size_t(80) << 20);
  struct Cleanup {
    std::string root, folders[2];
    ~Cleanup() {
      for (const std::string& f : folders) {
        std::remove((root + f + "/X1.png").c_str());
        rmdir((root + f).c_str());
      }
    }
  } cleanup{screenshots, {at_limit, above}};

  static LoadedLibrary library;
  START_LIBRARY_OR_SKIP(library);
  const double peak_before = PeakResidentMiB(::getpid());
  const Api& api = library.api;
  Host host(api);
  HWND window = host.NewWindow(RECT{0, 0, 320, 240});
  const int other = host.NewBrowser(SharedPageUrl("bench/animated.html"), 320, 240, window);
  ASSERT_GT(other, 0);
  const int id = host.NewBrowserWithBridge(PageUrl("escape.html") + "?f=" + at_limit + "&f=" + above, 320, 240,
                                           window, [](const Reports& r) { return r.Last("done").has_value(); });
  ASSERT_GT(id, 0) << host.reports().Summary();
  EXPECT_EQ(host.reports().Last("answer0"), "data:image/png;base64,iVBO");
  EXPECT_EQ(host.reports().Last("answer1"), "data:image/svg+xml;base64,");
  // Chromium still serves every page: this one's bridge, the other one's frames.
  host.reports() = Reports();
  api.fnmvPackCefDllReload();
  EXPECT_TRUE(host.WaitForReport("done")) << host.reports().Summary();
  api.fnmvPackCefDllSelectHandler(static_cast<unsigned>(other));
  Frame frame;
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(host.WaitForFrame([](const Frame& f) { return f.width == 320; }, &frame));
  // The 24 MiB picture's answer (a 32 MiB data URI, twice) is held as the message that brings it
  // and the command's Base64, never copied again: 173 MiB (331 when copies were made).
  EXPECT_LT(PeakResidentMiB(::getpid()) - peak_before, 240);
  host.CloseAll();
  EXPECT_EQ(api.fnmvPackCefDllUninitializeCef(), 1);
}

// Every fnmvPackCefDllSetUploadIsDone(true) is seen as true by exactly one poll, however the page
// polls: in bursts of up to 60 polls within one script task, from the page and at the same time
// from a frame of another site (another renderer), each true set while polls are in flight; and
// while another page's alert holds the engine's thread, so that the answers to many polls come
// back at once.
TEST(ExportsSafety, UploadIsDonePolledInBurstsSeesEachTrueExactlyOnce) {
  LoopbackServer server(PagesDir());
  ASSERT_TRUE(server.Start());
  static LoadedLibrary library;
  START_LIBRARY_OR_SKIP(library);
  const Api& api = library.api;
  Host host(api);
  HWND window = host.NewWindow(RECT{0, 0, 320, 240});
  const int polling = host.NewBrowserWithBridge(
      server.Url("/upload_burst.html?other=" + std::to_string(server.port())), 320, 240, window,
      [](const Reports& r) { return r.Last("polls") && r.Last("child"); });
  ASSERT_GT(polling, 0) << host.reports().Summary();
  // "bursts trues" of a frame's last report.
  auto count = [&](const char* frame, int which) {
    const std::string last = host.reports().Last(frame).value_or("0 0");
    return std::stoi(which == 0 ? last : last.substr(last.find(' ') + 1));
  };
  auto trues = [&] { return count("polls", 1) + count("child", 1); };
  auto ticks = [&] {
    const std::vector<std::string> requests = server.Requests();
    return std::count_if(requests.begin(), requests.end(), [](const std::string& r) { return r.rfind("/tick", 0) == 0; });
  };
  int alerting = 0;
  for (int round = 1; round <= 8; ++round) {
    SCOPED_TRACE(round);
    std::optional<HeldMessageBoxes> box;
    if (round > 4) {
      box.emplace();
      if (alerting == 0) {
        alerting = host.NewBrowser(PageUrl("alert_once.html"), 320, 240, window);
        ASSERT_GT(alerting, 0);
      } else {
        api.fnmvPackCefDllSelectHandler(static_cast<unsigned>(alerting));
        api.fnmvPackCefDllReload();
      }
      ASSERT_TRUE(PollUntil([&] { return box->waiting() > 0; })) << "no alert";
      api.fnmvPackCefDllSelectHandler(static_cast<unsigned>(polling));
    }
    api.fnmvPackCefDllSetUploadIsDone(true);
    if (box) {
      // The page polls on while the box is open (its reports wait for the engine's thread).
      const auto before = ticks();
      ASSERT_TRUE(PollUntil([&] { return ticks() >= before + 12; }));
      box.reset();
    }
    ASSERT_TRUE(host.WaitForReport("polls", [&](const std::string&) { return trues() >= round; }))
        << "the true was lost: " << trues() << " trues";
    // Two rounds of every burst size later, in both frames, the true has not come again.
    const int page_bursts = count("polls", 0), frame_bursts = count("child", 0);
    ASSERT_TRUE(host.WaitForReport("polls", [&](const std::string&) {
      return count("polls", 0) >= page_bursts + 12 && count("child", 0) >= frame_bursts + 12;
    }));
    ASSERT_EQ(trues(), round) << "a true was returned more than once";
  }
  host.CloseAll();
  EXPECT_EQ(api.fnmvPackCefDllUninitializeCef(), 1);
}

// Chromium takes no address over 2 MiB: such a browser shows the error page as for any failed
// load, and navigates normally afterwards; an address too long for a DevTools message leaves
// Chromium's channel as it was.
TEST(ExportsSafety, AnAddressLongerThanChromiumTakesGetsTheErrorPageAndLaterAddressesLoad) {
  static LoadedLibrary library;
  START_LIBRARY_OR_SKIP(library);
  const Api& api = library.api;
  Host host(api);
  HWND window = host.NewWindow(RECT{0, 0, 320, 240});
  const std::string prefix = "data:text/plain,";
  const std::string expected =
      "Failed to load URL " + prefix + std::string(900 - prefix.size(), 'a') + "... with error "
      "net::ERR_INVALID_URL (-300).";
  auto error_page = [&](const std::string& t) { return t.find("net::ERR_INVALID_URL") != std::string::npos; };
  auto loaded = [](const std::string& t) { return t.find("Page text") != std::string::npos; };
  const std::string over_limit = prefix + std::string((size_t(2) << 20) + 1 - prefix.size(), 'a');
  ASSERT_GT(host.NewBrowser(over_limit, 320, 240, window), 0);
  std::string text;
  EXPECT_TRUE(host.WaitForPageText(error_page, &text, kFirstFrameSeconds)) << text;
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  EXPECT_EQ(text, expected);
  Frame frame;
  EXPECT_TRUE(host.WaitForFrame([](const Frame& f) { return f.width == 320; }, &frame));

  const std::string beyond_any_message = prefix + std::string(size_t(101) << 20, 'a');
  for (const std::string* url : {&beyond_any_message, &over_limit}) {
    SCOPED_TRACE(url->size());
    api.fnmvPackCefDllGotoUrl(PageUrl("text.html").c_str());
    EXPECT_TRUE(host.WaitForPageText(loaded, &text)) << text;
    api.fnmvPackCefDllGotoUrl(url->c_str());
    EXPECT_TRUE(host.WaitForPageText(error_page, &text)) << text;
  }
  api.fnmvPackCefDllGotoUrl(PageUrl("text.html").c_str());
  EXPECT_TRUE(host.WaitForPageText(loaded, &text)) << text;
  host.CloseAll();
  EXPECT_EQ(api.fnmvPackCefDllUninitializeCef(), 1);
}

// A page's call whose request is far longer than the game reads: the game holds no more of it than
// the 64 MiB it reads before giving up (and, for a moment, the half more a growing buffer needs),
// not the request and its parsed copy; the call throws in the page, and the bridge goes on.
TEST(ExportsSafety, ACallTooLongToReadThrowsInThePageAndTheGameNeverHoldsIt) {
  static LoadedLibrary library;
  START_LIBRARY_OR_SKIP(library);
  const Api& api = library.api;
  const double peak_before = PeakResidentMiB(::getpid());
  Host host(api);
  ASSERT_GT(host.NewBrowser(PageUrl("long_call.html"), 320, 240, host.NewWindow(RECT{0, 0, 320, 240})), 0);
  EXPECT_TRUE(host.WaitForReport("long", kFirstFrameSeconds)) << host.reports().Summary();
  EXPECT_EQ(host.reports().Last("long").value_or(""), "threw");
  const double growth = PeakResidentMiB(::getpid()) - peak_before;
  std::printf("a 48 MB call: the game's peak resident memory grew by %.1f MiB\n", growth);
  EXPECT_LT(growth, 112.0);
  host.CloseAll();
  EXPECT_EQ(api.fnmvPackCefDllUninitializeCef(), 1);
}

// A page cannot save files on the player's machine: downloads it starts by a link, and an address
// the game goes to that is a download, are refused, and the browser goes on to the next address.
TEST(ExportsSafety, DownloadsAreRefusedAndTheBrowserGoesOn) {
  mvtest::TempDir home("mvcef_home");
  // Chromium saves into $HOME/Downloads unless the user's folder settings name another.
  ASSERT_EQ(setenv("HOME", home.path().c_str(), 1), 0);
  unsetenv("XDG_CONFIG_HOME");
  const std::filesystem::path files =
      std::filesystem::path(home.Write("served/mvcef-download.bin", {'s', 'a', 'v', 'e', 'd'})).parent_path();
  LoopbackServer pages(PagesDir()), downloads(files.string());
  ASSERT_TRUE(pages.Start());
  ASSERT_TRUE(downloads.Start());
  static LoadedLibrary library;
  START_LIBRARY_OR_SKIP(library);
  const Api& api = library.api;
  Host host(api);
  HWND window = host.NewWindow(RECT{0, 0, 320, 240});
  ASSERT_GT(host.NewBrowserWithBridge(pages.Url("/download.html"), 320, 240, window,
                                      [](const Reports& r) { return r.Last("clicked").has_value(); }),
            0)
      << host.reports().Summary();
  api.fnmvPackCefDllGotoUrl(downloads.Url("/mvcef-download.bin").c_str());
  EXPECT_TRUE(PollUntil([&] { return !downloads.Requests().empty(); }));
  api.fnmvPackCefDllGotoUrl(PageUrl("solid.html#00ff00").c_str());
  Frame frame;
  EXPECT_TRUE(host.WaitForFrame([](const Frame& f) { return f.Near(160, 120, Rgb{0, 255, 0}); }, &frame));

  auto saved = [&] {
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(home.path(), ec), end; !ec && it != end; it.increment(ec)) {
      const std::filesystem::path& path = it->path();
      if (path.parent_path() == files || !it->is_regular_file(ec)) continue;
      if (path.parent_path().filename() == "Downloads" || path.filename().string().rfind("mvcef-download", 0) == 0)
        return true;
    }
    return false;
  };
  // A download lands within moments; give it a little while to show that none does.
  EXPECT_FALSE(PollUntil(saved, 3)) << "a page saved a file under " << home.path();
  host.CloseAll();
  EXPECT_EQ(api.fnmvPackCefDllUninitializeCef(), 1);
}

}  // namespace
}  // namespace exports_e2e
