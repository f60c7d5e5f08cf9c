// Text forms the tests compare against: the Base64 of a data: URI as the game's pages receive it
// (standard alphabet, "\r\n" after every 76 characters of full groups), its decoding, and UTF-16
// lengths of UTF-8 text.
#pragma once

#include <string>

namespace exports_e2e {

std::string Base64WithLineBreaks(const std::string& bytes);
// Skips CR and LF; stops at the first character outside the alphabet or at padding.
std::string DecodeBase64(const std::string& text);
// UTF-16 code units of well-formed UTF-8 text.
size_t Utf16Length(const std::string& utf8);

}  // namespace exports_e2e
