#include "engine/runtime/chromium/stb_jpeg_decoder.h"

#include <climits>

#include "engine/runtime/chromium/jpeg_frame_decoder.h"

// The whole decoder lives in this file: static functions, JPEG only, no file access.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace mvengine {
namespace chromium {

bool DecodeJpegToBgraWithStb(const uint8_t* data, size_t size, int width, int height,
                             std::vector<uint8_t>* out, std::string* error) {
  if (width <= 0 || height <= 0 || !data || size == 0 || size > INT_MAX) {
    if (error) *error = "empty picture or view";
    return false;
  }
  int picture_width = 0, picture_height = 0, channels = 0;
  stbi_uc* rgba = stbi_load_from_memory(data, static_cast<int>(size), &picture_width, &picture_height,
                                        &channels, 4);
  if (!rgba) {
    if (error) *error = stbi_failure_reason() ? stbi_failure_reason() : "not a JPEG";
    return false;
  }
  std::vector<uint8_t> picture;
  FrameTarget target(picture_width, picture_height, width, height, out, &picture);
  uint8_t* bgra = target.pixels();
  const size_t bytes = static_cast<size_t>(picture_width) * picture_height * 4;
  // RGBA to BGRA; a JPEG has no alpha, so stb gives 255.
  for (size_t i = 0; i < bytes; i += 4) {
    bgra[i] = rgba[i + 2];
    bgra[i + 1] = rgba[i + 1];
    bgra[i + 2] = rgba[i];
    bgra[i + 3] = rgba[i + 3];
  }
  stbi_image_free(rgba);
  target.Finish();
  return true;
}

}  // namespace chromium
}  // namespace mvengine
