#include "engine/runtime/chromium/chromium_switches.h"

namespace mvengine {
namespace chromium {

ChromiumSwitches TranslateSwitches(const std::map<std::string, std::string>& switches) {
  static const char* const kOwned[] = {
      "type", "remote-debugging-pipe", "remote-debugging-port", "remote-debugging-address",
      "user-data-dir", "headless", "no-sandbox", "single-process", "no-startup-window",
  };
  ChromiumSwitches out;
  for (const auto& entry : switches) {
    const std::string& name = entry.first;
    const std::string& value = entry.second;
    if (name.empty() || name.compare(0, 6, "ppapi-") == 0) continue;
    bool owned = false;
    for (const char* o : kOwned) owned = owned || name == o;
    if (owned) continue;
    if (name == "lang") {
      if (value.empty()) continue;
      out.locale = value;
      out.args.push_back("--accept-lang=" + value);
      out.args.push_back("--lang=" + value);  // harmless where it is ignored
      continue;
    }
    out.args.push_back(value.empty() ? "--" + name : "--" + name + "=" + value);
  }
  return out;
}

}  // namespace chromium
}  // namespace mvengine
