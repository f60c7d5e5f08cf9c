// DecodeJpegToBgra where there is no libjpeg-turbo (Windows): stb_image's decoder.
#include "engine/runtime/chromium/jpeg_frame_decoder.h"
#include "engine/runtime/chromium/stb_jpeg_decoder.h"

namespace mvengine {
namespace chromium {

bool DecodeJpegToBgra(const uint8_t* data, size_t size, int width, int height, std::vector<uint8_t>* out,
                      std::string* error) {
  return DecodeJpegToBgraWithStb(data, size, width, height, out, error);
}

}  // namespace chromium
}  // namespace mvengine
