// Several threads using the stand-in at once, as the host thread and the engine's UI thread do.
// Run under ThreadSanitizer to check the model's locking.
#include <imm.h>
#include <shellapi.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "mvwin32/stand_in.h"

namespace {

TEST(ConcurrencyTest, PerThreadStateStaysWithItsThreadUnderLoad) {
  mvw32_reset();
  mvw32_set_shell_open_handler([](void*, HWND, const char*, const char*, const char*, const char*, int) { return 42; },
                               nullptr);
  constexpr int kThreads = 4;
  constexpr int kRounds = 2000;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &failures] {
      const LONG left = t * 100;
      HWND own = mvw32_create_window(nullptr, RECT{left, 0, left + 100, 100}, TRUE);
      mvw32_set_ime_result_wide(own, L"\u4E2D");
      for (int i = 0; i < kRounds; ++i) {
        SetCapture(own);
        SetFocus(own);
        mvw32_set_key_state(VK_SHIFT, (i & 1) != 0, FALSE);
        bool ok = GetCapture() == own && GetFocus() == own;
        ok = ok && ((GetKeyState(VK_SHIFT) < 0) == ((i & 1) != 0));
        ok = ok && WindowFromPoint(POINT{left + 50, 50}) == own;
        HIMC himc = ImmGetContext(own);
        ok = ok && ImmGetCompositionStringA(himc, GCS_RESULTSTR, nullptr, 0) == 3;
        ok = ok && ImmReleaseContext(own, himc);
        ReleaseCapture();
        ok = ok && GetCapture() == nullptr;
        if (i % 100 == 0) {
          ok = ok && MessageBoxW(own, L"t", L"c", MB_OK) == IDOK;
          ok = ok && reinterpret_cast<intptr_t>(ShellExecuteA(nullptr, "open", "u", nullptr, nullptr, SW_SHOW)) == 42;
          // Windows come and go while the others work.
          HWND temp = mvw32_create_window(own, RECT{left, 0, left + 10, 10}, TRUE);
          ok = ok && mvw32_destroy_window(temp);
        }
        if (!ok) failures.fetch_add(1);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(mvw32_message_box_count(), static_cast<size_t>(kThreads * kRounds / 100));
  EXPECT_EQ(mvw32_shell_open_count(), static_cast<size_t>(kThreads * kRounds / 100));
  mvw32_reset();
}

}  // namespace
