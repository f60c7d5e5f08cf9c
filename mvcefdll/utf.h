// UTF-16 to UTF-8 for text the library hands to the host.
#pragma once

#include <cstddef>
#include <string>

namespace mvcef {

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);

// How many of the `size` bytes of UTF-8 at s fit in `limit` bytes without splitting a character.
size_t Utf8PrefixLength(const char* s, size_t size, size_t limit);

}  // namespace mvcef
