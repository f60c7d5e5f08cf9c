// Whole numbers in the host's command line and action items.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

namespace mvhost {

// `text` as a whole number from `low` to `high` (both within int's range); `out` is left alone
// when it is not one.
inline bool ParseInt(std::string_view text, long low, long high, int& out) {
  if (text.empty()) return false;
  const std::string copy(text);  // strtol wants a terminated string
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(copy.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < low || value > high) return false;
  out = static_cast<int>(value);
  return true;
}

}  // namespace mvhost
