// A string the Win32 stand-in hands out in two calls (its length, then a copy), for tests that
// read its message-box and shell-open records.
#pragma once

#include <cstddef>
#include <string>

namespace mvtest {

// `get(index, field, buffer, size)` returns the full length, or (size_t)-1 for no such record or
// field, for which `missing` stands.
template <typename Get>
std::string StandInString(Get get, size_t index, int field, const std::string& missing = std::string()) {
  const size_t length = get(index, field, nullptr, 0);
  if (length == static_cast<size_t>(-1)) return missing;
  std::string s(length + 1, '\0');
  get(index, field, &s[0], s.size());
  s.resize(length);
  return s;
}

}  // namespace mvtest
