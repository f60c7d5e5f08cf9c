#include "base64_decode.h"

namespace mvengine {
namespace chromium {

namespace {

int SextetOf(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

bool DecodeBase64(const std::string& in, std::vector<uint8_t>* out) {
  out->clear();
  if (in.size() % 4 != 0) return false;
  out->reserve(in.size() / 4 * 3);
  for (size_t i = 0; i < in.size(); i += 4) {
    const bool last = i + 4 == in.size();
    int pad = 0;
    uint32_t quad = 0;
    for (size_t k = 0; k < 4; ++k) {
      unsigned char c = static_cast<unsigned char>(in[i + k]);
      int v;
      if (c == '=') {
        // Padding only at the very end, and only in the last two places.
        if (!last || k < 2) return false;
        ++pad;
        v = 0;
      } else {
        if (pad) return false;
        v = SextetOf(c);
        if (v < 0) return false;
      }
      quad = (quad << 6) | static_cast<uint32_t>(v);
    }
    out->push_back(static_cast<uint8_t>(quad >> 16));
    if (pad < 2) out->push_back(static_cast<uint8_t>(quad >> 8));
    if (pad < 1) out->push_back(static_cast<uint8_t>(quad));
  }
  return true;
}

}  // namespace chromium
}  // namespace mvengine
