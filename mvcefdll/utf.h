// UTF-16 to UTF-8 for text the library hands to the host.
#pragma once

#include <string>

namespace mvcef {

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);

}  // namespace mvcef
