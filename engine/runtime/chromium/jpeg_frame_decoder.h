// Screencast frames (JPEG) to the engine's frame format: BGRA, top row first,
// stride width*4, exactly the view's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mvengine {
namespace chromium {

// Decodes into `out` (resized to width*height*4). A picture of another size is
// scaled to the view: screencast frames come in CSS pixels, so a zoomed page
// (device scale factor 1.2^level) arrives smaller than the view. False on a
// corrupt picture, with the decoder's message in `error`.
bool DecodeJpegToBgra(const uint8_t* data, size_t size, int width, int height,
                      std::vector<uint8_t>* out, std::string* error = nullptr);

// Bilinear scaling of a BGRA picture (stride = width*4) into another size.
void ScaleBgra(const uint8_t* src, int src_width, int src_height, uint8_t* dst, int dst_width,
               int dst_height);

}  // namespace chromium
}  // namespace mvengine
