// JPEG decoding of screencast frames with both decoders, scaling to the view size, and the decoder
// thread.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/base64.h"
#include "engine/runtime/chromium/frame_decoder.h"
#include "engine/runtime/chromium/jpeg_frame_decoder.h"
#include "engine/runtime/chromium/stb_jpeg_decoder.h"
#include "tests/support/rgb_jpeg.h"

namespace mvengine {
namespace chromium {
namespace {

// A JPEG of width x height whose left half is `left` and right half `right` (RGB).
std::vector<uint8_t> MakeJpeg(int width, int height, const uint8_t left[3], const uint8_t right[3]) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (size_t at = 0; at < rgb.size(); at += 3) {
    const int x = static_cast<int>(at / 3 % width);
    for (int k = 0; k < 3; ++k) rgb[at + k] = x < width / 2 ? left[k] : right[k];
  }
  return mvtest::EncodeRgbJpeg(rgb, width, height, 95);
}

bool NearBgra(const std::vector<uint8_t>& f, int width, int x, int y, const uint8_t rgb[3]) {
  const uint8_t* p = f.data() + (static_cast<size_t>(y) * width + x) * 4;
  auto close = [](int a, int b) { return a - b < 24 && b - a < 24; };
  return close(p[0], rgb[2]) && close(p[1], rgb[1]) && close(p[2], rgb[0]) && p[3] == 255;
}

const uint8_t kRed[3] = {255, 0, 0};
const uint8_t kBlue[3] = {0, 0, 255};

// Each test runs with both decoders: libjpeg-turbo (Linux) and stb_image (Windows).
struct Decoder {
  const char* name;
  bool (*decode)(const uint8_t*, size_t, int, int, std::vector<uint8_t>*, std::string*);
  bool keeps_cut_frames;  // libjpeg paints what arrived of a frame cut short; stb drops it
};
class DecodeJpegToBgraWith : public ::testing::TestWithParam<Decoder> {
 protected:
  bool Decode(const std::vector<uint8_t>& jpeg, size_t size, int width, int height, std::vector<uint8_t>* out,
              std::string* error = nullptr) {
    return GetParam().decode(jpeg.data(), size, width, height, out, error);
  }
};

TEST_P(DecodeJpegToBgraWith, GivesBgraTopRowFirstScaledToTheView) {
  struct Probe {
    int x, y;
    const uint8_t* rgb;
  };
  const struct {
    const char* what;
    int width, height;            // the picture
    int view_width, view_height;  // what it is decoded to
    std::vector<Probe> probes;
  } cases[] = {
      {"same size", 64, 32, 64, 32, {{4, 0, kRed}, {60, 31, kBlue}}},
      // A zoomed page's frame comes at CSS size (e.g. 667 for an 800 view at 1.2). The edge moves
      // from 20 to 24, and the far corner has no white padding.
      {"smaller picture", 40, 30, 48, 36, {{0, 0, kRed}, {21, 35, kRed}, {26, 0, kBlue}, {47, 35, kBlue}}},
  };
  for (const auto& c : cases) {
    auto jpeg = MakeJpeg(c.width, c.height, kRed, kBlue);
    std::vector<uint8_t> out;
    ASSERT_TRUE(Decode(jpeg, jpeg.size(), c.view_width, c.view_height, &out)) << c.what;
    ASSERT_EQ(out.size(), static_cast<size_t>(c.view_width) * c.view_height * 4) << c.what;
    for (const Probe& p : c.probes)
      EXPECT_TRUE(NearBgra(out, c.view_width, p.x, p.y, p.rgb)) << c.what << " at " << p.x << "," << p.y;
  }
}

TEST_P(DecodeJpegToBgraWith, CorruptOrEmptyInputFailsWithoutCrashing) {
  auto jpeg = MakeJpeg(16, 16, kRed, kBlue);
  std::vector<uint8_t> out;
  std::string error;
  std::vector<uint8_t> garbage = {0xFF, 0xD8, 0x00, 0x01, 0x02};
  EXPECT_FALSE(Decode(garbage, garbage.size(), 16, 16, &out, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(GetParam().decode(nullptr, 0, 16, 16, &out, &error));
  EXPECT_FALSE(Decode(jpeg, jpeg.size(), 0, 16, &out, &error));
  // A frame cut short after its header: a whole frame of the view's size, or none with a reason.
  auto big = MakeJpeg(256, 256, kRed, kBlue);
  error.clear();
  out.clear();
  const bool decoded = Decode(big, big.size() * 3 / 4, 256, 256, &out, &error);
  EXPECT_EQ(decoded, GetParam().keeps_cut_frames) << error;
  if (decoded) {
    ASSERT_EQ(out.size(), 256u * 256 * 4);
    EXPECT_TRUE(NearBgra(out, 256, 10, 0, kRed));
  } else {
    EXPECT_FALSE(error.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Decoders, DecodeJpegToBgraWith,
                         ::testing::Values(Decoder{"Libjpeg", &DecodeJpegToBgra, true},
                                           Decoder{"Stb", &DecodeJpegToBgraWithStb, false}),
                         [](const ::testing::TestParamInfo<Decoder>& info) { return info.param.name; });

TEST(JpegDecoders, AgreeOnEveryPixelOfAPictureAndOfItsScaledView) {
  // A picture with edges in both directions and soft gradients, where decoders differ most.
  const int width = 96, height = 64;
  std::vector<uint8_t> rgb(width * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &rgb[(y * width + x) * 3];
      p[0] = static_cast<uint8_t>(x < 48 ? 250 : x * 2);
      p[1] = static_cast<uint8_t>(y < 32 ? 20 : y * 3);
      p[2] = static_cast<uint8_t>((x + y) % 16 < 8 ? 30 : 220);
    }
  const std::vector<uint8_t> jpeg = mvtest::EncodeRgbJpeg(rgb, width, height, 90);
  for (auto view : {std::pair<int, int>{width, height}, {120, 80}}) {
    std::vector<uint8_t> a, b;
    ASSERT_TRUE(DecodeJpegToBgra(jpeg.data(), jpeg.size(), view.first, view.second, &a));
    ASSERT_TRUE(DecodeJpegToBgraWithStb(jpeg.data(), jpeg.size(), view.first, view.second, &b));
    ASSERT_EQ(a.size(), b.size());
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    // Both follow the JPEG standard; they may round their inverse DCT and upsampling apart.
    EXPECT_LE(worst, 8) << view.first << "x" << view.second;
  }
}

TEST(ScaleBgra, IdentityAndUniformColourArePreserved) {
  std::vector<uint8_t> src(5 * 3 * 4);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> same(src.size());
  ScaleBgra(src.data(), 5, 3, same.data(), 5, 3);
  EXPECT_EQ(same, src);

  std::vector<uint8_t> flat(7 * 5 * 4);
  for (size_t i = 0; i < flat.size(); i += 4) {
    flat[i] = 10; flat[i + 1] = 20; flat[i + 2] = 30; flat[i + 3] = 255;
  }
  for (auto size : {std::pair<int, int>{13, 9}, {3, 2}, {1, 1}}) {
    std::vector<uint8_t> dst(size.first * size.second * 4);
    ScaleBgra(flat.data(), 7, 5, dst.data(), size.first, size.second);
    for (size_t i = 0; i < dst.size(); i += 4) {
      ASSERT_EQ(dst[i], 10);
      ASSERT_EQ(dst[i + 1], 20);
      ASSERT_EQ(dst[i + 2], 30);
      ASSERT_EQ(dst[i + 3], 255);
    }
  }
}

// The decoder's thread, held inside its Ready callback until the test lets it go.
struct HeldDecoder {
  HeldDecoder() : decoder([this] { OnReady(); }) {
    decoder.SetViewSize(32, 16);
    decoder.Start();
  }
  void OnReady() {
    std::unique_lock<std::mutex> lock(m);
    ++announced;
    changed.notify_all();
    changed.wait(lock, [this] { return !hold; });
  }
  int Announced() {
    std::lock_guard<std::mutex> lock(m);
    return announced;
  }
  bool WaitAnnounced(int count) {
    std::unique_lock<std::mutex> lock(m);
    return changed.wait_for(lock, std::chrono::seconds(10), [&] { return announced >= count; });
  }
  void Release() {
    std::lock_guard<std::mutex> lock(m);
    hold = false;
    changed.notify_all();
  }
  static std::string Frame(const uint8_t rgb[3]) {
    std::vector<uint8_t> jpeg = MakeJpeg(32, 16, rgb, rgb);
    return mvcommon::EncodeBase64(std::string(jpeg.begin(), jpeg.end()));
  }
  std::mutex m;
  std::condition_variable changed;
  int announced = 0;
  bool hold = true;
  FrameDecoder decoder;  // last: its thread stops before the fields it uses go
};

TEST(FrameDecoder, OnlyTheNewestFrameIsDecodedWhileTheThreadIsBusy) {
  HeldDecoder held;
  held.decoder.Submit(HeldDecoder::Frame(kBlue));
  ASSERT_TRUE(held.WaitAnnounced(1));
  // The thread is busy announcing: of three frames that arrive meanwhile only the last counts.
  const uint8_t kGreen[3] = {0, 255, 0};
  held.decoder.Submit(HeldDecoder::Frame(kBlue));
  held.decoder.Submit(HeldDecoder::Frame(kBlue));
  held.decoder.Submit(HeldDecoder::Frame(kGreen));
  EXPECT_EQ(held.decoder.dropped(), 2u);
  DecodedFrame picture;
  ASSERT_TRUE(held.decoder.TakeDecoded(&picture));  // the first, blue one
  EXPECT_TRUE(NearBgra(picture.pixels, 32, 16, 8, kBlue));
  held.Release();
  ASSERT_TRUE(held.WaitAnnounced(2));
  ASSERT_TRUE(held.decoder.TakeDecoded(&picture));
  EXPECT_TRUE(NearBgra(picture.pixels, 32, 16, 8, kGreen));
  EXPECT_EQ(held.decoder.dropped(), 2u);
  EXPECT_EQ(picture.width, 32);
  EXPECT_EQ(picture.height, 16);
  EXPECT_EQ(picture.pixels.size(), 32u * 16 * 4);
}

// Frames held for a later paint slot are not decoded before it: one that a newer frame replaces
// meanwhile (here a bad one, which would count as failed) costs nothing.
TEST(FrameDecoder, AHeldFrameIsDecodedOnlyWhenItsTimeComesAndOnlyIfStillNewest) {
  HeldDecoder held;
  held.Release();
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  held.decoder.DecodeNotBefore(until);
  held.decoder.Submit("not base64!");
  std::this_thread::sleep_until(until - std::chrono::milliseconds(100));
  EXPECT_EQ(held.decoder.failed(), 0u) << "decoded before its time";
  held.decoder.Submit(HeldDecoder::Frame(kRed));
  ASSERT_TRUE(held.WaitAnnounced(1));
  EXPECT_GE(std::chrono::steady_clock::now(), until);
  DecodedFrame picture;
  ASSERT_TRUE(held.decoder.TakeDecoded(&picture));
  EXPECT_TRUE(NearBgra(picture.pixels, 32, 4, 4, kRed));
  EXPECT_EQ(held.decoder.failed(), 0u);
  EXPECT_EQ(held.decoder.dropped(), 1u);
  EXPECT_GT(held.decoder.decode_time().count(), 0);
}

TEST(FrameDecoder, BadFramesAreDroppedAndTheThreadGoesOnWithItsBuffersReused) {
  HeldDecoder held;
  held.Release();
  auto decoded = [&](const std::string& frame, DecodedFrame* picture) {
    const int before = held.Announced();
    held.decoder.Submit(std::string(frame));
    if (!held.WaitAnnounced(before + 1)) return false;
    return held.decoder.TakeDecoded(picture);
  };
  held.decoder.Submit("not base64!");
  held.decoder.Submit(mvcommon::EncodeBase64("not a jpeg"));
  DecodedFrame first, picture;
  ASSERT_TRUE(decoded(HeldDecoder::Frame(kRed), &first));
  EXPECT_TRUE(NearBgra(first.pixels, 32, 4, 4, kRed));
  // Each bad frame failed, or a later frame replaced it before its turn; none was painted.
  EXPECT_EQ(held.decoder.failed() + held.decoder.dropped(), 2u);
  // Buffers go round: the one painted first is decoded into again two frames later.
  const uint8_t* first_buffer = first.pixels.data();
  picture = std::move(first);
  ASSERT_TRUE(decoded(HeldDecoder::Frame(kBlue), &picture));
  ASSERT_TRUE(decoded(HeldDecoder::Frame(kRed), &picture));
  EXPECT_EQ(picture.pixels.data(), first_buffer);
  EXPECT_TRUE(NearBgra(picture.pixels, 32, 4, 4, kRed));
  EXPECT_FALSE(held.decoder.TakeDecoded(&picture));  // nothing new
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
