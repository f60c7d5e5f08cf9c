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

// Where a decoder puts a picture on its way to the view's size: straight into the caller's buffer
// when the sizes agree (the common case), else into `scratch`, which Finish scales into it. Owns
// nothing, so a decoder that longjmps out of its decoding skips no destructor.
class FrameTarget {
 public:
  FrameTarget(int picture_width, int picture_height, int view_width, int view_height, std::vector<uint8_t>* out,
              std::vector<uint8_t>* scratch);
  uint8_t* pixels() { return target_->data(); }  // picture_width * picture_height * 4 bytes
  void Finish();

 private:
  int picture_width_, picture_height_, view_width_, view_height_;
  std::vector<uint8_t>* out_;
  std::vector<uint8_t>* target_;
};

}  // namespace chromium
}  // namespace mvengine
