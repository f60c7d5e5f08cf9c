// mvhost: an example host. It loads the library by name, binds every export it uses by name,
// and drives one windowless browser as a game would.
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "host/browser_host.h"
#include "host/exit_codes.h"
#include "host/host_window.h"
#include "host/library_api.h"
#include "host/options.h"
#include "host/page_location.h"
#include "host/png_output.h"

namespace {

using namespace mvhost;

std::string ExecutablePath(const char* argv0) {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length > 0) return std::string(path, static_cast<size_t>(length));
  return argv0 ? argv0 : "mvhost";
}

std::string WorkingDirectory() {
  char path[PATH_MAX];
  return getcwd(path, sizeof(path)) ? std::string(path) : std::string(".");
}

void* LookupSymbol(void* handle, const char* name) { return dlsym(handle, name); }

int Fail(int code, const std::string& message) {
  std::cerr << "mvhost: " << message << "\n";
  return code;
}

// Runs the window until it is closed, or until the limits given on the command line.
void RunWindow(BrowserHost& host, HostWindow& window, const HostOptions& options) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  while (window.HandleEvents(host)) {
    if (host.Pump()) window.Show(host.frame(), host.frame_width(), host.frame_height());
    if (options.frames > 0 && host.frames_received() >= options.frames) return;
    if (options.seconds >= 0 && std::chrono::duration<double>(Clock::now() - start).count() >= options.seconds)
      return;
    std::this_thread::sleep_for(std::chrono::milliseconds(4));
  }
}

int Run(int argc, char** argv) {
  const std::string program = argc > 0 ? argv[0] : "mvhost";
  OptionsParse parsed = ParseCommandLine(argc, argv);
  if (!parsed.error.empty()) {
    std::cerr << "mvhost: " << parsed.error << "\n(try " << program << " --help)\n";
    return kExitUsage;
  }
  const HostOptions& options = parsed.options;
  if (options.help) {
    std::cout << UsageText(program);
    return kExitOk;
  }

  const std::string executable = ExecutablePath(argv[0]);
  const std::string library = options.library.empty() ? DefaultLibraryPath(executable) : options.library;
  // RTLD_LOCAL: the library's names stay out of the global scope, as with LoadLibrary.
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return Fail(kExitLibrary, std::string("cannot load the library: ") + dlerror());
  LibraryApi api;
  const std::vector<std::string> missing = BindLibrary(api, LookupSymbol, handle);
  if (!missing.empty()) {
    std::string names;
    for (const std::string& name : missing) names += " " + name;
    return Fail(kExitLibrary, library + " lacks the export(s)" + names);
  }

  const std::string page = options.page.empty() ? DemoPagePath(executable) : options.page;
  const PageLocation location = ResolvePage(page, WorkingDirectory());
  if (!location.error.empty()) return Fail(kExitUnreadablePage, "cannot show the page: " + location.error);

  std::unique_ptr<HostWindow> window;
  if (options.window) {
    std::string error;
    window = HostWindow::Open(options.width, options.height, error);
    if (!window) return Fail(kExitFailure, error);
  }

  BrowserHost host(api, std::cout, std::cerr);
  std::string error;
  if (!host.Start(handle, location.url, options.width, options.height, window ? window->origin() : POINT{0, 0},
                  options.zoom, error))
    return Fail(kExitEngine, error);

  // The first frame is the sign that the engine runs; a window keeps answering meanwhile.
  bool painted = false;
  {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    while (std::chrono::duration<double>(Clock::now() - start).count() < options.start_timeout) {
      if (window && !window->HandleEvents(host)) {
        host.Stop();
        return kExitOk;
      }
      if (host.Pump()) {
        painted = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
  }
  if (!painted) {
    host.Stop();
    std::ostringstream why;
    why << "the browser engine did not start: no frame within " << options.start_timeout
        << " s (is Chromium installed? MVCEF_CHROMIUM names it; MVCEF_DEBUG=1 shows the engine's log)";
    return Fail(kExitEngine, why.str());
  }
  std::cerr << "mvhost: first frame " << host.frame_width() << "x" << host.frame_height() << "\n";
  if (window) window->Show(host.frame(), host.frame_width(), host.frame_height());
  // The game's window has the focus, so the page gets it too.
  host.SendFocus(true);

  for (const Action& action : options.actions) {
    host.Play(action);
    if (window) {
      window->HandleEvents(host);
      window->Show(host.frame(), host.frame_width(), host.frame_height());
    }
  }

  if (window) {
    RunWindow(host, *window, options);
  } else {
    const double seconds = options.seconds >= 0 ? options.seconds : options.frames > 0 ? 60.0 : 2.0;
    host.PumpFor(seconds, options.frames);
  }
  host.Pump();  // the last messages

  const std::string text = host.TakePageText();
  if (!text.empty()) {
    std::cout << "page text:\n";
    size_t begin = 0;
    while (begin < text.size()) {
      const size_t end = text.find('\n', begin);
      std::cout << "  " << text.substr(begin, end == std::string::npos ? std::string::npos : end - begin) << "\n";
      if (end == std::string::npos) break;
      begin = end + 1;
    }
  }
  std::cerr << "mvhost: " << host.frames_received() << " frame(s), " << host.messages_received()
            << " message(s)\n";

  int status = kExitOk;
  if (!options.out.empty()) {
    const std::string written = WriteFramePng(options.out, host.frame().data(), host.frame_width(), host.frame_height());
    if (!written.empty()) {
      std::cerr << "mvhost: cannot write the frame: " << written << "\n";
      status = kExitFailure;
    } else {
      std::cerr << "mvhost: wrote " << options.out << "\n";
    }
  }
  if (const std::optional<std::string> failure = LoadFailure(text)) {
    std::cerr << "mvhost: the page failed to load: " << *failure << "\n";
    status = kExitUnreadablePage;
  }
  window.reset();
  host.Stop();
  // The library stays loaded: the engine's threads have ended, but a game never unloads it
  // either, and its global destructors run at exit.
  return status;
}

}  // namespace

int main(int argc, char** argv) { return Run(argc, argv); }
