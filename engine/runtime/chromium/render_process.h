// Starting and ending the render process: the sub-process executable, run with
// the renderer type and its end of a fresh channel.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "include/cef_browser_process_handler.h"
#include "message_channel.h"

namespace mvengine {
namespace chromium {

// The command line the render process gets: `executable` first, then the
// process type, the channel's descriptor, and `extra_switches`; then, as for
// any child process, the application's OnBeforeChildProcessLaunch may add to it.
std::vector<std::string> RenderProcessArgs(const std::string& executable, int channel_fd,
                                           const std::vector<std::string>& extra_switches,
                                           CefRefPtr<CefBrowserProcessHandler> launch_handler = NULL);

struct RenderProcess {
  pid_t pid = -1;
  std::shared_ptr<MessageChannel> channel;  // our end
};

// False (with `error`) when the executable cannot be started.
bool StartRenderProcess(const std::string& executable, const std::vector<std::string>& extra_switches,
                        RenderProcess* out, std::string* error,
                        CefRefPtr<CefBrowserProcessHandler> launch_handler = NULL);

// Waits up to `grace_ms` for the process to end by itself, then kills it; always reaps it.
// Returns the wait status.
int EndRenderProcess(pid_t pid, int grace_ms);

}  // namespace chromium
}  // namespace mvengine
