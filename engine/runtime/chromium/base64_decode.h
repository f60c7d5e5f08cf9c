// Base64 as DevTools sends binary data (screencast frames): standard alphabet,
// padded, no line breaks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mvengine {
namespace chromium {

// False (and `out` unspecified) on any character outside the alphabet or a
// length that is not a whole number of quads.
bool DecodeBase64(const std::string& in, std::vector<uint8_t>* out);

}  // namespace chromium
}  // namespace mvengine
