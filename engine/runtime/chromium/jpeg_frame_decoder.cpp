#include "engine/runtime/chromium/jpeg_frame_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace mvengine {
namespace chromium {

namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf escape;
  char message[JMSG_LENGTH_MAX];
};

void OnFatalError(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, errors->message);
  std::longjmp(errors->escape, 1);
}

void OnWarning(j_common_ptr, int) {}  // corrupt-data warnings: keep the partial picture

}  // namespace

bool DecodeJpegToBgra(const uint8_t* data, size_t size, int width, int height,
                      std::vector<uint8_t>* out, std::string* error) {
  if (width <= 0 || height <= 0 || !data || size == 0) {
    if (error) *error = "empty picture or view";
    return false;
  }

  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnFatalError;
  errors.base.emit_message = OnWarning;
  errors.message[0] = '\0';
  // Everything the longjmp may skip over lives outside this frame's registers.
  std::vector<uint8_t> picture;
  if (setjmp(errors.escape)) {
    jpeg_destroy_decompress(&cinfo);
    if (error) *error = errors.message;
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&cinfo);

  const int picture_width = static_cast<int>(cinfo.output_width);
  const int picture_height = static_cast<int>(cinfo.output_height);
  const bool same_size = picture_width == width && picture_height == height;
  // The common case decodes straight into the caller's buffer.
  std::vector<uint8_t>& target = same_size ? *out : picture;
  target.resize(static_cast<size_t>(picture_width) * picture_height * 4);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[1] = {target.data() + static_cast<size_t>(cinfo.output_scanline) * picture_width * 4};
    jpeg_read_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  // JCS_EXT_BGRA writes alpha 0xFF already.
  if (!same_size) {
    out->resize(static_cast<size_t>(width) * height * 4);
    ScaleBgra(picture.data(), picture_width, picture_height, out->data(), width, height);
  }
  return true;
}

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

}  // namespace chromium
}  // namespace mvengine
