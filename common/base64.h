// Base64 with the standard alphabet and '=' padding, without line breaks: the form DevTools uses
// for binary data. (The page bridge's data: URIs have line breaks and a fast encoder of their own.)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mvcommon {

std::string EncodeBase64(std::string_view bytes);

// Replaces `out` with the decoded bytes, reusing its storage. False (and `out` unspecified) on any
// character outside the alphabet, misplaced padding or a length that is not a whole number of quads.
bool DecodeBase64(std::string_view text, std::vector<uint8_t>* out);
bool DecodeBase64(std::string_view text, std::string* out);

}  // namespace mvcommon
