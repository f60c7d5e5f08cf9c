// Windows of the model: capture and focus per thread, visibility, hit tests, coordinates.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "mvwin32/stand_in.h"

namespace {

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override { mvw32_reset(); }
  void TearDown() override { mvw32_reset(); }
  static HWND Create(HWND parent, LONG l, LONG t, LONG r, LONG b, BOOL visible = TRUE) {
    HWND h = mvw32_create_window(parent, RECT{l, t, r, b}, visible);
    EXPECT_NE(h, nullptr);
    return h;
  }
  template <typename F>
  static void OnOtherThread(F f) {
    std::thread t(f);
    t.join();
  }
};

TEST_F(WindowsTest, CaptureBelongsToTheCallingThreadAndItsOwnWindows) {
  HWND mine = Create(nullptr, 0, 0, 100, 100);
  HWND theirs = nullptr;
  OnOtherThread([&] {
    theirs = mvw32_create_window(nullptr, RECT{0, 0, 50, 50}, TRUE);
    EXPECT_EQ(SetCapture(theirs), nullptr);
    EXPECT_EQ(GetCapture(), theirs);
    // Another thread's window is refused.
    EXPECT_EQ(SetCapture(mine), nullptr);
    EXPECT_EQ(GetCapture(), theirs);
  });
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(SetCapture(theirs), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);

  EXPECT_EQ(SetCapture(mine), nullptr);
  EXPECT_EQ(GetCapture(), mine);
  HWND second = Create(nullptr, 0, 0, 10, 10);
  EXPECT_EQ(SetCapture(second), mine);  // returns the window that held capture before
  OnOtherThread([&] {
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(ReleaseCapture());  // releases only this thread's capture
  });
  EXPECT_EQ(GetCapture(), second);
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowsTest, FocusBelongsToTheCallingThreadAndItsOwnWindows) {
  HWND a = Create(nullptr, 0, 0, 100, 100);
  HWND b = Create(a, 10, 10, 20, 20);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(SetFocus(a), nullptr);
  EXPECT_EQ(SetFocus(b), a);
  EXPECT_EQ(GetFocus(), b);
  OnOtherThread([&] {
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(SetFocus(a), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(GetFocus(), nullptr);
  });
  EXPECT_EQ(GetFocus(), b);
  EXPECT_EQ(SetFocus(reinterpret_cast<HWND>(0x1234)), nullptr);  // not a window: nothing changes
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(GetFocus(), b);
  EXPECT_EQ(SetFocus(nullptr), b);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(WindowsTest, DestroyingAWindowTakesItsChildrenCaptureAndFocusWithIt) {
  HWND parent = Create(nullptr, 0, 0, 100, 100);
  HWND child = Create(parent, 10, 10, 50, 50);
  HWND other = Create(nullptr, 200, 0, 300, 100);
  SetCapture(child);
  SetFocus(parent);
  EXPECT_TRUE(mvw32_destroy_window(parent));
  EXPECT_FALSE(IsWindow(parent));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_TRUE(IsWindow(other));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_FALSE(mvw32_destroy_window(parent));
  // A handle is never handed out again.
  HWND fresh = Create(nullptr, 0, 0, 10, 10);
  EXPECT_NE(fresh, parent);
  EXPECT_NE(fresh, child);
}

TEST_F(WindowsTest, CreateRejectsUnknownParentsAndInvertedRectangles) {
  EXPECT_EQ(mvw32_create_window(reinterpret_cast<HWND>(0x42), RECT{0, 0, 1, 1}, TRUE), nullptr);
  EXPECT_EQ(mvw32_create_window(nullptr, RECT{10, 0, 5, 1}, TRUE), nullptr);
  HWND empty = mvw32_create_window(nullptr, RECT{5, 5, 5, 5}, TRUE);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(WindowFromPoint(POINT{5, 5}), nullptr);  // covers no pixel
  EXPECT_EQ(GetParent(empty), nullptr);
  HWND child = Create(empty, 5, 5, 5, 5);
  EXPECT_EQ(GetParent(child), empty);
  EXPECT_EQ(GetParent(reinterpret_cast<HWND>(0x42)), nullptr);
}

TEST_F(WindowsTest, ShowWindowReportsPreviousVisibilityAndAncestorsHideChildren) {
  HWND parent = Create(nullptr, 0, 0, 100, 100, FALSE);
  HWND child = Create(parent, 0, 0, 50, 50, TRUE);
  EXPECT_EQ(mvw32_last_show_command(parent), -1);
  EXPECT_FALSE(IsWindowVisible(parent));
  EXPECT_FALSE(IsWindowVisible(child));  // its parent is hidden
  EXPECT_FALSE(ShowWindow(parent, SW_SHOWNORMAL));
  EXPECT_EQ(mvw32_last_show_command(parent), SW_SHOWNORMAL);
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_TRUE(ShowWindow(parent, SW_SHOW));
  EXPECT_TRUE(ShowWindow(child, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(child));
  EXPECT_TRUE(IsWindowVisible(parent));
  EXPECT_EQ(mvw32_last_show_command(child), SW_HIDE);
  EXPECT_FALSE(ShowWindow(reinterpret_cast<HWND>(0x42), SW_SHOW));
  EXPECT_FALSE(IsWindowVisible(nullptr));
  EXPECT_EQ(mvw32_last_show_command(nullptr), -1);
}

TEST_F(WindowsTest, WindowFromPointFindsTheDeepestVisibleWindow) {
  HWND main = Create(nullptr, 0, 0, 800, 600);
  HWND panel = Create(main, 100, 100, 300, 300);
  HWND button = Create(panel, 150, 150, 200, 200);
  HWND hidden = Create(main, 400, 100, 600, 300, FALSE);
  HWND hidden_child = Create(hidden, 420, 120, 480, 180, TRUE);
  HWND overlap = Create(main, 250, 250, 350, 350);  // later sibling: lies above `panel`
  HWND outside = Create(main, 900, 0, 1000, 100);    // outside its parent: never hit
  HWND popup = Create(nullptr, 700, 500, 900, 700);  // later top-level window: above `main`
  (void)hidden_child;
  (void)outside;
  struct Case {
    POINT p;
    HWND expected;
    const char* why;
  };
  const std::vector<Case> cases = {
      {{10, 10}, main, "only the top-level window"},
      {{0, 0}, main, "left/top edge is inside"},
      {{799, 10}, main, "last column is inside"},
      {{10, 599}, main, "last row is inside"},
      {{10, 600}, nullptr, "bottom edge is outside"},
      {{120, 120}, panel, "child"},
      {{160, 160}, button, "grandchild"},
      {{260, 260}, overlap, "later sibling on top"},
      {{240, 240}, panel, "below the overlap"},
      {{450, 150}, main, "hidden child is skipped, with its children"},
      {{950, 50}, nullptr, "child outside its parent"},
      {{750, 550}, popup, "later top-level window on top"},
      {{850, 650}, popup, "popup beyond main"},
      {{800, 0}, nullptr, "right edge is outside"},
      {{-1, 10}, nullptr, "left of everything"},
  };
  for (const auto& c : cases) EXPECT_EQ(WindowFromPoint(c.p), c.expected) << c.why;

  ShowWindow(main, SW_HIDE);
  EXPECT_EQ(WindowFromPoint(POINT{160, 160}), nullptr);
  EXPECT_EQ(WindowFromPoint(POINT{750, 550}), popup);
}

TEST_F(WindowsTest, CoordinatesConvertBetweenScreenAndClient) {
  HWND w = Create(nullptr, 100, 50, 500, 450);
  POINT p{130, 70};
  EXPECT_TRUE(ScreenToClient(w, &p));
  EXPECT_EQ(p.x, 30);
  EXPECT_EQ(p.y, 20);
  POINT q{10, 10};
  EXPECT_TRUE(ScreenToClient(w, &q));  // left of and above the window: negative
  EXPECT_EQ(q.x, -90);
  EXPECT_EQ(q.y, -40);
  EXPECT_TRUE(ClientToScreen(w, &q));
  EXPECT_EQ(q.x, 10);
  EXPECT_EQ(q.y, 10);
  POINT untouched{1, 2};
  EXPECT_FALSE(ScreenToClient(reinterpret_cast<HWND>(0x42), &untouched));
  EXPECT_EQ(untouched.x, 1);
  EXPECT_FALSE(ScreenToClient(w, nullptr));

  RECT client{};
  EXPECT_TRUE(GetClientRect(w, &client));
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 400);
  EXPECT_EQ(client.left, 0);
}

TEST_F(WindowsTest, MovingAWindowMovesItsChildren) {
  HWND parent = Create(nullptr, 0, 0, 100, 100);
  HWND child = Create(parent, 10, 20, 30, 40);
  EXPECT_TRUE(mvw32_move_window(parent, RECT{200, 300, 250, 350}));
  RECT r{};
  EXPECT_TRUE(GetWindowRect(child, &r));
  EXPECT_EQ(r.left, 210);
  EXPECT_EQ(r.top, 320);
  EXPECT_EQ(r.right, 230);
  EXPECT_EQ(r.bottom, 340);
  EXPECT_EQ(WindowFromPoint(POINT{215, 325}), child);
  EXPECT_EQ(WindowFromPoint(POINT{15, 25}), nullptr);
  EXPECT_FALSE(mvw32_move_window(parent, RECT{5, 5, 0, 0}));
}

TEST_F(WindowsTest, APaintedPictureIsShownStretchedOverTheWindow) {
  HWND window = Create(nullptr, 10, 10, 30, 20);  // 20 x 10
  uint32_t pixel = 0;
  EXPECT_FALSE(mvw32_window_pixel(window, 0, 0, &pixel));  // never painted
  // 2 x 1: left half red, right half blue.
  const uint32_t picture[] = {0xFFFF0000u, 0xFF0000FFu};
  ASSERT_TRUE(mvw32_paint_window(window, picture, 2, 1));
  const struct {
    int x, y;
    BOOL shown;
    uint32_t argb;
  } cases[] = {{0, 0, TRUE, 0xFFFF0000u},  {9, 9, TRUE, 0xFFFF0000u},  {10, 0, TRUE, 0xFF0000FFu},
               {19, 9, TRUE, 0xFF0000FFu}, {20, 0, FALSE, 0},          {0, 10, FALSE, 0},
               {-1, 0, FALSE, 0}};
  for (const auto& c : cases) {
    pixel = 0;
    EXPECT_EQ(mvw32_window_pixel(window, c.x, c.y, &pixel), c.shown) << c.x << "," << c.y;
    if (c.shown) EXPECT_EQ(pixel, c.argb) << c.x << "," << c.y;
  }
  EXPECT_FALSE(mvw32_paint_window(window, picture, 0, 1));
  EXPECT_FALSE(mvw32_paint_window(reinterpret_cast<HWND>(0x42), picture, 2, 1));
  ASSERT_TRUE(mvw32_destroy_window(window));
  EXPECT_FALSE(mvw32_window_pixel(window, 0, 0, &pixel));
}

TEST_F(WindowsTest, WindowsBelongToTheirCreator) {
  HWND mine = Create(nullptr, 0, 0, 1, 1);
  DWORD other_id = 0;
  HWND theirs = nullptr;
  OnOtherThread([&] {
    other_id = GetCurrentThreadId();
    theirs = mvw32_create_window(nullptr, RECT{0, 0, 1, 1}, TRUE);
  });
  EXPECT_EQ(GetWindowThreadProcessId(mine, nullptr), GetCurrentThreadId());
  DWORD pid = 0;
  EXPECT_EQ(GetWindowThreadProcessId(theirs, &pid), other_id);
  EXPECT_EQ(pid, GetCurrentProcessId());
  EXPECT_NE(other_id, GetCurrentThreadId());
  EXPECT_EQ(GetWindowThreadProcessId(reinterpret_cast<HWND>(0x42), nullptr), 0u);
}

TEST_F(WindowsTest, ScreenSizeIsSettableAndResetRestoresIt) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
  mvw32_set_screen_size(1280, 720);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 720);
  EXPECT_EQ(GetSystemMetrics(12345), 0);
  HWND w = Create(nullptr, 0, 0, 1, 1);
  SetCapture(w);
  mvw32_reset();
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace
