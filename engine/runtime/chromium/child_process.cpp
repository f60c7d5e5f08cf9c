#include "engine/runtime/chromium/child_process.h"

namespace mvengine {
namespace chromium {

std::string DescribeExit(const ExitStatus& status) {
  return (status.signaled ? "ended by signal " : "exited with ") + std::to_string(status.code);
}

}  // namespace chromium
}  // namespace mvengine
