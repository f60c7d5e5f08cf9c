// Conversions between UTF-8, UTF-16 and UTF-32. Every ill-formed sequence becomes one U+FFFD (a
// maximal ill-formed subpart counts as one sequence, as Unicode recommends); the conversion
// functions then report false, and their output is complete either way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mvcommon {

bool Utf8ToUtf16(const char* src, size_t len, std::u16string* out);
bool Utf16ToUtf8(const char16_t* src, size_t len, std::string* out);
bool Utf32ToUtf16(const char32_t* src, size_t len, std::u16string* out);
bool Utf16ToUtf32(const char16_t* src, size_t len, std::u32string* out);
bool Utf8ToUtf32(const char* src, size_t len, std::u32string* out);
bool Utf32ToUtf8(const char32_t* src, size_t len, std::string* out);

// The same, for callers that only want the text.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// The longest prefix of `utf8` of at most `max_bytes` that does not split a character. Bytes that
// form no character are cut where asked.
size_t Utf8PrefixLength(std::string_view utf8, size_t max_bytes);

}  // namespace mvcommon
