#include "tests/devtools_replay/scenarios.h"

#include <stdlib.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace devtools_replay {

namespace fs = std::filesystem;
using exports_e2e::PollUntil;
using exports_e2e::Rgb;

namespace {

struct Probe {
  int x, y;
  Rgb colour;
};

// Inside each quarter and a few pixels either side of every border.
std::vector<Probe> QuadProbes() {
  const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, yellow{255, 255, 0};
  const int w = kViewWidth, h = kViewHeight, cx = w / 2, cy = h / 2;
  return {{cx / 2, cy / 2, red},     {cx + cx / 2, cy / 2, green},  {cx / 2, cy + cy / 2, blue},
          {cx + cx / 2, cy + cy / 2, yellow}, {cx - 5, cy / 2, red}, {cx + 5, cy / 2, green},
          {cx / 2, cy - 5, red},     {cx / 2, cy + 5, blue},       {3, 3, red},
          {w - 4, h - 4, yellow}};
}

}  // namespace

InstallLayout::~InstallLayout() {
  std::error_code ec;
  if (!root_.empty()) fs::remove_all(root_, ec);
}

bool InstallLayout::Create(const std::string& screenshot_png, std::string* error) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/mvcef-replay-XXXXXX";
  if (!::mkdtemp(&pattern[0])) {
    *error = "cannot make a temporary folder";
    return false;
  }
  root_ = pattern;
  std::error_code ec;
  fs::create_directories(root_ + "/bin", ec);
  fs::create_directories(root_ + "/mvcef", ec);
  fs::create_directories(root_ + "/data/screenshot", ec);
  fs::copy_file(MVCEF_LIBRARY_PATH, library(), ec);
  if (!ec) fs::copy_file(MVCEF_SUBPROCESS_PATH, root_ + "/mvcef/marovekcef", ec);
  std::ofstream(root_ + "/data/screenshot/rc1_0.png", std::ios::binary) << screenshot_png;
  if (ec) *error = "cannot lay out " + root_ + ": " + ec.message();
  return !ec;
}

bool StartLibrary(const InstallLayout& layout, exports_e2e::LoadedLibrary* library, std::string* error) {
  if (!exports_e2e::OpenLibrary(layout.library(), library, error)) return false;
  if (library->api.fnmvPackCefDllInitializeCef(static_cast<HINSTANCE>(library->handle), true) != 1) {
    *error = "fnmvPackCefDllInitializeCef did not return 1";
    return false;
  }
  return true;
}

std::string PageUrl(const std::string& file) { return "file://" + std::string(MVCEF_TEST_PAGES_DIR) + "/replay/" + file; }
std::string DataFile(const std::string& name) { return std::string(MVCEF_REPLAY_DIR) + "/data/" + name; }

std::string QuadMismatches(const Frame& frame) {
  if (frame.width != kViewWidth || frame.height != kViewHeight)
    return "frame of " + std::to_string(frame.width) + "x" + std::to_string(frame.height);
  std::string out;
  for (const Probe& p : QuadProbes())
    if (!frame.Near(p.x, p.y, p.colour))
      out += " (" + std::to_string(p.x) + "," + std::to_string(p.y) + ") is " + exports_e2e::Describe(frame.At(p.x, p.y)) +
             " not " + exports_e2e::Describe(p.colour);
  return out;
}

bool RunQuads(Host& host, Frame* frame, double seconds) {
  HWND window = host.NewWindow(RECT{0, 0, kViewWidth, kViewHeight});
  if (host.NewBrowser(PageUrl("quads.html"), kViewWidth, kViewHeight, window) == 0) return false;
  return host.WaitForFrame([](const Frame& f) { return QuadMismatches(f).empty(); }, frame, seconds);
}

bool RunBlank(Host& host, Frame* frame, double seconds) {
  HWND window = host.NewWindow(RECT{0, 0, kViewWidth, kViewHeight});
  if (host.NewBrowser("about:blank", kViewWidth, kViewHeight, window) == 0) return false;
  return host.WaitForFrame(
      [](const Frame& f) { return f.Near(kViewWidth / 2, kViewHeight / 2, exports_e2e::Rgb{255, 255, 255}); }, frame,
      seconds);
}

bool RunBridge(Host& host, std::vector<std::string>* messages, double seconds) {
  HWND window = host.NewWindow(RECT{0, 0, kViewWidth, kViewHeight});
  if (host.NewBrowser(PageUrl("bridge.html"), kViewWidth, kViewHeight, window) == 0) return false;
  const bool done = host.WaitForReport("done", seconds);
  *messages = host.reports().raw();
  return done;
}

bool RunWindowed(Host& host, double seconds) {
  const exports_e2e::Api& api = host.api();
  HWND parent = host.NewWindow(RECT{100, 100, 100 + 2 * kViewWidth, 100 + 2 * kViewHeight});
  const RECT at{10, 20, 10 + kViewWidth, 20 + kViewHeight};
  if (api.fnmvPackCefDllInitCefBrowserInApp(parent, at, PageUrl("quads.html").c_str()) != 1) return false;
  const POINT inside = {100 + 10 + 5, 100 + 20 + 5};
  return PollUntil(
      [&] {
        // Hidden from its creation until the library shows it at the first load end.
        HWND child = api.WindowFromPoint(inside);
        if (!child || child == parent || api.GetParent(child) != parent ||
            api.mvw32_last_show_command(child) != SW_SHOWNORMAL || !api.IsWindowVisible(child))
          return false;
        // What the window shows: the page's frames painted into it.
        Frame shown;
        shown.width = kViewWidth;
        shown.height = kViewHeight;
        shown.bgra.resize(static_cast<size_t>(kViewWidth) * kViewHeight * 4);
        for (int y = 0; y < kViewHeight; ++y)
          for (int x = 0; x < kViewWidth; ++x) {
            uint32_t argb = 0;
            if (!api.mvw32_window_pixel(child, x, y, &argb)) return false;
            std::memcpy(&shown.bgra[(static_cast<size_t>(y) * kViewWidth + x) * 4], &argb, 4);
          }
        return QuadMismatches(shown).empty();
      },
      seconds);
}

}  // namespace devtools_replay
