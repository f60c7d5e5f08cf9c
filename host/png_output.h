// Frames as PNG files.
#pragma once

#include <cstdint>
#include <string>

namespace mvhost {

// Writes a BGRA frame (top row first, stride width * 4) as an 8-bit RGB PNG; the frames of a
// windowless browser are opaque. Returns an empty string or what went wrong.
std::string WriteFramePng(const std::string& path, const uint8_t* bgra, int width, int height);

}  // namespace mvhost
