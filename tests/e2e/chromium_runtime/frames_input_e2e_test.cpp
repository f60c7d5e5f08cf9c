// Screencast frames at the view's exact size, zoom as a relayout, and input
// through the Input domain, against the real Chromium.
#include <gtest/gtest.h>

#include "engine/runtime/chromium/input_mapping.h"
#include "page_harness.h"

namespace mvengine {
namespace chromium {
namespace {

using e2e::PageHarness;
using e2e::PageUrl;

bool IsRed(const e2e::Pixel& p) { return PageHarness::Near(p, 255, 0, 0); }
bool IsGreen(const e2e::Pixel& p) { return PageHarness::Near(p, 0, 255, 0); }

TEST(ChromiumFrames, ColourBlocksLandOnTheRightPixelsAndZoomRelaysOut) {
  PageHarness h;
  std::string error;
  ASSERT_TRUE(h.Open(&error)) << error;
  ASSERT_TRUE(h.Navigate(PageUrl("color_blocks.html")));
  auto frame = h.WaitFrame([](const std::vector<uint8_t>& f) {
    return PageHarness::Near(PageHarness::At(f, 600, 450), 255, 255, 0);
  });
  ASSERT_EQ(frame.size(), size_t(PageHarness::kWidth) * PageHarness::kHeight * 4);
  struct Probe {
    int x, y, r, g, b;
  } probes[] = {
      {200, 150, 255, 0, 0}, {600, 150, 0, 255, 0}, {200, 450, 0, 0, 255}, {600, 450, 255, 255, 0},
      // Edges: the blocks are exactly 400x300 at zoom 0.
      {394, 5, 255, 0, 0},   {405, 5, 0, 255, 0},   {5, 294, 255, 0, 0},   {5, 305, 0, 0, 255},
      {0, 0, 255, 0, 0},     {799, 599, 255, 255, 0},
  };
  for (const auto& p : probes)
    EXPECT_TRUE(PageHarness::Near(PageHarness::At(frame, p.x, p.y), p.r, p.g, p.b))
        << "at " << p.x << "," << p.y;

  // Level 1 = factor 1.2: the 400 px block now covers 480 view pixels. A screenshot still
  // being taken would put the old metrics back as it finishes.
  for (int i = 0; i < 500 && h.receiver().screenshots_in_flight() > 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(h.page().Call("Emulation.setDeviceMetricsOverride",
                            DeviceMetricsParams(PageHarness::kWidth, PageHarness::kHeight, 1)).ok);
  // The screencast follows the old metrics until it is restarted.
  h.receiver().Stop();
  h.receiver().Start(PageHarness::kWidth, PageHarness::kHeight);
  h.receiver().RequestFrame();
  // Frames painted before the relayout may still arrive: wait for one that shows it.
  auto zoomed = h.WaitFrame([](const std::vector<uint8_t>& f) {
    return IsRed(PageHarness::At(f, 474, 5)) && IsGreen(PageHarness::At(f, 486, 5)) &&
           IsRed(PageHarness::At(f, 5, 354)) && PageHarness::Near(PageHarness::At(f, 5, 365), 0, 0, 255);
  });
  ASSERT_FALSE(zoomed.empty()) << "no frame shows the relayout of the zoom change";
  EXPECT_TRUE(PageHarness::Near(PageHarness::At(zoomed, 700, 500), 255, 255, 0));
  EXPECT_EQ(h.Evaluate("innerWidth"), 667);  // 800 / 1.2
}

TEST(ChromiumInput, ClickTypeAndImeCommitReachThePage) {
  PageHarness h;
  std::string error;
  ASSERT_TRUE(h.Open(&error)) << error;
  ASSERT_TRUE(h.Navigate(PageUrl("input.html")));
  ASSERT_FALSE(h.WaitFrame([](const std::vector<uint8_t>& f) {
                  return PageHarness::Near(PageHarness::At(f, 150, 100), 0, 0, 255);
                }).empty());

  // A click on the button: pressed and released at (150, 100).
  ASSERT_TRUE(h.page().Call("Input.dispatchMouseEvent", MouseMoveParams(150, 100, 0, false)).ok);
  ASSERT_TRUE(h.page().Call("Input.dispatchMouseEvent", MouseClickParams(150, 100, 0, 0, false, 1)).ok);
  ASSERT_TRUE(h.page().Call("Input.dispatchMouseEvent", MouseClickParams(150, 100, 16, 0, true, 1)).ok);
  EXPECT_FALSE(h.WaitFrame([](const std::vector<uint8_t>& f) { return IsRed(PageHarness::At(f, 150, 100)); })
                   .empty());
  EXPECT_EQ(h.Evaluate("clicks"), 1);

  // Focus the field with a click, then type "abc", Backspace, and commit IME text.
  ASSERT_TRUE(h.page().Call("Input.dispatchMouseEvent", MouseClickParams(100, 270, 0, 0, false, 1)).ok);
  ASSERT_TRUE(h.page().Call("Input.dispatchMouseEvent", MouseClickParams(100, 270, 16, 0, true, 1)).ok);
  auto key = [&](int type, int vk, char16_t ch) {
    KeyInput k;
    k.type = type;
    k.windows_key_code = vk;
    k.native_key_code = vk;
    k.character = ch;
    k.unmodified_character = ch;
    return h.page().Call("Input.dispatchKeyEvent", KeyEventParams(k)).ok;
  };
  for (char c : std::string("abc")) {
    ASSERT_TRUE(key(0, c - 'a' + 'A', 0));
    ASSERT_TRUE(key(3, c, c));
    ASSERT_TRUE(key(2, c - 'a' + 'A', 0));
  }
  ASSERT_TRUE(key(0, 0x08, 0));  // Backspace
  ASSERT_TRUE(key(3, 0x08, 0x08));
  ASSERT_TRUE(key(2, 0x08, 0));
  ASSERT_TRUE(h.page().Call("Input.insertText", {{"text", u8"中文"}}).ok);
  EXPECT_EQ(h.Evaluate("document.getElementById('field').value"), u8"ab中文");
  EXPECT_EQ(h.Evaluate("keys.join(',')"), "a,b,c,Backspace");
}

}  // namespace
}  // namespace chromium
}  // namespace mvengine
