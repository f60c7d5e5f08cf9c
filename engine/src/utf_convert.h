// Conversions between UTF-8, UTF-16 and UTF-32. Every ill-formed sequence
// becomes one U+FFFD (a maximal ill-formed subpart counts as one sequence) and
// the result then reports false; the output is complete either way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace mvengine {

bool Utf8ToUtf16(const char* src, size_t len, std::u16string* out);
bool Utf16ToUtf8(const char16_t* src, size_t len, std::string* out);
bool Utf32ToUtf16(const char32_t* src, size_t len, std::u16string* out);
bool Utf16ToUtf32(const char16_t* src, size_t len, std::u32string* out);
bool Utf8ToUtf32(const char* src, size_t len, std::u32string* out);
bool Utf32ToUtf8(const char32_t* src, size_t len, std::string* out);

}  // namespace mvengine
