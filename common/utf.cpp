#include "common/utf.h"

#include <cstdint>

namespace mvcommon {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsScalarValue(uint32_t cp) { return cp < 0xD800 || (cp >= 0xE000 && cp <= 0x10FFFF); }

// Reads one code point at s[*i] and advances *i past it, or past the maximal ill-formed subpart
// (returning false).
bool ReadUtf8(const unsigned char* s, size_t len, size_t* i, char32_t* cp) {
  const unsigned char lead = s[*i];
  ++*i;
  if (lead < 0x80) {
    *cp = lead;
    return true;
  }
  int trail_count;
  unsigned char lo = 0x80, hi = 0xBF;
  char32_t value;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trail_count = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trail_count = 2;
    value = lead & 0x0F;
    if (lead == 0xE0) lo = 0xA0;  // overlong
    if (lead == 0xED) hi = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trail_count = 3;
    value = lead & 0x07;
    if (lead == 0xF0) lo = 0x90;  // overlong
    if (lead == 0xF4) hi = 0x8F;  // above U+10FFFF
  } else {
    return false;
  }
  for (int k = 0; k < trail_count; ++k) {
    if (*i >= len) return false;
    const unsigned char c = s[*i];
    if (c < lo || c > hi) return false;
    lo = 0x80;
    hi = 0xBF;
    value = (value << 6) | (c & 0x3F);
    ++*i;
  }
  *cp = value;
  return true;
}

bool ReadUtf8Chars(const char* s, size_t len, size_t* i, char32_t* cp) {
  return ReadUtf8(reinterpret_cast<const unsigned char*>(s), len, i, cp);
}

bool ReadUtf16(const char16_t* s, size_t len, size_t* i, char32_t* cp) {
  const char16_t u = s[*i];
  ++*i;
  if (u < 0xD800 || u > 0xDFFF) {
    *cp = u;
    return true;
  }
  if (u <= 0xDBFF && *i < len && s[*i] >= 0xDC00 && s[*i] <= 0xDFFF) {
    *cp = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(s[*i]) - 0xDC00);
    ++*i;
    return true;
  }
  return false;
}

bool ReadUtf32(const char32_t* s, size_t len, size_t* i, char32_t* cp) {
  *cp = s[*i];
  ++*i;
  return IsScalarValue(*cp);
}

void WriteUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void WriteUtf16(char32_t cp, std::u16string* out) {
  if (cp < 0x10000) {
    out->push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void WriteUtf32(char32_t cp, std::u32string* out) { out->push_back(cp); }

uint32_t CodeUnit(char c) { return static_cast<unsigned char>(c); }
uint32_t CodeUnit(char16_t c) { return c; }
uint32_t CodeUnit(char32_t c) { return c; }

// Decodes with `read`, re-encodes with `write`, replacing what does not decode. Runs of ASCII,
// most of any address or page text, are copied unit for unit: a 100 MB address must not hold the
// game for seconds.
template <typename Src, typename Out, typename Read, typename Write>
bool Convert(const Src* src, size_t len, Out* out, Read read, Write write) {
  out->clear();
  if (!src) return true;
  out->reserve(len);
  bool ok = true;
  size_t i = 0;
  while (i < len) {
    while (i < len && CodeUnit(src[i]) < 0x80) out->push_back(static_cast<typename Out::value_type>(src[i++]));
    if (i == len) break;
    char32_t cp;
    if (read(src, len, &i, &cp)) {
      write(cp, out);
    } else {
      write(kReplacement, out);
      ok = false;
    }
  }
  return ok;
}

}  // namespace

// clang-format off
bool Utf8ToUtf16(const char* s, size_t n, std::u16string* out) { return Convert(s, n, out, ReadUtf8Chars, WriteUtf16); }
bool Utf16ToUtf8(const char16_t* s, size_t n, std::string* out) { return Convert(s, n, out, ReadUtf16, WriteUtf8); }
bool Utf32ToUtf16(const char32_t* s, size_t n, std::u16string* out) { return Convert(s, n, out, ReadUtf32, WriteUtf16); }
bool Utf16ToUtf32(const char16_t* s, size_t n, std::u32string* out) { return Convert(s, n, out, ReadUtf16, WriteUtf32); }
bool Utf8ToUtf32(const char* s, size_t n, std::u32string* out) { return Convert(s, n, out, ReadUtf8Chars, WriteUtf32); }
bool Utf32ToUtf8(const char32_t* s, size_t n, std::string* out) { return Convert(s, n, out, ReadUtf32, WriteUtf8); }
// clang-format on

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  Utf8ToUtf16(text.data(), text.size(), &out);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  Utf16ToUtf8(text.data(), text.size(), &out);
  return out;
}

size_t Utf8PrefixLength(std::string_view utf8, size_t max_bytes) {
  if (max_bytes >= utf8.size()) return utf8.size();
  const auto continuation = [&](size_t i) { return (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80; };
  // A continuation byte at the cut belongs to a character that began before it: cut before that
  // character's lead byte, at most three bytes back. A longer run of continuation bytes is no
  // character, and is cut where asked.
  size_t lead = max_bytes;
  for (int back = 0; lead > 0 && back < 3 && continuation(lead); ++back) --lead;
  return continuation(lead) ? max_bytes : lead;
}

}  // namespace mvcommon
