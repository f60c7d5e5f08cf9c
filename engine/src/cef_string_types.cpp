// The engine's C string functions.
#include "include/internal/cef_string_types.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

#include "common/utf.h"

namespace {

static_assert(sizeof(char16) == sizeof(char16_t), "char16 must be a UTF-16 unit");

void string_wide_dtor(wchar_t* str) { delete[] str; }
void string_utf8_dtor(char* str) { delete[] str; }
void string_utf16_dtor(char16* str) { delete[] str; }

template <typename Struct, typename Char>
int SetString(const Char* src, size_t src_len, Struct* output, int copy, void (*dtor)(Char*)) {
  if (!output)
    return 0;
  // src may be output's own buffer: copy before freeing.
  Char* copied = NULL;
  if (copy && src && src_len > 0) {
    copied = new Char[src_len + 1];
    memcpy(copied, src, src_len * sizeof(Char));
    copied[src_len] = 0;
  }
  if (output->dtor && output->str)
    output->dtor(output->str);
  output->str = NULL;
  output->length = 0;
  output->dtor = NULL;
  if (copy) {
    if (copied) {
      output->str = copied;
      output->length = src_len;
      output->dtor = dtor;
    }
  } else {
    output->str = const_cast<Char*>(src);
    output->length = src ? src_len : 0;
  }
  return 1;
}

template <typename Struct>
void ClearString(Struct* str) {
  if (!str)
    return;
  if (str->dtor && str->str)
    str->dtor(str->str);
  str->str = NULL;
  str->length = 0;
  str->dtor = NULL;
}

template <typename Struct, typename Less>
int CompareString(const Struct* a, const Struct* b, Less compare_units) {
  size_t a_len = a ? a->length : 0;
  size_t b_len = b ? b->length : 0;
  if (a_len == 0 && b_len == 0)
    return 0;
  if (a_len == 0)
    return -1;
  if (b_len == 0)
    return 1;
  int r = compare_units(a->str, b->str, std::min(a_len, b_len));
  if (r != 0)
    return r < 0 ? -1 : 1;
  if (a_len == b_len)
    return 0;
  return a_len < b_len ? -1 : 1;
}

template <typename Unit>
int CompareUnits(const Unit* a, const Unit* b, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    if (a[i] != b[i])
      return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

int CompareBytes(const char* a, const char* b, size_t n) {
  return CompareUnits(reinterpret_cast<const unsigned char*>(a), reinterpret_cast<const unsigned char*>(b), n);
}

// wchar_t holds UTF-32 units (Linux) or UTF-16 units (Windows); conversions to it go through a
// string of those units, copied unit for unit.
#if WCHAR_MAX > 0xFFFF
using WideUnit = char32_t;
#else
using WideUnit = char16_t;
#endif

const WideUnit* Units(const wchar_t* src) { return reinterpret_cast<const WideUnit*>(src); }

template <typename Src>
bool ToWide(bool (*convert)(const Src*, size_t, std::basic_string<WideUnit>*), const Src* src, size_t len,
            std::wstring* out) {
  std::basic_string<WideUnit> units;
  const bool ok = convert(src, len, &units);
  out->assign(units.begin(), units.end());
  return ok;
}

#if WCHAR_MAX > 0xFFFF
bool WideToU16(const wchar_t* src, size_t len, std::u16string* out) {
  return mvcommon::Utf32ToUtf16(Units(src), len, out);
}
bool U16ToWide(const char16_t* src, size_t len, std::wstring* out) {
  return ToWide(mvcommon::Utf16ToUtf32, src, len, out);
}
bool WideToU8(const wchar_t* src, size_t len, std::string* out) { return mvcommon::Utf32ToUtf8(Units(src), len, out); }
bool U8ToWide(const char* src, size_t len, std::wstring* out) { return ToWide(mvcommon::Utf8ToUtf32, src, len, out); }
#else
// Wide and UTF-16 are the same units, copied as is.
bool WideToU16(const wchar_t* src, size_t len, std::u16string* out) {
  out->assign(Units(src), src ? len : 0);
  return true;
}
bool U16ToWide(const char16_t* src, size_t len, std::wstring* out) {
  out->assign(reinterpret_cast<const wchar_t*>(src), src ? len : 0);
  return true;
}
bool WideToU8(const wchar_t* src, size_t len, std::string* out) { return mvcommon::Utf16ToUtf8(Units(src), len, out); }
bool U8ToWide(const char* src, size_t len, std::wstring* out) { return ToWide(mvcommon::Utf8ToUtf16, src, len, out); }
#endif

int Store(bool ok, const std::u16string& s, cef_string_utf16_t* output) {
  int set = cef_string_utf16_set(reinterpret_cast<const char16*>(s.data()), s.size(), output, 1);
  return (ok && set) ? 1 : 0;
}
int Store(bool ok, const std::string& s, cef_string_utf8_t* output) {
  int set = cef_string_utf8_set(s.data(), s.size(), output, 1);
  return (ok && set) ? 1 : 0;
}
int Store(bool ok, const std::wstring& s, cef_string_wide_t* output) {
  int set = cef_string_wide_set(s.data(), s.size(), output, 1);
  return (ok && set) ? 1 : 0;
}

// 1 when both the conversion and the store went well; the output holds the text either way.
template <typename Src, typename Text, typename Output>
int ConvertInto(bool (*convert)(const Src*, size_t, Text*), const Src* src, size_t len, Output* output) {
  Text text;
  const bool ok = convert(src, len, &text);
  return Store(ok, text, output);
}

// ASCII bytes widened one for one.
template <typename Text, typename Output>
int WidenAscii(const char* src, size_t len, Output* output) {
  Text text;
  for (size_t i = 0; src && i < len; ++i)
    text.push_back(static_cast<typename Text::value_type>(static_cast<unsigned char>(src[i])));
  return Store(true, text, output);
}

}  // namespace

extern "C" {

CEF_EXPORT int cef_string_wide_set(const wchar_t* src, size_t src_len, cef_string_wide_t* output, int copy) {
  return SetString(src, src_len, output, copy, string_wide_dtor);
}
CEF_EXPORT int cef_string_utf8_set(const char* src, size_t src_len, cef_string_utf8_t* output, int copy) {
  return SetString(src, src_len, output, copy, string_utf8_dtor);
}
CEF_EXPORT int cef_string_utf16_set(const char16* src, size_t src_len, cef_string_utf16_t* output, int copy) {
  return SetString(src, src_len, output, copy, string_utf16_dtor);
}

CEF_EXPORT void cef_string_wide_clear(cef_string_wide_t* str) { ClearString(str); }
CEF_EXPORT void cef_string_utf8_clear(cef_string_utf8_t* str) { ClearString(str); }
CEF_EXPORT void cef_string_utf16_clear(cef_string_utf16_t* str) { ClearString(str); }

CEF_EXPORT int cef_string_wide_cmp(const cef_string_wide_t* str1, const cef_string_wide_t* str2) {
  return CompareString(str1, str2, CompareUnits<wchar_t>);
}
CEF_EXPORT int cef_string_utf8_cmp(const cef_string_utf8_t* str1, const cef_string_utf8_t* str2) {
  return CompareString(str1, str2, CompareBytes);
}
CEF_EXPORT int cef_string_utf16_cmp(const cef_string_utf16_t* str1, const cef_string_utf16_t* str2) {
  return CompareString(str1, str2, CompareUnits<char16>);
}

CEF_EXPORT int cef_string_wide_to_utf8(const wchar_t* src, size_t src_len, cef_string_utf8_t* output) {
  return ConvertInto(WideToU8, src, src_len, output);
}
CEF_EXPORT int cef_string_utf8_to_wide(const char* src, size_t src_len, cef_string_wide_t* output) {
  return ConvertInto(U8ToWide, src, src_len, output);
}
CEF_EXPORT int cef_string_wide_to_utf16(const wchar_t* src, size_t src_len, cef_string_utf16_t* output) {
  return ConvertInto(WideToU16, src, src_len, output);
}
CEF_EXPORT int cef_string_utf16_to_wide(const char16* src, size_t src_len, cef_string_wide_t* output) {
  return ConvertInto(U16ToWide, reinterpret_cast<const char16_t*>(src), src_len, output);
}
CEF_EXPORT int cef_string_utf8_to_utf16(const char* src, size_t src_len, cef_string_utf16_t* output) {
  return ConvertInto(mvcommon::Utf8ToUtf16, src, src_len, output);
}
CEF_EXPORT int cef_string_utf16_to_utf8(const char16* src, size_t src_len, cef_string_utf8_t* output) {
  return ConvertInto(mvcommon::Utf16ToUtf8, reinterpret_cast<const char16_t*>(src), src_len, output);
}

CEF_EXPORT int cef_string_ascii_to_wide(const char* src, size_t src_len, cef_string_wide_t* output) {
  return WidenAscii<std::wstring>(src, src_len, output);
}
CEF_EXPORT int cef_string_ascii_to_utf16(const char* src, size_t src_len, cef_string_utf16_t* output) {
  return WidenAscii<std::u16string>(src, src_len, output);
}

CEF_EXPORT cef_string_userfree_wide_t cef_string_userfree_wide_alloc() { return new cef_string_wide_t(); }
CEF_EXPORT cef_string_userfree_utf8_t cef_string_userfree_utf8_alloc() { return new cef_string_utf8_t(); }
CEF_EXPORT cef_string_userfree_utf16_t cef_string_userfree_utf16_alloc() { return new cef_string_utf16_t(); }

CEF_EXPORT void cef_string_userfree_wide_free(cef_string_userfree_wide_t str) {
  ClearString(str);
  delete str;
}
CEF_EXPORT void cef_string_userfree_utf8_free(cef_string_userfree_utf8_t str) {
  ClearString(str);
  delete str;
}
CEF_EXPORT void cef_string_userfree_utf16_free(cef_string_userfree_utf16_t str) {
  ClearString(str);
  delete str;
}

}  // extern "C"
