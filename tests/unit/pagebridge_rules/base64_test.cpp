#include "pagebridge/base64.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base64_test_util.h"

#ifdef MVCEF_TEST_HAVE_OPENSSL
#include <openssl/evp.h>
#endif

namespace {

using mvcef::Base64Encode;
using mvcef_test::DecodeBase64;
using mvcef_test::RandomBytes;

std::string Encode(const std::string& s) {
  return Base64Encode(reinterpret_cast<const unsigned char*>(s.data()), static_cast<int>(s.size()));
}

std::string Encode(const std::vector<unsigned char>& v) {
  return Base64Encode(v.data(), static_cast<int>(v.size()));
}

// Splits at "\r\n" and checks the layout the rule demands for n input bytes:
// full 76-character lines, one break per 19 full groups, then the rest.
void ExpectLineLayout(const std::string& enc, std::size_t n) {
  std::vector<std::string> segments;
  std::size_t start = 0;
  for (std::size_t pos; (pos = enc.find("\r\n", start)) != std::string::npos; start = pos + 2) {
    segments.push_back(enc.substr(start, pos - start));
  }
  const std::string last = enc.substr(start);
  const std::size_t groups = n / 3;
  ASSERT_EQ(segments.size(), groups / 19) << "n=" << n;
  for (const std::string& s : segments) EXPECT_EQ(s.size(), 76u) << "n=" << n;
  EXPECT_EQ(last.size(), 4 * (groups % 19) + (n % 3 ? 4 : 0)) << "n=" << n;
  EXPECT_EQ(last.find_first_of("\r\n"), std::string::npos) << "n=" << n;
}

TEST(Base64Encode, KnownVectors) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},         {"a", "YQ=="},     {"ab", "YWI="},        {"abc", "YWJj"},
      {"f", "Zg=="},    {"fo", "Zm8="},    {"foo", "Zm9v"},       {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
      {"\xff\xfe\xfd", "//79"}, {"\xfb\xef", "++8="},
  };
  for (const auto& c : cases) EXPECT_EQ(Encode(std::string(c.in)), c.out) << "input " << c.in;
}

TEST(Base64Encode, NullOrNonPositiveLengthGivesEmpty) {
  const unsigned char bytes[] = {1, 2, 3};
  EXPECT_EQ(Base64Encode(nullptr, 3), "");
  EXPECT_EQ(Base64Encode(bytes, 0), "");
  EXPECT_EQ(Base64Encode(bytes, -1), "");
}

TEST(Base64Encode, LineBreakBoundaries) {
  const std::vector<unsigned char> data = RandomBytes(58, 7);
  const std::string enc56 = Base64Encode(data.data(), 56);
  const std::string enc57 = Base64Encode(data.data(), 57);
  const std::string enc58 = Base64Encode(data.data(), 58);

  // 18 groups and a two-byte tail: 76 characters, no break.
  EXPECT_EQ(enc56.size(), 76u);
  EXPECT_EQ(enc56.find('\r'), std::string::npos);
  EXPECT_EQ(enc56.back(), '=');

  // 19 groups: one full line, and the break follows the last group too.
  ASSERT_EQ(enc57.size(), 78u);
  EXPECT_EQ(enc57.substr(76), "\r\n");
  EXPECT_EQ(enc57.substr(0, 72), enc56.substr(0, 72));

  // The tail follows the break and is never followed by one.
  ASSERT_EQ(enc58.size(), 82u);
  EXPECT_EQ(enc58.substr(0, 78), enc57);
  EXPECT_EQ(enc58.substr(80), "==");

  for (const std::string* e : {&enc56, &enc57, &enc58}) {
    const auto decoded = DecodeBase64(*e);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_TRUE(std::equal(decoded->begin(), decoded->end(), data.begin()));
  }
}

TEST(Base64Encode, AllSmallLengthsRoundTripWithExactLayout) {
  const std::vector<unsigned char> data = RandomBytes(400, 11);
  for (std::size_t n = 1; n <= data.size(); ++n) {
    const std::vector<unsigned char> part(data.begin(), data.begin() + n);
    const std::string enc = Encode(part);
    EXPECT_EQ(enc.size(), mvcef::Base64EncodedSize(n)) << "n=" << n;
    ExpectLineLayout(enc, n);
    const auto decoded = DecodeBase64(enc);
    ASSERT_TRUE(decoded.has_value()) << "n=" << n;
    EXPECT_EQ(*decoded, part) << "n=" << n;
  }
}

TEST(Base64Encode, LargeRandomBufferRoundTrips) {
  // Exactly sized heap buffer and an odd start, so an overread past the end or
  // a misaligned access shows up under the sanitizers.
  const std::size_t n = 8 * 1024 * 1024 + 2;
  const std::vector<unsigned char> data = RandomBytes(n, 42);
  const std::string enc = Base64Encode(data.data() + 1, static_cast<int>(n - 1));
  ExpectLineLayout(enc, n - 1);
  const auto decoded = DecodeBase64(enc);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_TRUE(*decoded == std::vector<unsigned char>(data.begin() + 1, data.end()));
}

TEST(Base64Encode, EveryByteValueInEveryPosition) {
  std::vector<unsigned char> data;
  for (int shift = 0; shift < 3; ++shift) {
    for (int i = 0; i < shift; ++i) data.push_back(0);
    for (int b = 0; b < 256; ++b) data.push_back(static_cast<unsigned char>(b));
  }
  const auto decoded = DecodeBase64(Encode(data));
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(*decoded, data);
}

TEST(AppendBase64, AppendsAfterExistingTextAndTakesLargeCounts) {
  const std::vector<unsigned char> data = RandomBytes(100, 3);
  std::string out = "prefix:";
  mvcef::AppendBase64(&out, data.data(), data.size());
  EXPECT_EQ(out, "prefix:" + Encode(data));
  mvcef::AppendBase64(&out, nullptr, 5);
  mvcef::AppendBase64(&out, data.data(), 0);
  EXPECT_EQ(out, "prefix:" + Encode(data));
}

#ifdef MVCEF_TEST_HAVE_OPENSSL
// OpenSSL's block encoder writes no line breaks; put them where the rule says.
std::string OpenSslWithBreaks(const std::vector<unsigned char>& data) {
  std::string plain(4 * ((data.size() + 2) / 3) + 1, '\0');
  const int len = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&plain[0]), data.data(),
                                  static_cast<int>(data.size()));
  plain.resize(static_cast<std::size_t>(len));
  const std::size_t full_chars = 4 * (data.size() / 3);
  std::string out;
  for (std::size_t i = 0; i < full_chars; i += 76) {
    out += plain.substr(i, std::min<std::size_t>(76, full_chars - i));
    if (i + 76 <= full_chars) out += "\r\n";
  }
  out += plain.substr(full_chars);
  return out;
}

TEST(Base64Encode, MatchesOpenSslWithLineBreaksInserted) {
  for (std::size_t n : {1u, 2u, 3u, 56u, 57u, 58u, 113u, 114u, 115u, 171u, 1000u, 65537u}) {
    const std::vector<unsigned char> data = RandomBytes(n, static_cast<unsigned>(n));
    EXPECT_EQ(Encode(data), OpenSslWithBreaks(data)) << "n=" << n;
  }
  const std::vector<unsigned char> big = RandomBytes(3 * 1024 * 1024 + 1, 99);
  EXPECT_TRUE(Encode(big) == OpenSslWithBreaks(big));
}
#endif

}  // namespace
