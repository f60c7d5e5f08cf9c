#include "common/base64.h"

namespace mvcommon {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// 0-63 for the alphabet, 64 for '=', 255 for anything else.
struct SextetTable {
  uint8_t value[256];
  constexpr SextetTable() : value() {
    for (int c = 0; c < 256; ++c) value[c] = 255;
    for (int i = 0; i < 64; ++i) value[static_cast<unsigned char>(kAlphabet[i])] = static_cast<uint8_t>(i);
    value[static_cast<unsigned char>('=')] = 64;
  }
};
constexpr SextetTable kSextets;

template <typename Bytes>
bool Decode(std::string_view in, Bytes* out) {
  out->clear();
  if (in.size() % 4 != 0) return false;
  if (in.empty()) return true;
  out->resize(in.size() / 4 * 3);
  auto* o = reinterpret_cast<uint8_t*>(&(*out)[0]);
  size_t written = 0;
  for (size_t i = 0; i < in.size(); i += 4) {
    uint8_t v[4];
    for (int k = 0; k < 4; ++k) v[k] = kSextets.value[static_cast<unsigned char>(in[i + k])];
    if ((v[0] | v[1] | v[2] | v[3]) < 64) {
      const uint32_t quad = (uint32_t(v[0]) << 18) | (uint32_t(v[1]) << 12) | (uint32_t(v[2]) << 6) | v[3];
      o[written++] = static_cast<uint8_t>(quad >> 16);
      o[written++] = static_cast<uint8_t>(quad >> 8);
      o[written++] = static_cast<uint8_t>(quad);
      continue;
    }
    // Padding only in the last quad, only in its last two places, and nothing after it.
    if (i + 4 != in.size() || v[0] > 63 || v[1] > 63 || v[2] == 255 || v[3] != 64) return false;
    const uint32_t pair = (uint32_t(v[0]) << 18) | (uint32_t(v[1]) << 12);
    o[written++] = static_cast<uint8_t>(pair >> 16);
    if (v[2] != 64) o[written++] = static_cast<uint8_t>((pair | (uint32_t(v[2]) << 6)) >> 8);
  }
  out->resize(written);
  return true;
}

}  // namespace

void AppendBase64(std::string_view in, std::string* out) {
  const size_t at = out->size();
  out->resize(at + Base64Size(in.size()));
  char* o = &(*out)[at];
  size_t i = 0;
  auto byte = [&in](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(in[k])); };
  for (; i + 2 < in.size(); i += 3) {
    const uint32_t n = (byte(i) << 16) | (byte(i + 1) << 8) | byte(i + 2);
    *o++ = kAlphabet[n >> 18];
    *o++ = kAlphabet[(n >> 12) & 63];
    *o++ = kAlphabet[(n >> 6) & 63];
    *o++ = kAlphabet[n & 63];
  }
  if (i + 1 == in.size()) {
    const uint32_t n = byte(i) << 16;
    *o++ = kAlphabet[n >> 18];
    *o++ = kAlphabet[(n >> 12) & 63];
    *o++ = '=';
    *o++ = '=';
  } else if (i + 2 == in.size()) {
    const uint32_t n = (byte(i) << 16) | (byte(i + 1) << 8);
    *o++ = kAlphabet[n >> 18];
    *o++ = kAlphabet[(n >> 12) & 63];
    *o++ = kAlphabet[(n >> 6) & 63];
    *o++ = '=';
  }
}

std::string EncodeBase64(std::string_view in) {
  std::string out;
  AppendBase64(in, &out);
  return out;
}

bool DecodeBase64(std::string_view text, std::vector<uint8_t>* out) { return Decode(text, out); }
bool DecodeBase64(std::string_view text, std::string* out) { return Decode(text, out); }

}  // namespace mvcommon
