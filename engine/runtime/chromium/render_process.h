// Starting and ending the render process: the sub-process executable, run with the renderer type
// and its end of a fresh channel. The command line is the same everywhere; starting and ending
// are each system's (render_process_posix.cpp).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/runtime/chromium/child_process.h"
#include "engine/runtime/chromium/message_channel.h"
#include "include/cef_browser_process_handler.h"

namespace mvengine {
namespace chromium {

// The command line the render process gets: `executable` first, then the process type, the name
// of its end of the channel (OpenInheritedStream opens it there), and `extra_switches`; then, as for
// any child process, the application's OnBeforeChildProcessLaunch may add to it.
std::vector<std::string> RenderProcessArgs(const std::string& executable, const std::string& channel,
                                           const std::vector<std::string>& extra_switches,
                                           CefRefPtr<CefBrowserProcessHandler> launch_handler = NULL);

struct RenderProcess {
  ProcessId pid = -1;
  std::shared_ptr<MessageChannel> channel;  // our end
};

// False (with `error`) when the executable cannot be started.
bool StartRenderProcess(const std::string& executable, const std::vector<std::string>& extra_switches,
                        RenderProcess* out, std::string* error,
                        CefRefPtr<CefBrowserProcessHandler> launch_handler = NULL);

// Waits up to `grace_ms` for the process to end by itself, then kills it; always reaps it.
ExitStatus EndRenderProcess(ProcessId pid, int grace_ms);

}  // namespace chromium
}  // namespace mvengine
