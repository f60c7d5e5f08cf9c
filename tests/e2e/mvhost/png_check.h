// Reads a PNG back for the end-to-end checks.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/png_read.h"

namespace mvhost_test {

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* at(int x, int y) const { return rgb.data() + (static_cast<size_t>(y) * width + x) * 3; }
};

inline Picture ReadPng(const std::string& path) {
  mvtest::PngPixels pixels = mvtest::ReadPngPixels(path, PNG_FORMAT_RGB);
  Picture p;
  p.width = pixels.width;
  p.height = pixels.height;
  p.rgb = std::move(pixels.bytes);
  return p;
}

inline size_t DistinctColours(const Picture& p) {
  std::set<uint32_t> colours;
  for (size_t i = 0; i + 2 < p.rgb.size(); i += 3)
    colours.insert(p.rgb[i] << 16 | p.rgb[i + 1] << 8 | p.rgb[i + 2]);
  return colours.size();
}

// Pixels in [x0, x1) x [y0, y1) within `tolerance` of the colour (r, g, b) on every channel.
inline int CountNear(const Picture& p, int x0, int y0, int x1, int y1, int r, int g, int b, int tolerance) {
  int count = 0;
  for (int y = y0; y < y1 && y < p.height; ++y)
    for (int x = x0; x < x1 && x < p.width; ++x) {
      const uint8_t* c = p.at(x, y);
      if (std::abs(c[0] - r) <= tolerance && std::abs(c[1] - g) <= tolerance && std::abs(c[2] - b) <= tolerance)
        ++count;
    }
  return count;
}

}  // namespace mvhost_test
