#include "command_line.h"

#include <fstream>
#include <iterator>

#include "text.h"

namespace mvw32 {

std::vector<std::wstring> ProcessArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::wstring> args;
  size_t start = 0;
  while (start < raw.size()) {
    size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    args.push_back(WideFromUtf8(std::string_view(raw).substr(start, end - start)));
    start = end + 1;
  }
  return args;
}

}  // namespace mvw32
