// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF): what the host must always receive.
#pragma once

#include <cstddef>

namespace fuzz {

inline bool IsUtf8(const unsigned char* s, size_t n) {
  for (size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    size_t extra = 0;
    unsigned long cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (n - i <= extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    i += extra + 1;
  }
  return true;
}

}  // namespace fuzz
