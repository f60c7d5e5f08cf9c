// Helpers shared by the Chromium end-to-end tests.
#pragma once

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "chromium_launcher.h"

namespace mvengine {
namespace chromium {
namespace e2e {

inline LaunchOptions Options() {
  LaunchOptions options;
  const char* debug = std::getenv("MVCEF_DEBUG");
  options.debug = debug && std::string(debug) == "1";
  return options;
}

inline int CountProcessesMentioning(const std::string& marker) {
  int count = 0;
  DIR* proc = ::opendir("/proc");
  if (!proc) return 0;
  while (dirent* entry = ::readdir(proc)) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
    std::ifstream in(std::string("/proc/") + entry->d_name + "/cmdline", std::ios::binary);
    std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!cmdline.empty() && cmdline.find(marker) != std::string::npos) ++count;
  }
  ::closedir(proc);
  return count;
}

// The folder of the bundled test pages.
inline std::string PagesDir() { return MVCEF_TEST_PAGES_DIR; }

}  // namespace e2e
}  // namespace chromium
}  // namespace mvengine
