// Base64 as DevTools carries binary data.
#include "common/base64.h"

#include <gtest/gtest.h>

namespace mvcommon {
namespace {

TEST(Base64, DecodesPaddedInputAndRejectsMalformed) {
  struct Case {
    std::string in;
    bool ok;
    std::string out;
  } cases[] = {
      {"", true, ""},
      {"TWFu", true, "Man"},
      {"TWE=", true, "Ma"},
      {"TQ==", true, "M"},
      {"+/+/", true, "\xfb\xff\xbf"},
      {"TWF", false, ""},       // not whole quads
      {"TW=u", false, ""},      // padding in the middle of a quad
      {"TWE=u===", false, ""},  // padding before the last quad
      {"TQ=u", false, ""},      // something after the padding
      {"T===", false, ""},      // too much padding
      {"TQ==TWFu", false, ""},  // padding before the end
      {"TW\nu", false, ""},     // line breaks are not DevTools' form
      {"TWF-", false, ""},      // URL-safe alphabet is not accepted
      {std::string("TW\0u", 4), false, ""},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes;
    std::string text = "left over";
    EXPECT_EQ(DecodeBase64(c.in, &bytes), c.ok) << c.in;
    EXPECT_EQ(DecodeBase64(c.in, &text), c.ok) << c.in;
    if (c.ok) {
      EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.out) << c.in;
      EXPECT_EQ(text, c.out) << c.in;
    }
  }
}

TEST(Base64, RoundTripsEveryTailLengthAndAllByteValues) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  for (const std::string& text : {std::string(), std::string("a"), std::string("ab"), std::string("abc"),
                                  std::string("abcd"), std::string("\xff\x00\x80 h\xc3\xa9llo", 10), all}) {
    const std::string encoded = EncodeBase64(text);
    EXPECT_EQ(encoded.size(), (text.size() + 2) / 3 * 4);
    std::string onto = "kept";
    AppendBase64(text, &onto);
    EXPECT_EQ(onto, "kept" + encoded);
    std::string back;
    ASSERT_TRUE(DecodeBase64(encoded, &back)) << encoded;
    EXPECT_EQ(back, text);
  }
  EXPECT_EQ(EncodeBase64("Man"), "TWFu");
  EXPECT_EQ(EncodeBase64("Ma"), "TWE=");
  EXPECT_EQ(EncodeBase64("M"), "TQ==");
}

}  // namespace
}  // namespace mvcommon
