// The sub-process side of the Chromium runtime. Chromium runs its own renderers;
// what the engine starts as a renderer is the render side of the page bridge:
// it runs the application's render-process handler on this process's main
// thread for the requests of the channel it was handed.
#include "engine/runtime/chromium/chromium_subprocess.h"

#include <fcntl.h>
#include <stdlib.h>

#include <memory>

#include "engine/runtime/chromium/debug_log.h"
#include "engine/runtime/chromium/message_channel.h"
#include "engine/src/runtime.h"
#include "engine/runtime/chromium/render_wire.h"
#include "engine/runtime/chromium/renderer_loop.h"

namespace mvengine {
namespace chromium {
namespace {

// The channel descriptor from the command line; -1 when missing or not open.
int ChannelFd(CefRefPtr<CefCommandLine> command_line) {
  const std::string value = command_line->GetSwitchValue(kRenderChannelSwitch).ToString();
  if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos || value.size() > 9) return -1;
  const int fd = atoi(value.c_str());
  return fcntl(fd, F_GETFD) == -1 ? -1 : fd;
}

class ChromiumSubprocessRuntime : public SubprocessRuntime {
 public:
  int Run(const CefMainArgs& args, CefRefPtr<CefCommandLine> command_line, const CefString& process_type,
          CefRefPtr<CefApp> application) override {
    if (process_type.ToString() != kRendererProcessType) {
      DebugLog("sub-process of type '%s' has no work in this runtime; exiting", process_type.ToString().c_str());
      return 0;
    }
    const int fd = ChannelFd(command_line);
    if (fd < 0) {
      DebugLog("renderer started without its channel; exiting");
      return 1;
    }
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    CefRefPtr<CefRenderProcessHandler> handler = application ? application->GetRenderProcessHandler() : NULL;
    if (handler) handler->OnRenderThreadCreated(CefListValue::Create());
    RendererLoop(handler, std::make_shared<MessageChannel>(fd)).Run();
    return 0;
  }
};

}  // namespace

std::unique_ptr<SubprocessRuntime> CreateSubprocessRuntime() {
  return std::unique_ptr<SubprocessRuntime>(new ChromiumSubprocessRuntime());
}

}  // namespace chromium
}  // namespace mvengine
