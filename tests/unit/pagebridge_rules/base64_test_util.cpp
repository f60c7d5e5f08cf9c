#include "base64_test_util.h"

#include <random>

namespace mvcef_test {
namespace {

int SextetOf(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::optional<std::vector<unsigned char>> DecodeBase64(const std::string& text) {
  std::string clean;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 >= text.size() || text[i + 1] != '\n') return std::nullopt;
      ++i;
      continue;
    }
    clean.push_back(text[i]);
  }
  if (clean.size() % 4 != 0) return std::nullopt;
  std::vector<unsigned char> out;
  for (std::size_t i = 0; i < clean.size(); i += 4) {
    const bool last = i + 4 == clean.size();
    int pad = 0;
    int v[4];
    for (int k = 0; k < 4; ++k) {
      const char c = clean[i + k];
      if (c == '=') {
        if (!last || k < 2) return std::nullopt;
        ++pad;
        v[k] = 0;
        continue;
      }
      if (pad > 0) return std::nullopt;
      v[k] = SextetOf(c);
      if (v[k] < 0) return std::nullopt;
    }
    const unsigned bits = (v[0] << 18) | (v[1] << 12) | (v[2] << 6) | v[3];
    out.push_back(static_cast<unsigned char>(bits >> 16));
    if (pad < 2) out.push_back(static_cast<unsigned char>(bits >> 8));
    if (pad < 1) out.push_back(static_cast<unsigned char>(bits));
  }
  return out;
}

std::vector<unsigned char> RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<unsigned char> out(n);
  for (auto& b : out) b = static_cast<unsigned char>(byte(gen));
  return out;
}

}  // namespace mvcef_test
