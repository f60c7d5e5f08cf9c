// Base64 with the standard alphabet and '=' padding, without line breaks: the form DevTools uses
// for binary data. (The page bridge's data: URIs have line breaks and a fast encoder of their own.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mvcommon {

std::string EncodeBase64(std::string_view bytes);
// Encodes onto the end of `out`, growing it once: a large body is written where it is sent from.
void AppendBase64(std::string_view bytes, std::string* out);
constexpr size_t Base64Size(size_t bytes) { return (bytes + 2) / 3 * 4; }

// Replaces `out` with the decoded bytes, reusing its storage. False (and `out` unspecified) on any
// character outside the alphabet, misplaced padding or a length that is not a whole number of quads.
bool DecodeBase64(std::string_view text, std::vector<uint8_t>* out);
bool DecodeBase64(std::string_view text, std::string* out);

}  // namespace mvcommon
