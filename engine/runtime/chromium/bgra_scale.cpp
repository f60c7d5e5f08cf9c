#include "engine/runtime/chromium/jpeg_frame_decoder.h"

namespace mvengine {
namespace chromium {

void ScaleBgra(const uint8_t* src, int src_width, int src_height, uint8_t* dst, int dst_width,
               int dst_height) {
  if (src_width <= 0 || src_height <= 0 || dst_width <= 0 || dst_height <= 0) return;
  // 16.16 fixed point; pixel centres map onto pixel centres.
  auto source_coord = [](int d, int src, int dst) -> int64_t {
    int64_t v = ((2 * int64_t(d) + 1) * src * 65536) / (2 * int64_t(dst)) - 32768;
    return v < 0 ? 0 : v;
  };
  std::vector<int> x0(dst_width), x1(dst_width), fx(dst_width);
  for (int x = 0; x < dst_width; ++x) {
    int64_t sx = source_coord(x, src_width, dst_width);
    x0[x] = static_cast<int>(sx >> 16);
    if (x0[x] >= src_width) x0[x] = src_width - 1;
    x1[x] = x0[x] + 1 < src_width ? x0[x] + 1 : x0[x];
    fx[x] = static_cast<int>((sx & 0xFFFF) >> 8);  // 0..255
  }
  for (int y = 0; y < dst_height; ++y) {
    int64_t sy = source_coord(y, src_height, dst_height);
    int y0 = static_cast<int>(sy >> 16);
    if (y0 >= src_height) y0 = src_height - 1;
    int y1 = y0 + 1 < src_height ? y0 + 1 : y0;
    int fy = static_cast<int>((sy & 0xFFFF) >> 8);
    const uint8_t* r0 = src + static_cast<size_t>(y0) * src_width * 4;
    const uint8_t* r1 = src + static_cast<size_t>(y1) * src_width * 4;
    uint8_t* d = dst + static_cast<size_t>(y) * dst_width * 4;
    for (int x = 0; x < dst_width; ++x) {
      const uint8_t* a = r0 + x0[x] * 4;
      const uint8_t* b = r0 + x1[x] * 4;
      const uint8_t* c = r1 + x0[x] * 4;
      const uint8_t* e = r1 + x1[x] * 4;
      for (int k = 0; k < 4; ++k) {
        int top = a[k] * (256 - fx[x]) + b[k] * fx[x];
        int bottom = c[k] * (256 - fx[x]) + e[k] * fx[x];
        d[x * 4 + k] = static_cast<uint8_t>((top * (256 - fy) + bottom * fy + 32768) >> 16);
      }
    }
  }
}

FrameTarget::FrameTarget(int picture_width, int picture_height, int view_width, int view_height,
                         std::vector<uint8_t>* out, std::vector<uint8_t>* scratch)
    : picture_width_(picture_width),
      picture_height_(picture_height),
      view_width_(view_width),
      view_height_(view_height),
      out_(out),
      target_(picture_width == view_width && picture_height == view_height ? out : scratch) {
  target_->resize(static_cast<size_t>(picture_width) * picture_height * 4);
}

void FrameTarget::Finish() {
  if (target_ == out_) return;
  out_->resize(static_cast<size_t>(view_width_) * view_height_ * 4);
  ScaleBgra(target_->data(), picture_width_, picture_height_, out_->data(), view_width_, view_height_);
}

}  // namespace chromium
}  // namespace mvengine
