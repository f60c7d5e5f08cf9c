#include "pagebridge/base64.h"

#include "pagebridge/base64_lines.h"

namespace mvcef {
namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::size_t Base64EncodedSize(std::size_t length) {
  const std::size_t groups = length / 3;
  const std::size_t tail = (length % 3) ? 4 : 0;
  return groups * 4 + (groups / base64_lines::kGroupsPerLine) * 2 + tail;
}

void AppendBase64(std::string* out, const unsigned char* data, std::size_t length) {
  if (out == nullptr || data == nullptr || length == 0) return;
  const std::size_t start = out->size();
  out->resize(start + Base64EncodedSize(length));
  char* o = &(*out)[start];
  const unsigned char* in = data;

  // The encoder is chosen once; the choice is only ever read afterwards.
  static const base64_lines::LineEncoder encode_lines = base64_lines::BestLineEncoder();
  const std::size_t lines = length / base64_lines::kLineBytes;
  encode_lines(in, lines, o);
  in += lines * base64_lines::kLineBytes;
  o += lines * base64_lines::kLineCharsWithBreak;

  // Fewer than 19 full groups remain, so no further line break is due.
  std::size_t rest = length - lines * base64_lines::kLineBytes;
  base64_lines::EncodeGroupsScalar(in, rest / 3, o);
  in += rest / 3 * 3;
  o += rest / 3 * 4;
  rest %= 3;

  if (rest == 1) {
    o[0] = kAlphabet[in[0] >> 2];
    o[1] = kAlphabet[(in[0] & 3) << 4];
    o[2] = '=';
    o[3] = '=';
  } else if (rest == 2) {
    o[0] = kAlphabet[in[0] >> 2];
    o[1] = kAlphabet[((in[0] << 4) & 0x3F) | (in[1] >> 4)];
    o[2] = kAlphabet[(in[1] & 0x0F) << 2];
    o[3] = '=';
  }
}

std::string Base64Encode(const unsigned char* data, int length) {
  std::string out;
  if (data == nullptr || length <= 0) return out;
  AppendBase64(&out, data, static_cast<std::size_t>(length));
  return out;
}

}  // namespace mvcef
