// base::string16: a UTF-16 std::basic_string. On Windows that is std::wstring;
// elsewhere it needs its own character traits for the 16-bit unit type.
#ifndef CEF_INCLUDE_BASE_CEF_STRING16_H_
#define CEF_INCLUDE_BASE_CEF_STRING16_H_
#pragma once

#include <stdio.h>
#include <string.h>

#include <string>

#include "include/base/cef_basictypes.h"

namespace base {

#if defined(WCHAR_T_IS_UTF16)

typedef wchar_t char16;
typedef std::wstring string16;

#else

typedef ::char16 char16;

struct string16_char_traits {
  typedef char16 char_type;
  typedef int int_type;
  typedef std::streamoff off_type;
  typedef mbstate_t state_type;
  typedef std::fpos<state_type> pos_type;

  static void assign(char_type& c1, const char_type& c2) { c1 = c2; }
  static bool eq(const char_type& c1, const char_type& c2) { return c1 == c2; }
  static bool lt(const char_type& c1, const char_type& c2) { return c1 < c2; }
  static int compare(const char_type* s1, const char_type* s2, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      if (s1[i] != s2[i])
        return s1[i] < s2[i] ? -1 : 1;
    }
    return 0;
  }
  static size_t length(const char_type* s) {
    size_t i = 0;
    while (s[i])
      ++i;
    return i;
  }
  static const char_type* find(const char_type* s, size_t n, const char_type& a) {
    for (size_t i = 0; i < n; ++i) {
      if (s[i] == a)
        return s + i;
    }
    return 0;
  }
  static char_type* move(char_type* s1, const char_type* s2, size_t n) {
    return n ? static_cast<char_type*>(memmove(s1, s2, n * sizeof(char_type))) : s1;
  }
  static char_type* copy(char_type* s1, const char_type* s2, size_t n) {
    return n ? static_cast<char_type*>(memcpy(s1, s2, n * sizeof(char_type))) : s1;
  }
  static char_type* assign(char_type* s, size_t n, char_type a) {
    for (size_t i = 0; i < n; ++i)
      s[i] = a;
    return s;
  }
  static int_type not_eof(const int_type& c) { return eq_int_type(c, eof()) ? 0 : c; }
  static char_type to_char_type(const int_type& c) { return char_type(c); }
  static int_type to_int_type(const char_type& c) { return int_type(c); }
  static bool eq_int_type(const int_type& c1, const int_type& c2) { return c1 == c2; }
  static int_type eof() { return static_cast<int_type>(EOF); }
};

typedef std::basic_string<char16, base::string16_char_traits> string16;

#endif

}  // namespace base

#endif  // CEF_INCLUDE_BASE_CEF_STRING16_H_
