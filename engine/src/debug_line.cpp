#include "engine/src/debug_line.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mvengine {

void DebugLine(const std::string& line) {
  const char* flag = std::getenv("MVCEF_DEBUG");
  if (!flag || std::strcmp(flag, "1") != 0)
    return;
  std::fprintf(stderr, "mvengine: %s\n", line.c_str());
  std::fflush(stderr);
}

}  // namespace mvengine
