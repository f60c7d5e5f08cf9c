#ifndef MVCEF_TESTS_UNIT_PAGEBRIDGE_RULES_BASE64_TEST_UTIL_H_
#define MVCEF_TESTS_UNIT_PAGEBRIDGE_RULES_BASE64_TEST_UTIL_H_

#include <optional>
#include <string>
#include <vector>

namespace mvcef_test {

// Independent decoder for checking the encoder: skips "\r\n" pairs, rejects
// any other character outside the alphabet, misplaced padding or a length
// that is not a multiple of four.
std::optional<std::vector<unsigned char>> DecodeBase64(const std::string& text);

// Deterministic pseudo-random bytes.
std::vector<unsigned char> RandomBytes(std::size_t n, unsigned seed);

}  // namespace mvcef_test

#endif
