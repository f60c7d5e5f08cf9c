// A PNG file read back with libpng's simplified API, for tests of what was written.
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mvtest {

struct PngPixels {
  int width = 0, height = 0;
  std::vector<uint8_t> bytes;  // top row first, in `format`'s channel order
};

// `format` is one of libpng's PNG_FORMAT_* values; an unreadable file gives an empty picture.
inline PngPixels ReadPngPixels(const std::string& path, png_uint_32 format) {
  PngPixels p;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
  image.format = format;
  p.bytes.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, p.bytes.data(), 0, nullptr)) return PngPixels();
  p.width = static_cast<int>(image.width);
  p.height = static_cast<int>(image.height);
  return p;
}

}  // namespace mvtest
