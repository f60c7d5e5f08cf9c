// Text forms the tests compare against: the Base64 of a data: URI as the game's pages receive it
// (standard alphabet, "\r\n" after every 76 characters of full groups) and its decoding.
#pragma once

#include <string>

namespace exports_e2e {

std::string Base64WithLineBreaks(const std::string& bytes);
// Skips CR and LF; stops at the first character outside the alphabet or at padding.
std::string DecodeBase64(const std::string& text);

}  // namespace exports_e2e
