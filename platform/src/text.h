// Text conversions of the stand-in. WCHAR is wchar_t (UTF-32 here); the "ANSI" code page is UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mvw32 {

// Malformed input (bad bytes, unpaired surrogates, values past U+10FFFF) becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
std::wstring WideFromUtf16(const uint16_t* units, size_t length);

// Longest prefix of `utf8` that ends on a character boundary and has at most `max_bytes`.
size_t Utf8PrefixLength(std::string_view utf8, size_t max_bytes);

}  // namespace mvw32
