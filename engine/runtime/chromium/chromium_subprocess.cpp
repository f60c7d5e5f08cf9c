// The sub-process side of the Chromium runtime. Chromium runs its own renderers;
// what the engine starts as a renderer is the render side of the page bridge:
// it runs the application's render-process handler on this process's main
// thread for the requests of the channel it was handed.
#include "engine/runtime/chromium/chromium_subprocess.h"

#include <memory>

#include "engine/runtime/chromium/byte_stream.h"
#include "engine/runtime/chromium/debug_log.h"
#include "engine/runtime/chromium/message_channel.h"
#include "engine/src/runtime.h"
#include "engine/runtime/chromium/render_wire.h"
#include "engine/runtime/chromium/renderer_loop.h"

namespace mvengine {
namespace chromium {
namespace {

class ChromiumSubprocessRuntime : public SubprocessRuntime {
 public:
  int Run(const CefMainArgs& args, CefRefPtr<CefCommandLine> command_line, const CefString& process_type,
          CefRefPtr<CefApp> application) override {
    if (process_type.ToString() != kRendererProcessType) {
      DebugLog("sub-process of type '%s' has no work in this runtime; exiting", process_type.ToString().c_str());
      return 0;
    }
    std::unique_ptr<ByteStream> channel =
        OpenInheritedStream(command_line->GetSwitchValue(kRenderChannelSwitch).ToString());
    if (!channel) {
      DebugLog("renderer started without its channel; exiting");
      return 1;
    }
    CefRefPtr<CefRenderProcessHandler> handler = application ? application->GetRenderProcessHandler() : NULL;
    if (handler) handler->OnRenderThreadCreated(CefListValue::Create());
    RendererLoop(handler, std::make_shared<MessageChannel>(std::move(channel))).Run();
    return 0;
  }
};

}  // namespace

std::unique_ptr<SubprocessRuntime> CreateSubprocessRuntime() {
  return std::unique_ptr<SubprocessRuntime>(new ChromiumSubprocessRuntime());
}

}  // namespace chromium
}  // namespace mvengine
