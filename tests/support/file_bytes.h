// A whole file read as bytes, for tests that compare what was written; "" when it cannot be read.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace mvtest {

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace mvtest
