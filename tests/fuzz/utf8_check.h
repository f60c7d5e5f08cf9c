// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF): what the host must always receive. glibc's strict converter judges, so the check
// shares no code or reasoning with the decoder under test.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <cstdlib>
#include <vector>

namespace fuzz {

inline bool IsUtf8(const unsigned char* s, size_t n) {
  // One converter for the process: libFuzzer runs inputs on one thread.
  static const iconv_t converter = [] {
    iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) std::abort();
    return cd;
  }();
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  std::vector<char> out(n * 4 + 4);
  char* in = const_cast<char*>(reinterpret_cast<const char*>(s));
  char* to = out.data();
  size_t in_left = n, out_left = out.size();
  return iconv(converter, &in, &in_left, &to, &out_left) != static_cast<size_t>(-1) && in_left == 0;
}

}  // namespace fuzz
