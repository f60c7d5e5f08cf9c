#include "plain_client.h"

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "measure.h"
#include "tests/support/rgb_jpeg.h"

namespace mvbench {
namespace {

// A JPEG of `width` x `height`: green, with a square of `centre` (RGB) in the middle.
std::string Jpeg(int width, int height, const unsigned char centre[3]) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool inside = std::abs(x - width / 2) < 12 && std::abs(y - height / 2) < 12;
      const unsigned char green[3] = {30, 200, 30};
      const unsigned char* c = inside ? centre : green;
      for (int k = 0; k < 3; ++k) rgb[(static_cast<size_t>(y) * width + x) * 3 + k] = c[k];
    }
  const std::vector<uint8_t> jpeg = mvtest::EncodeRgbJpeg(rgb, width, height, 90);
  return std::string(jpeg.begin(), jpeg.end());
}

std::string Base64(const std::string& bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  text.resize(static_cast<size_t>(n));
  return text;
}

TEST(CentreColour, ReadsTheMiddleOfAScreencastFrameAsTheInputPageIsToldApart) {
  const unsigned char blue[3] = {30, 30, 200}, red[3] = {200, 30, 30}, green[3] = {30, 200, 30};
  // Sizes whose files end differently against base64's groups of three bytes.
  for (int width : {64, 65, 66, 800}) {
    SCOPED_TRACE(width);
    int bgr[3];
    ASSERT_TRUE(CentreColour(Base64(Jpeg(width, 48, blue)), bgr));
    EXPECT_EQ(Classify(bgr), Shade::kOdd);
    ASSERT_TRUE(CentreColour(Base64(Jpeg(width, 48, red)), bgr));
    EXPECT_EQ(Classify(bgr), Shade::kEven);
    ASSERT_TRUE(CentreColour(Base64(Jpeg(width, 48, green)), bgr));
    EXPECT_EQ(Classify(bgr), Shade::kReady);
  }
  const unsigned char grey[3] = {128, 128, 128};
  int bgr[3];
  ASSERT_TRUE(CentreColour(Base64(Jpeg(64, 48, grey)), bgr));
  EXPECT_EQ(Classify(bgr), Shade::kOther);
}

TEST(CentreColour, RefusesWhatIsNoJpeg) {
  int bgr[3];
  EXPECT_FALSE(CentreColour("", bgr));
  EXPECT_FALSE(CentreColour(Base64("not a picture at all"), bgr));
}

TEST(ShadeAfterPresses, AlternatesFromTheFirstPress) {
  EXPECT_EQ(ShadeAfterPresses(0), Shade::kReady);
  EXPECT_EQ(ShadeAfterPresses(1), Shade::kOdd);
  EXPECT_EQ(ShadeAfterPresses(2), Shade::kEven);
  EXPECT_EQ(ShadeAfterPresses(7), Shade::kOdd);
}

}  // namespace
}  // namespace mvbench
