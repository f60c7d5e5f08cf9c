// The scripted runtime's task threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "task_thread.h"

using mvengine::scripted::TaskThread;

namespace {

TEST(TaskThread, RunsPostedTasksInOrderOnItsOwnThread) {
  TaskThread t;
  std::vector<int> order;  // written on t only; read after RunSync
  std::thread::id seen;
  for (int i = 0; i < 50; ++i)
    t.Post([&order, i] { order.push_back(i); });
  ASSERT_TRUE(t.RunSync([&] { seen = std::this_thread::get_id(); }));
  EXPECT_NE(std::this_thread::get_id(), seen);
  ASSERT_EQ(50u, order.size());
  for (int i = 0; i < 50; ++i)
    EXPECT_EQ(i, order[i]);
  EXPECT_TRUE(t.IsIdle());
}

TEST(TaskThread, RunSyncFromItsOwnThreadRunsInline) {
  TaskThread t;
  bool inner_ran = false;
  ASSERT_TRUE(t.RunSync([&] {
    EXPECT_TRUE(t.IsCurrent());
    t.RunSync([&] { inner_ran = true; });  // would deadlock if queued
  }));
  EXPECT_TRUE(inner_ran);
}

TEST(TaskThread, StopRunsWhatIsQueuedThenDropsNewWork) {
  std::atomic<int> ran{0};
  TaskThread t;
  t.Post([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ++ran;
  });
  t.Post([&] { ++ran; });
  t.Stop();
  EXPECT_EQ(2, ran.load());
  t.Post([&] { ++ran; });
  EXPECT_FALSE(t.RunSync([&] { ++ran; }));
  t.Stop();
  EXPECT_EQ(2, ran.load());
}

}  // namespace
