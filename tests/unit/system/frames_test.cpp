// Off-screen frames as the host sees them: paints delivered by the engine's UI thread, taken
// through the two frame exports on the host's thread.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "tests/unit/system/systest_support.h"

namespace {

using FramesTest = SystemTest;

// A frame whose bytes depend on `tag` and their position, so a mixed or shifted copy shows.
std::vector<unsigned char> Pattern(int width, int height, unsigned char tag) {
  std::vector<unsigned char> bytes(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>((i * 7 + tag * 31 + (i >> 12)) & 0xFF);
  return bytes;
}

constexpr size_t kGuard = 64;
constexpr unsigned char kUntouched = 0xAB;

// What the host's copy of the pending frame holds: the frame's bytes, then the guard as it was.
struct Taken {
  std::vector<unsigned char> bytes;  // the whole buffer, guard included
  bool guard_intact = true;
};

Taken TakeFrame(size_t frame_bytes) {
  Taken t;
  t.bytes.assign(frame_bytes + kGuard, kUntouched);
  fnmvPackCefDllGetBrowserRenderData(t.bytes.data());
  for (size_t i = frame_bytes; i < t.bytes.size(); ++i) t.guard_intact &= t.bytes[i] == kUntouched;
  t.bytes.resize(frame_bytes);
  return t;
}

// The pending frame's size, as the host asks for it; {-1, -1} when none is pending.
std::pair<int, int> Pending() {
  int w = -1, h = -1;
  if (!fnmvPackCefDllGetBrowserHasNewFrame(&w, &h)) {
    EXPECT_EQ(w, -1) << "outputs are left alone when nothing is pending";
    EXPECT_EQ(h, -1);
    return {-1, -1};
  }
  return {w, h};
}

TEST_F(FramesTest, NothingIsPendingBeforeTheFirstPaint) {
  InitClient();
  CreateWindowless();
  EXPECT_EQ(Pending(), std::make_pair(-1, -1));
  const Taken t = TakeFrame(16);
  EXPECT_EQ(t.bytes, std::vector<unsigned char>(16, kUntouched)) << "nothing is written";
  EXPECT_TRUE(t.guard_intact);
}

TEST_F(FramesTest, OnePaintIsTakenWholeOnce) {
  InitClient();
  CreateWindowless(800, 600);
  const std::vector<unsigned char> frame = Pattern(800, 600, 1);
  ASSERT_TRUE(scripted::Paint(EngineBrowser(), PET_VIEW, frame.data(), 800, 600));
  EXPECT_EQ(Pending(), std::make_pair(800, 600));
  EXPECT_EQ(Pending(), std::make_pair(800, 600)) << "asking twice changes nothing";
  const Taken t = TakeFrame(1920000);
  EXPECT_TRUE(t.bytes == frame);
  EXPECT_TRUE(t.guard_intact);
  EXPECT_EQ(Pending(), std::make_pair(-1, -1));
}

TEST_F(FramesTest, PopupPaintsNeverReachTheHost) {
  InitClient();
  CreateWindowless(64, 32);
  const std::vector<unsigned char> popup = Pattern(20, 10, 9), view = Pattern(64, 32, 2);
  scripted::Paint(EngineBrowser(), PET_POPUP, popup.data(), 20, 10);
  EXPECT_EQ(Pending(), std::make_pair(-1, -1));
  scripted::Paint(EngineBrowser(), PET_VIEW, view.data(), 64, 32);
  scripted::Paint(EngineBrowser(), PET_POPUP, popup.data(), 20, 10);
  EXPECT_EQ(Pending(), std::make_pair(64, 32));
  EXPECT_TRUE(TakeFrame(view.size()).bytes == view);
  EXPECT_EQ(Pending(), std::make_pair(-1, -1)) << "the popup did not queue behind the view";
}

TEST_F(FramesTest, ZeroSizedFramesArePublishedAndCopyNothing) {
  InitClient();
  CreateWindowless();
  const std::vector<unsigned char> some = Pattern(4, 4, 3);
  const std::pair<int, int> sizes[] = {{0, 600}, {800, 0}, {0, 0}};
  for (const auto& size : sizes) {
    scripted::Paint(EngineBrowser(), PET_VIEW, some.data(), size.first, size.second);
    EXPECT_EQ(Pending(), size);
    const Taken t = TakeFrame(0);
    EXPECT_TRUE(t.guard_intact) << size.first << "x" << size.second;
    EXPECT_EQ(Pending(), std::make_pair(-1, -1));
  }
}

TEST_F(FramesTest, PaintsReachTheHostInOrderAndTheLastOneAlways) {
  InitClient();
  CreateWindowless(32, 16);
  const int engine = EngineBrowser();
  const size_t bytes = 32 * 16 * 4;
  auto paint = [&](unsigned char tag) {
    const std::vector<unsigned char> f = Pattern(32, 16, tag);
    scripted::Paint(engine, PET_VIEW, f.data(), 32, 16);
  };

  // A and B before a read: A, then B, though nothing paints after B.
  paint('A');
  paint('B');
  EXPECT_TRUE(TakeFrame(bytes).bytes == Pattern(32, 16, 'A'));
  ASSERT_EQ(Pending(), std::make_pair(32, 16)) << "the newer paint is not lost";
  EXPECT_TRUE(TakeFrame(bytes).bytes == Pattern(32, 16, 'B'));
  EXPECT_EQ(Pending(), std::make_pair(-1, -1));

  // C, D, E before a read: C first, then the newest.
  paint('C');
  paint('D');
  paint('E');
  EXPECT_TRUE(TakeFrame(bytes).bytes == Pattern(32, 16, 'C'));
  EXPECT_TRUE(TakeFrame(bytes).bytes == Pattern(32, 16, 'E'));
  EXPECT_EQ(Pending(), std::make_pair(-1, -1));

  // A frame of another size after a read: the size goes with its frame.
  paint('F');
  const std::vector<unsigned char> small = Pattern(8, 2, 'G');
  scripted::Paint(engine, PET_VIEW, small.data(), 8, 2);
  EXPECT_EQ(Pending(), std::make_pair(32, 16));
  TakeFrame(bytes);
  EXPECT_EQ(Pending(), std::make_pair(8, 2));
  EXPECT_TRUE(TakeFrame(small.size()).bytes == small);
}

TEST_F(FramesTest, ANullDestinationDiscardsThePendingFrame) {
  InitClient();
  CreateWindowless(8, 8);
  const std::vector<unsigned char> f = Pattern(8, 8, 4);
  scripted::Paint(EngineBrowser(), PET_VIEW, f.data(), 8, 8);
  fnmvPackCefDllGetBrowserRenderData(nullptr);
  EXPECT_EQ(Pending(), std::make_pair(-1, -1));
}

TEST_F(FramesTest, EveryHandlerKeepsItsOwnFrames) {
  InitClient();
  const auto [first, first_engine] = OpenWindowless(16, 16);
  const auto [second, second_engine] = OpenWindowless(24, 8);
  const std::vector<unsigned char> x = Pattern(16, 16, 'X'), y = Pattern(24, 8, 'Y');

  // The first browser paints while the second is current.
  scripted::Paint(first_engine, PET_VIEW, x.data(), 16, 16);
  EXPECT_EQ(Pending(), std::make_pair(-1, -1));
  scripted::Paint(second_engine, PET_VIEW, y.data(), 24, 8);
  EXPECT_EQ(Pending(), std::make_pair(24, 8));

  fnmvPackCefDllSelectHandler(first);
  EXPECT_EQ(Pending(), std::make_pair(16, 16));
  EXPECT_TRUE(TakeFrame(x.size()).bytes == x);
  fnmvPackCefDllSelectHandler(second);
  EXPECT_TRUE(TakeFrame(y.size()).bytes == y);

  // No current handler: no frame, nothing copied, the handlers' frames stay.
  scripted::Paint(first_engine, PET_VIEW, x.data(), 16, 16);
  fnmvPackCefDllSelectHandler(0);
  EXPECT_EQ(Pending(), std::make_pair(-1, -1));
  const Taken none = TakeFrame(16);
  EXPECT_EQ(none.bytes, std::vector<unsigned char>(16, kUntouched));
  fnmvPackCefDllSelectHandler(first);
  EXPECT_EQ(Pending(), std::make_pair(16, 16));
}

TEST_F(FramesTest, TakingWithNothingPendingReturnsAtOnce) {
  InitClient();
  CreateWindowless(8, 8);
  const std::vector<unsigned char> f = Pattern(8, 8, 5);
  scripted::Paint(EngineBrowser(), PET_VIEW, f.data(), 8, 8);
  TakeFrame(f.size());
  std::vector<unsigned char> dest(f.size(), kUntouched);
  auto taking = std::async(std::launch::async, [&] { fnmvPackCefDllGetBrowserRenderData(dest.data()); });
  if (taking.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "fnmvPackCefDllGetBrowserRenderData waits for a paint that never comes";
    std::_Exit(1);  // the waiting thread cannot be stopped
  }
  EXPECT_EQ(dest, std::vector<unsigned char>(f.size(), kUntouched));
}

TEST_F(FramesTest, ScreenInfoComesFromTheScreenAndPointsPassThrough) {
  InitClient();
  CreateWindowless();
  const int engine = EngineBrowser();
  mvw32_set_screen_size(1366, 768);
  CefRefPtr<CefRenderHandler> render = scripted::GetClient(engine)->GetRenderHandler();
  ASSERT_TRUE(render);
  CefScreenInfo info;
  info.device_scale_factor = 2.0f;
  info.depth = 24;
  info.depth_per_component = 8;
  info.is_monochrome = 0;
  info.rect = {5, 6, 1, 1};
  info.available_rect = {70, 80, 90, 100};
  bool answered = false;
  scripted::RunOnUi([&] { answered = render->GetScreenInfo(scripted::GetBrowser(engine), info); });
  EXPECT_TRUE(answered);
  EXPECT_EQ(info.rect.x, 5);
  EXPECT_EQ(info.rect.y, 6);
  EXPECT_EQ(info.rect.width, 1366);
  EXPECT_EQ(info.rect.height, 768);
  EXPECT_EQ(info.available_rect.x, 5);
  EXPECT_EQ(info.available_rect.y, 6);
  EXPECT_EQ(info.available_rect.width, 1366);
  EXPECT_EQ(info.available_rect.height, 768);
  EXPECT_EQ(info.device_scale_factor, 2.0f);
  EXPECT_EQ(info.depth, 24);
  EXPECT_EQ(info.depth_per_component, 8);

  const std::pair<int, int> points[] = {{0, 0}, {10, 20}, {-5, 70000}, {1365, 767}};
  for (const auto& p : points) {
    int sx = 12345, sy = 12345;
    EXPECT_TRUE(scripted::GetScreenPoint(engine, p.first, p.second, &sx, &sy));
    EXPECT_EQ(std::make_pair(sx, sy), p);
  }
}

}  // namespace
