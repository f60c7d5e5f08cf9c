// Screencast frames decoded by stb_image (Debian's libstb-dev, header only): the decoder of
// systems without libjpeg-turbo, MinGW builds above all. The same contract as DecodeJpegToBgra,
// except that a frame cut short is refused (false) where libjpeg paints the part that arrived.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mvengine {
namespace chromium {

bool DecodeJpegToBgraWithStb(const uint8_t* data, size_t size, int width, int height,
                             std::vector<uint8_t>* out, std::string* error = nullptr);

}  // namespace chromium
}  // namespace mvengine
