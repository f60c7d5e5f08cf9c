// mvhost with the real library and the Chromium runtime, as scripts/demo runs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/mvhost/png_check.h"
#include "tests/unit/host/run_process.h"

namespace {

using mvhost_test::CountNear;
using mvhost_test::DistinctColours;
using mvhost_test::Picture;
using mvhost_test::ReadPng;
using mvhost_test::RunProcess;

// Where the demo page puts its controls in an 800 x 600 view.
constexpr const char* kTextField = "500,350";
constexpr const char* kSendButton = "688,514";

TEST(MvhostE2e, DemoPageShowsTheGameImagesAndSendsTheTypedText) {
  const std::string png = ::testing::TempDir() + "mvhost_demo_e2e.png";
  std::remove(png.c_str());
  const std::string actions = std::string("click:") + kTextField + ";type:Hello from mvhost!;click:" + kSendButton +
                              ";wait:2000";
  const auto r = RunProcess({MVHOST_PATH, "--action", actions, "--seconds", "1", "--out", png});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("message: batchUploadImg Hello from mvhost!\n"), std::string::npos) << r.out;
  // The page text read back at load end is the page's own text.
  EXPECT_NE(r.out.find("Send us your feedback"), std::string::npos) << r.out;

  const Picture picture = ReadPng(png);
  ASSERT_EQ(picture.width, 800);
  ASSERT_EQ(picture.height, 600);
  EXPECT_GT(DistinctColours(picture), 200u);  // a page with photos, not a blank or single-colour view
  // The first screenshot (a meadow under a blue sky) fills its frame: uploadImg(1) worked.
  EXPECT_GT(CountNear(picture, 30, 85, 258, 120, 110, 170, 235, 50), 2000);
  // The page got the game's answer and shows "uploaded" in green.
  EXPECT_GT(CountNear(picture, 296, 500, 590, 524, 0x5f, 0xd3, 0x8d, 40), 20);
  std::remove(png.c_str());
}

TEST(MvhostE2e, MissingChromiumExitsWith4AfterTheTimeout) {
  const auto r =
      RunProcess({MVHOST_PATH, "--start-timeout", "5"}, {"MVCEF_CHROMIUM=/nonexistent/chromium"}, 60);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.exit_code, 4) << r.err;
  EXPECT_NE(r.err.find("did not start"), std::string::npos) << r.err;
}

TEST(MvhostE2e, AddressThatCannotBeReachedExitsWith5) {
  // Chromium refuses port 9 (discard) outright: the load fails without touching the network.
  const auto r = RunProcess({MVHOST_PATH, "--seconds", "1", "http://127.0.0.1:9/"});
  EXPECT_EQ(r.exit_code, 5) << r.out << r.err;
  EXPECT_NE(r.err.find("failed to load"), std::string::npos) << r.err;
}

}  // namespace
