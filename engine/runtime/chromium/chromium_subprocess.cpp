// The sub-process side of the Chromium runtime. Chromium runs its own
// renderers; a sub-process started through the engine has nothing to host yet.
#include "debug_log.h"
#include "mvengine/runtime.h"

namespace mvengine {
namespace chromium {
namespace {

class ChromiumSubprocessRuntime : public SubprocessRuntime {
 public:
  int Run(const CefMainArgs& args, CefRefPtr<CefCommandLine> command_line, const CefString& process_type,
          CefRefPtr<CefApp> application) override {
    DebugLog("sub-process of type '%s' has no work in this runtime; exiting", process_type.ToString().c_str());
    return 0;
  }
};

}  // namespace
}  // namespace chromium

std::unique_ptr<SubprocessRuntime> CreateChromiumSubprocessRuntime() {
  return std::unique_ptr<SubprocessRuntime>(new chromium::ChromiumSubprocessRuntime());
}

}  // namespace mvengine
