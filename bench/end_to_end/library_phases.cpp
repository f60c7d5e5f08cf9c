#include "library_phases.h"

#include <dirent.h>
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <sstream>
#include <thread>
#include <vector>

#include "common/file_bytes.h"
#include "devtools_pipe.h"
#include "host/library_api.h"
#include "host/win32_input.h"
#include "measure.h"
#include "plain_client.h"

namespace mvbench {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsBetween(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

void Record(const std::string& key, const std::string& value) {
  std::cout << RecordLine(key, value) << std::flush;
}

void Record(const std::string& key, double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", value);
  Record(key, std::string(text));
}

int Fail(const std::string& message) {
  Record("error", message);
  std::cerr << "bench_end_to_end: " << message << "\n";
  return 1;
}

void* LookupSymbol(void* handle, const char* name) { return dlsym(handle, name); }

// The game's side of the library: bound by name, one browser, frames polled.
class GameHost {
 public:
  bool Load(const std::string& path, std::string* error) {
    // RTLD_LOCAL: the library's names stay out of the global scope, as with LoadLibrary.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
      *error = std::string("cannot load the library: ") + dlerror();
      return false;
    }
    const std::vector<std::string> missing = mvhost::BindLibrary(api_, LookupSymbol, handle_);
    if (!missing.empty()) {
      *error = "the library lacks " + missing.front();
      return false;
    }
    return true;
  }

  void Initialize() {
    api_.fnmvPackCefDllInitializeCef(static_cast<HINSTANCE>(handle_), true);
    started_ = true;
  }

  bool CreateBrowser(const std::string& url, int width, int height, std::string* error) {
    width_ = width;
    height_ = height;
    window_ = api_.mvw32_create_window(nullptr, RECT{0, 0, width, height}, TRUE);
    if (!window_ || api_.fnmvPackCefDllCreateBrowser(RECT{0, 0, width, height}, url.c_str(), window_, nullptr) == 0) {
      *error = "no browser was created";
      return false;
    }
    // Otherwise the library shows pages at 120 %.
    api_.fnmvPackCefDllDoZoom(100);
    return true;
  }

  bool HasNewFrame() {
    int w = 0, h = 0;
    return api_.fnmvPackCefDllGetBrowserHasNewFrame(&w, &h);
  }

  // Copies the waiting frame out; false when there is none.
  bool TakeFrame() {
    int w = 0, h = 0;
    if (!api_.fnmvPackCefDllGetBrowserHasNewFrame(&w, &h)) return false;
    if (w != width_ || h != height_) {
      api_.fnmvPackCefDllGetBrowserRenderData(nullptr);  // a frame of another size is no frame of this view
      return false;
    }
    previous_.swap(frame_);
    frame_.resize(static_cast<size_t>(w) * h * 4);
    api_.fnmvPackCefDllGetBrowserRenderData(frame_.data());
    return true;
  }
  bool FrameDiffersFromPrevious() const {
    return previous_.size() != frame_.size() || std::memcmp(previous_.data(), frame_.data(), frame_.size()) != 0;
  }

  // The mean BGRA colour of a square around (x, y) of the last frame taken.
  void ColourAt(int x, int y, int out[3]) const {
    long sum[3] = {0, 0, 0};
    int n = 0;
    for (int dy = -4; dy < 4; ++dy)
      for (int dx = -4; dx < 4; ++dx) {
        const size_t at = (static_cast<size_t>(y + dy) * width_ + (x + dx)) * 4;
        for (int c = 0; c < 3; ++c) sum[c] += frame_[at + c];
        ++n;
      }
    for (int c = 0; c < 3; ++c) out[c] = static_cast<int>(sum[c] / n);
  }

  void TakeMessages(const std::function<void(const std::string&, const std::string&)>& on_message) {
    char name[256], value[256];
    for (int taken = 0; taken < 1000 && api_.fnmvPackCefDllIsDirty(); ++taken) {
      name[0] = value[0] = '\0';
      api_.fnmvPackCefDllGetMsg(name, value);
      name[255] = value[255] = '\0';
      on_message(name, value);
    }
  }

  void Navigate(const std::string& url) { api_.fnmvPackCefDllGotoUrl(url.c_str()); }

  void Click(int x, int y) {
    const LPARAM at = mvhost::PointLParam(x, y);
    api_.fnmvPackCefDllSendWMButtonDown(WM_LBUTTONDOWN, mvhost::MouseKeyState({true, false, false}, false, false), at,
                                        0, 0);
    api_.fnmvPackCefDllSendDWMButtonUp(WM_LBUTTONUP, 0, at, 0, 0);
  }

  void PressSpace() {
    constexpr unsigned kSpaceScan = 0x39;
    api_.fnmvPackCefDllSendSendKeyEvent(WM_KEYDOWN, VK_SPACE, mvhost::KeyLParam({kSpaceScan}));
    api_.fnmvPackCefDllSendSendKeyEvent(WM_KEYUP, VK_SPACE, mvhost::KeyLParam({kSpaceScan, false, false, true, true}));
  }

  void Stop() {
    if (!started_) return;
    started_ = false;
    mvhost::ShutDown(api_, window_);
    window_ = nullptr;
  }
  ~GameHost() { Stop(); }

 private:
  mvhost::LibraryApi api_;
  void* handle_ = nullptr;
  HWND window_ = nullptr;
  bool started_ = false;
  int width_ = 0, height_ = 0;
  std::vector<unsigned char> frame_, previous_;
};

// The command line of the Chromium this process started (the library's), from /proc.
std::vector<std::string> ChildChromiumCommandLine() {
  const pid_t self = ::getpid();
  DIR* proc = ::opendir("/proc");
  if (!proc) return {};
  std::vector<std::string> found;
  while (dirent* entry = ::readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (!end || *end != '\0' || pid <= 0) continue;
    // Processes end while we look: their reads fail, quietly.
    const std::string stat = mvcommon::ReadFileBytes(std::string("/proc/") + entry->d_name + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream fields(stat.substr(close + 1));
    std::string state;
    long parent = 0;
    fields >> state >> parent;
    if (parent != self) continue;
    const std::string cmdline = mvcommon::ReadFileBytes(std::string("/proc/") + entry->d_name + "/cmdline");
    std::vector<std::string> args;
    for (size_t start = 0; start < cmdline.size();) {
      const size_t stop = cmdline.find('\0', start);
      args.push_back(cmdline.substr(start, stop == std::string::npos ? std::string::npos : stop - start));
      if (stop == std::string::npos) break;
      start = stop + 1;
    }
    for (const std::string& a : args)
      if (a == "--remote-debugging-pipe") found = args;
  }
  ::closedir(proc);
  return found;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

bool WaitForFirstFrame(GameHost& host, double seconds) {
  const Clock::time_point start = Clock::now();
  while (SecondsBetween(start, Clock::now()) < seconds) {
    if (host.TakeFrame()) return true;
    Sleep(0.001);
  }
  return false;
}

// Frames that reach the host in the window that follows a warm-up, polled every millisecond (a
// game polls once per frame of its own; this shows what the library can deliver).
FrameCount CountFrames(GameHost& host, double warmup_seconds, double window_seconds) {
  const Clock::time_point warm_end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                        std::chrono::duration<double>(warmup_seconds));
  while (Clock::now() < warm_end) {
    host.TakeFrame();
    Sleep(0.001);
  }
  FrameCount count;
  const double cpu_at_start = ProcessCpuSeconds();
  const Clock::time_point start = Clock::now();
  const Clock::time_point end =
      start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(window_seconds));
  while (Clock::now() < end) {
    if (host.TakeFrame()) {
      ++count.frames;
      if (host.FrameDiffersFromPrevious()) ++count.distinct;
    }
    Sleep(0.001);
  }
  count.seconds = SecondsBetween(start, end);
  count.cpu_seconds = ProcessCpuSeconds() - cpu_at_start;
  return count;
}

// Milliseconds from each input export call to the first frame whose centre shows the page's
// answer; the page flips between two colours on every press.
bool MeasureInputLatency(GameHost& host, const Settings& s, std::string* error) {
  const int cx = s.width / 2, cy = s.height / 2;
  int colour[3];
  const Clock::time_point ready_deadline = Clock::now() + std::chrono::seconds(20);
  bool ready = false;
  while (!ready && Clock::now() < ready_deadline) {
    if (host.TakeFrame()) {
      host.ColourAt(cx, cy, colour);
      ready = Classify(colour) == Shade::kReady;
    }
    Sleep(0.001);
  }
  if (!ready) {
    *error = "the input page never showed its first colour";
    return false;
  }
  long presses = 0;
  // Mouse and key presses take turns, so that a change in the machine's load meets both alike.
  for (int trial = 0; trial < 2 * (kWarmupPresses + s.trials); ++trial) {
    const bool mouse = trial % 2 == 0;
    const Clock::time_point quiet_end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(QuietSeconds(trial)));
    while (Clock::now() < quiet_end) {
      host.TakeFrame();
      Sleep(0.001);
    }
    const Shade expected = ShadeAfterPresses(++presses);
    const Clock::time_point sent = Clock::now();
    if (mouse)
      host.Click(cx, cy);
    else
      host.PressSpace();
    bool shown = false;
    while (!shown && SecondsBetween(sent, Clock::now()) < 5) {
      if (host.TakeFrame()) {
        host.ColourAt(cx, cy, colour);
        shown = Classify(colour) == expected;
      }
      if (!shown) Sleep(0.0002);
    }
    if (!shown) {
      *error = std::string("no frame showed the answer to a press (") + (mouse ? "mouse" : "key") + ")";
      return false;
    }
    if (trial >= 2 * kWarmupPresses)
      Record(mouse ? "library_mouse_ms" : "library_key_ms", SecondsBetween(sent, Clock::now()) * 1000.0);
  }
  return true;
}

bool MeasureBridge(GameHost& host, const Settings& s, std::string* error) {
  host.Navigate(s.pages_url + "bridge.html?n=" + std::to_string(s.bridge_calls));
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(60);
  bool done = false;
  while (!done && Clock::now() < deadline) {
    host.TakeFrame();
    host.TakeMessages([&](const std::string& name, const std::string& value) {
      if (name == "batchUploadImg" && value.rfind("bridge-rtt ", 0) == 0) {
        Record("library_bridge", value);
        done = true;
      }
    });
    Sleep(0.002);
  }
  if (!done) *error = "the bridge page sent no figures (are the page functions there?)";
  return done;
}

}  // namespace

int RunStartupPhase(const Settings& s) {
  GameHost host;
  std::string error;
  if (!host.Load(s.library, &error)) return Fail(error);
  const Clock::time_point start = Clock::now();
  host.Initialize();
  const Clock::time_point initialized = Clock::now();
  if (!host.CreateBrowser(s.pages_url + "input.html", s.width, s.height, &error)) return Fail(error);
  while (!host.HasNewFrame()) {
    if (SecondsBetween(start, Clock::now()) > 60) return Fail("no frame within 60 s of InitializeCef");
    Sleep(0.0005);
  }
  const Clock::time_point first = Clock::now();
  Record("init_call_s", SecondsBetween(start, initialized));
  Record("startup_s", SecondsBetween(start, first));
  host.Stop();
  return 0;
}

int RunLibraryPhase(const Settings& s) {
  GameHost host;
  std::string error;
  if (!host.Load(s.library, &error)) return Fail(error);
  host.Initialize();
  if (!host.CreateBrowser(s.pages_url + "animated.html", s.width, s.height, &error)) return Fail(error);
  if (!WaitForFirstFrame(host, 60)) return Fail("no frame within 60 s");
  Record("library_switches", Joined(ChildChromiumCommandLine()));
  const FrameCount count = CountFrames(host, s.warmup_seconds, s.window_seconds);
  Record("library_frames", static_cast<double>(count.frames));
  Record("library_distinct", static_cast<double>(count.distinct));
  Record("library_seconds", count.seconds);
  Record("library_cpu_s", count.cpu_seconds);

  int failures = 0;
  host.Navigate(s.pages_url + "input.html");
  if (!MeasureInputLatency(host, s, &error)) failures += Fail(error);
  if (!MeasureBridge(host, s, &error)) failures += Fail(error);
  host.Stop();
  return failures ? 1 : 0;
}

int RunPlainPhase(const Settings& s) {
  PlainPlan plan;
  plan.animated_url = s.pages_url + "animated.html";
  plan.input_url = s.pages_url + "input.html";
  plan.bridge_url = s.pages_url + "bridge.html?n=" + std::to_string(s.bridge_calls);
  plan.width = s.width;
  plan.height = s.height;
  plan.warmup_seconds = s.warmup_seconds;
  plan.window_seconds = s.window_seconds;
  plan.trials = s.trials;
  const PlainRun run = RunPlainClient(plan);
  Record("plain_switches", Joined(run.command_line));
  if (run.counted) {
    Record("plain_frames", static_cast<double>(run.count.frames));
    Record("plain_distinct", static_cast<double>(run.count.distinct));
    Record("plain_seconds", run.count.seconds);
    Record("plain_cpu_s", run.count.cpu_seconds);
    Record("plain_at_library_rate", static_cast<double>(SlotsWithFrames(run.count.distinct_at, kLibraryFrameRate)));
  }
  for (double ms : run.mouse_ms) Record("plain_mouse_ms", ms);
  for (double ms : run.key_ms) Record("plain_key_ms", ms);
  if (!run.bridge.empty()) Record("plain_bridge", run.bridge);
  if (run.start_seconds >= 0) Record("plain_start_s", run.start_seconds);
  for (const std::string& e : run.errors) Fail("plain client: " + e);
  return run.errors.empty() ? 0 : 1;
}

}  // namespace mvbench
