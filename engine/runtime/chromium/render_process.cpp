#include "engine/runtime/chromium/render_process.h"

#include "engine/runtime/chromium/render_wire.h"

namespace mvengine {
namespace chromium {

std::vector<std::string> RenderProcessArgs(const std::string& executable, const std::string& channel,
                                           const std::vector<std::string>& extra_switches) {
  std::vector<std::string> args = {executable, std::string("--type=") + kRendererProcessType,
                                   std::string("--") + kRenderChannelSwitch + "=" + channel};
  args.insert(args.end(), extra_switches.begin(), extra_switches.end());
  return args;
}

}  // namespace chromium
}  // namespace mvengine
