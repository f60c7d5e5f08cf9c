#include "mvcefdll/utf.h"

namespace mvcef {
namespace {

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (IsHigh(u) && i + 1 < text.size() && IsLow(text[i + 1])) {
      AppendUtf8(0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00), &out);
      ++i;
    } else if (IsHigh(u) || IsLow(u)) {
      AppendUtf8(0xFFFD, &out);
    } else {
      AppendUtf8(u, &out);
    }
  }
  return out;
}

size_t Utf8PrefixLength(const char* s, size_t size, size_t limit) {
  if (size <= limit) return size;
  size_t n = limit;
  // Step back over continuation bytes so that s[n] starts a character. A valid sequence has at
  // most three of them; a longer run is not UTF-8, and is cut where it stands.
  for (int back = 0; back < 3 && n > 0; ++back) {
    if ((static_cast<unsigned char>(s[n]) & 0xC0u) != 0x80u) return n;
    --n;
  }
  return (static_cast<unsigned char>(s[n]) & 0xC0u) != 0x80u ? n : limit;
}

}  // namespace mvcef
