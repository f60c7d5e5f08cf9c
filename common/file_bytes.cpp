#include "common/file_bytes.h"

#include <fstream>
#include <sstream>

namespace mvcommon {

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  // Inserting the buffer catches a failing read and only sets failbit on `bytes`.
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace mvcommon
