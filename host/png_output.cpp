#include "host/png_output.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace mvhost {

std::string WriteFramePng(const std::string& path, const uint8_t* bgra, int width, int height) {
  if (width <= 0 || height <= 0 || !bgra) return "no frame to write";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return path + ": " + std::strerror(errno);

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, nullptr);
    std::fclose(file);
    return "libpng could not start";
  }
  // Declared before setjmp so that a longjmp back here leaves nothing unreleased.
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return path + ": libpng failed while writing";
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    const uint8_t* source = bgra + static_cast<size_t>(y) * width * 4;
    for (int x = 0; x < width; ++x) {
      row[x * 3 + 0] = source[x * 4 + 2];
      row[x * 3 + 1] = source[x * 4 + 1];
      row[x * 3 + 2] = source[x * 4 + 0];
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fclose(file) != 0) return path + ": " + std::strerror(errno);
  return std::string();
}

}  // namespace mvhost
