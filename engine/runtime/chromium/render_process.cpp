#include "engine/runtime/chromium/render_process.h"

#include "engine/runtime/chromium/render_wire.h"
#include "include/cef_command_line.h"

namespace mvengine {
namespace chromium {

std::vector<std::string> RenderProcessArgs(const std::string& executable, const std::string& channel,
                                           const std::vector<std::string>& extra_switches,
                                           CefRefPtr<CefBrowserProcessHandler> launch_handler) {
  std::vector<std::string> args = {executable, std::string("--type=") + kRendererProcessType,
                                   std::string("--") + kRenderChannelSwitch + "=" + channel};
  args.insert(args.end(), extra_switches.begin(), extra_switches.end());
  if (!launch_handler) return args;
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
  command_line->InitFromArgv(static_cast<int>(argv.size()), argv.data());
  launch_handler->OnBeforeChildProcessLaunch(command_line);
  std::vector<CefString> changed;
  command_line->GetArgv(changed);
  args.assign(1, executable);  // the program started is ours whatever the hook did
  for (size_t i = 1; i < changed.size(); ++i) args.push_back(changed[i].ToString());
  return args;
}

}  // namespace chromium
}  // namespace mvengine
