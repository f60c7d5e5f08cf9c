#include "text.h"

namespace mvw32 {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsScalar(char32_t c) { return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF); }

void AppendUtf8(std::string& out, char32_t c) {
  if (!IsScalar(c)) c = kReplacement;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one character at `i`; returns its length in bytes, 0 when the bytes there are not
// a well-formed sequence (overlong forms and surrogates included).
size_t DecodeUtf8(std::string_view s, size_t i, char32_t* out) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  size_t len;
  char32_t c;
  char32_t min;
  if (b0 < 0x80) {
    *out = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2, c = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, c = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, c = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - i < len) return 0;
  for (size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || !IsScalar(c)) return 0;
  *out = c;
  return len;
}

}  // namespace

std::wstring WideFromUtf8(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    char32_t c;
    const size_t n = DecodeUtf8(utf8, i, &c);
    if (n == 0) {
      out += static_cast<wchar_t>(kReplacement);
      ++i;
    } else {
      out += static_cast<wchar_t>(c);
      i += n;
    }
  }
  return out;
}

std::string Utf8FromWide(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (wchar_t w : wide) AppendUtf8(out, static_cast<char32_t>(static_cast<uint32_t>(w)));
  return out;
}

std::wstring WideFromUtf16(const uint16_t* units, size_t length) {
  std::wstring out;
  if (units == nullptr) return out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    const char32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < length && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      out += static_cast<wchar_t>(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      out += static_cast<wchar_t>(kReplacement);
    } else {
      out += static_cast<wchar_t>(u);
    }
  }
  return out;
}

size_t Utf8PrefixLength(std::string_view utf8, size_t max_bytes) {
  if (max_bytes >= utf8.size()) return utf8.size();
  const auto continuation = [&](size_t i) { return (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80; };
  if (!continuation(max_bytes)) return max_bytes;
  // `max_bytes` falls inside a sequence: cut before its lead byte, at most three bytes back.
  size_t lead = max_bytes;
  for (int back = 0; lead > 0 && back < 3 && continuation(lead); ++back) --lead;
  if (continuation(lead)) return max_bytes;  // stray continuation bytes: no character to keep whole
  char32_t ignored;
  return DecodeUtf8(utf8, lead, &ignored) > max_bytes - lead ? lead : max_bytes;
}

}  // namespace mvw32
