// The default runtimes of a build without a Chromium runtime: CefInitialize fails cleanly and a
// render process exits at once.
#include "engine/src/debug_line.h"
#include "engine/src/runtime.h"

namespace mvengine {
namespace {

class UnavailableBrowserRuntime : public BrowserRuntime {
 public:
  bool Initialize(const CefMainArgs&, const CefSettings&, CefRefPtr<CefApp>) override {
    DebugLine("no browser runtime is linked into this build; CefInitialize fails");
    return false;
  }
  void Shutdown() override {}
  bool CreateBrowser(const CefWindowInfo&, CefRefPtr<CefClient>, const CefString&,
                     const CefBrowserSettings&) override {
    return false;
  }
};

class UnavailableSubprocessRuntime : public SubprocessRuntime {
 public:
  int Run(const CefMainArgs&, CefRefPtr<CefCommandLine>, const CefString& process_type,
          CefRefPtr<CefApp>) override {
    if (process_type == "renderer") {
      DebugLine("no render runtime is linked into this build; the render process exits");
      return 1;
    }
    return 0;
  }
};

}  // namespace

std::unique_ptr<BrowserRuntime> CreateDefaultBrowserRuntime() {
  return std::unique_ptr<BrowserRuntime>(new UnavailableBrowserRuntime());
}

std::unique_ptr<SubprocessRuntime> CreateDefaultSubprocessRuntime() {
  return std::unique_ptr<SubprocessRuntime>(new UnavailableSubprocessRuntime());
}

}  // namespace mvengine
