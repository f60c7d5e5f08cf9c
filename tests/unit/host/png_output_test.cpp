#include "host/png_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "tests/support/png_read.h"

namespace mvhost {
namespace {

TEST(PngOutput, WritesTheFrameInRgbOrder) {
  // 3 x 2 BGRA: each pixel distinct, so swapped channels or rows show.
  const std::vector<uint8_t> bgra = {
      0, 0, 255, 255,  0, 255, 0, 255,  255, 0, 0, 255,   // red, green, blue
      10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255,
  };
  const std::string path = ::testing::TempDir() + "mvhost_png_test.png";
  ASSERT_EQ(WriteFramePng(path, bgra.data(), 3, 2), "");
  const mvtest::PngPixels d = mvtest::ReadPngPixels(path, PNG_FORMAT_RGBA);
  std::remove(path.c_str());
  ASSERT_EQ(d.width, 3);
  ASSERT_EQ(d.height, 2);
  const std::vector<uint8_t> expected = {
      255, 0, 0, 255,  0, 255, 0, 255,  0, 0, 255, 255,
      30, 20, 10, 255, 60, 50, 40, 255, 90, 80, 70, 255,
  };
  EXPECT_EQ(d.bytes, expected);
}

TEST(PngOutput, ReportsWhatWentWrong) {
  const std::vector<uint8_t> pixel = {1, 2, 3, 255};
  EXPECT_NE(WriteFramePng("/nonexistent-folder/x.png", pixel.data(), 1, 1), "");
  EXPECT_NE(WriteFramePng(::testing::TempDir() + "x.png", pixel.data(), 0, 1), "");
  EXPECT_NE(WriteFramePng(::testing::TempDir() + "x.png", nullptr, 1, 1), "");
}

}  // namespace
}  // namespace mvhost
