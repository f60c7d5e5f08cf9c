// Text conversions of the stand-in. WCHAR is wchar_t (UTF-32 here); the "ANSI" code page is UTF-8.
// Malformed input (bad bytes, unpaired surrogates, values past U+10FFFF) becomes U+FFFD.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/utf.h"

namespace mvw32 {

std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
std::wstring WideFromUtf16(const uint16_t* units, size_t length);

using mvcommon::Utf8PrefixLength;

}  // namespace mvw32
