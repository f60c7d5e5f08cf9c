#include "tests/e2e/exports/text_codec.h"

namespace exports_e2e {
namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string Base64WithLineBreaks(const std::string& bytes) {
  std::string out;
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t i = 0;
  int line = 0;
  for (; i + 3 <= n; i += 3) {
    const unsigned v = b[i] << 16 | b[i + 1] << 8 | b[i + 2];
    for (int shift = 18; shift >= 0; shift -= 6) out.push_back(kAlphabet[(v >> shift) & 63]);
    line += 4;
    if (line == 76) {
      out += "\r\n";
      line = 0;
    }
  }
  if (n - i == 1) {
    const unsigned v = b[i] << 16;
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out += "==";
  } else if (n - i == 2) {
    const unsigned v = b[i] << 16 | b[i + 1] << 8;
    out.push_back(kAlphabet[(v >> 18) & 63]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(kAlphabet[(v >> 6) & 63]);
    out += "=";
  }
  return out;
}

std::string DecodeBase64(const std::string& text) {
  std::string out;
  unsigned value = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '\r' || c == '\n') continue;
    const char* at = c ? std::char_traits<char>::find(kAlphabet, 64, c) : nullptr;
    if (!at) break;
    value = value << 6 | static_cast<unsigned>(at - kAlphabet);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((value >> bits) & 0xFF));
    }
  }
  return out;
}

}  // namespace exports_e2e
