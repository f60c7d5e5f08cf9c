#include "base64_test_util.h"

#include <random>

#include "common/base64.h"

namespace mvcef_test {

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
  std::vector<unsigned char> out;
  if (!mvcommon::DecodeBase64(clean, &out)) return std::nullopt;
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
