#include "pagebridge/base64_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base64_test_util.h"

namespace {

namespace lines = mvcef::base64_lines;

// Encodes into an exactly sized buffer from an exactly sized input, so the
// sanitizers see any access outside either.
std::string EncodeLines(lines::LineEncoder encoder, const std::vector<unsigned char>& input) {
  const std::size_t n = input.size() / lines::kLineBytes;
  std::vector<char> out(n * lines::kLineCharsWithBreak);
  encoder(input.data(), n, out.data());
  return std::string(out.begin(), out.end());
}

TEST(Base64Lines, ScalarLinesDecodeBack) {
  for (std::size_t n : {1u, 2u, 3u, 500u}) {
    const auto input = mvcef_test::RandomBytes(n * lines::kLineBytes, static_cast<unsigned>(n));
    const std::string enc = EncodeLines(lines::EncodeLinesScalar, input);
    for (std::size_t i = 0; i < n; ++i) {
      ASSERT_EQ(enc.substr(i * 78 + 76, 2), "\r\n") << "line " << i;
    }
    EXPECT_EQ(mvcef_test::DecodeBase64(enc), input) << n;
  }
}

TEST(Base64Lines, Ssse3MatchesScalar) {
  if (!lines::Ssse3Available()) GTEST_SKIP() << "no SSSE3 on this machine";
  for (std::size_t n : {1u, 2u, 7u, 1000u}) {
    const auto input = mvcef_test::RandomBytes(n * lines::kLineBytes, static_cast<unsigned>(n) + 1);
    EXPECT_EQ(EncodeLines(lines::EncodeLinesSsse3, input), EncodeLines(lines::EncodeLinesScalar, input))
        << n;
  }
  // Every field value in every lane of every block.
  std::vector<unsigned char> ramp(64 * lines::kLineBytes);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<unsigned char>(i * 7 + i / 57);
  EXPECT_EQ(EncodeLines(lines::EncodeLinesSsse3, ramp), EncodeLines(lines::EncodeLinesScalar, ramp));
}

TEST(Base64Lines, ZeroLinesWriteNothing) {
  char out[4] = {'x', 'x', 'x', 'x'};
  const unsigned char in[1] = {0};
  lines::EncodeLinesScalar(in, 0, out);
  lines::EncodeLinesSsse3(in, 0, out);
  EXPECT_EQ(std::string(out, 4), "xxxx");
}

}  // namespace
