// What a page may do to the game, each test with an engine of its own (ctest runs each in a
// process of its own): the bridge narrowed to the game's origins by the setting read at start-up,
// and the game's memory while a page floods it with texts or dialog boxes. The memory tests print
// their figures.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "tests/e2e/exports/host_session.h"
#include "tests/e2e/exports/loopback_server.h"
#include "tests/e2e/exports/process_tree.h"

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
};

// Loads the page, then measures the game's resident memory from the moment it started to
// `seconds` later, and prints the figures.
void ExpectBoundedUnder(const Pressure& p) {
  static LoadedLibrary library;
  START_LIBRARY_OR_SKIP(library);
  const Api& api = library.api;
  Host host(api);
  HWND window = host.NewWindow(RECT{0, 0, 320, 240});
  ASSERT_GT(host.NewBrowser(PageUrl(p.page), 320, 240, window), 0);
  ASSERT_TRUE(PollUntil([&] { return p.started(api); }, kFirstFrameSeconds)) << p.page << " never began";
  const double before = ResidentMiB(::getpid());
  PollUntil([] { return false; }, p.seconds);  // the measurement is what the page does meanwhile
  const double after = ResidentMiB(::getpid());
  const size_t kept = p.kept(api);
  const double allowed = p.base_mib + kept * p.kib_per_kept / 1024;
  std::printf("%s, %.0f s: resident %.1f MiB -> %.1f MiB (%+.1f MiB, %.1f MiB allowed), %zu kept\n", p.what,
              p.seconds, before, after, after - before, allowed, kept);
  EXPECT_LE(kept, p.max_kept);
  EXPECT_LT(after - before, allowed);
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

}  // namespace
}  // namespace exports_e2e
