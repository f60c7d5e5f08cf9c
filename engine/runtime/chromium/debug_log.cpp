#include "engine/runtime/chromium/debug_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mvengine {
namespace chromium {

bool DebugEnabled() {
  static const bool enabled = [] {
    const char* v = std::getenv("MVCEF_DEBUG");
    return v && (std::strcmp(v, "1") == 0 || std::strcmp(v, "2") == 0);
  }();
  return enabled;
}

bool TraceEnabled() {
  static const bool enabled = [] {
    const char* v = std::getenv("MVCEF_DEBUG");
    return v && std::strcmp(v, "2") == 0;
  }();
  return enabled;
}

void DebugLog(const char* format, ...) {
  if (!DebugEnabled()) return;
  char line[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  // One write per line so lines from several threads do not interleave.
  std::fprintf(stderr, "[mvcef chromium] %s\n", line);
}

}  // namespace chromium
}  // namespace mvengine
