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

  FrameTarget target(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), width, height,
                     out, &picture);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[1] = {target.pixels() + static_cast<size_t>(cinfo.output_scanline) * cinfo.output_width * 4};
    jpeg_read_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  // JCS_EXT_BGRA writes alpha 0xFF already.
  target.Finish();
  return true;
}

}  // namespace chromium
}  // namespace mvengine
